#include "ui/trend_plot_loader.h"

#include <dlfcn.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace m8163 {

QStringList trendPlotModulePaths() {
    return {QCoreApplication::applicationDirPath() +
                QStringLiteral("/" M8163_TREND_PLOT_FROM_BIN "/" M8163_TREND_PLOT_FILE),
            QStringLiteral(M8163_TREND_PLOT_FILE)};
}

TrendPlotModule loadTrendPlotModule(const QStringList& paths) {
    TrendPlotModule module;
    QStringList problems;
    for (const QString& path : paths) {
        // A path with a folder is tried when the file is there; a name alone
        // is the dynamic loader's to find.
        if (path.contains(QLatin1Char('/')) && !QFileInfo::exists(path)) {
            problems << path + QStringLiteral(": нет такого файла");
            continue;
        }
        // Called from the program itself, so that a name alone is looked up
        // on the program's own library path.
        void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            problems << QString::fromLocal8Bit(dlerror());
            continue;
        }
        if (void* entry = dlsym(handle, kMakeTrendPlotSymbol)) {
            module.make = reinterpret_cast<MakeTrendPlot*>(entry);
            return module;
        }
        problems << path + QStringLiteral(": нет точки входа ") +
                        QLatin1String(kMakeTrendPlotSymbol);
        dlclose(handle);
    }
    module.problem = problems.join(QStringLiteral("; "));
    return module;
}

}  // namespace m8163
