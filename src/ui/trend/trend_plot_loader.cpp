#include "ui/trend/trend_plot_loader.h"

#include <dlfcn.h>
#include <link.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <vector>

namespace m8163 {

namespace {

// The folders the dynamic loader searches for the program's own libraries,
// in its order: the program's run path, LD_LIBRARY_PATH, the system's.
// Asked of the loader rather than left to dlopen() with a bare name, which
// searches the run path of whichever library calls it (a sanitizer's
// runtime does, when it wraps dlopen()).
QStringList programLibraryPath() {
    void* program = dlopen(nullptr, RTLD_LAZY);
    if (program == nullptr)
        return {};
    Dl_serinfo size{};
    QStringList folders;
    if (dlinfo(program, RTLD_DI_SERINFOSIZE, &size) == 0) {
        std::vector<Dl_serinfo> storage(size.dls_size / sizeof(Dl_serinfo) + 1);
        Dl_serinfo* info = storage.data();
        *info = size;
        if (dlinfo(program, RTLD_DI_SERINFO, info) == 0) {
            for (unsigned i = 0; i < info->dls_cnt; ++i) {
                const QString folder = QFile::decodeName(info->dls_serpath[i].dls_name);
                // Only absolute folders: an empty entry would mean the
                // working folder.
                if (folder.startsWith(QLatin1Char('/')))
                    folders << folder;
            }
        }
    }
    dlclose(program);
    return folders;
}

}  // namespace

QStringList trendPlotModulePaths() {
    QStringList paths{QCoreApplication::applicationDirPath() +
                      QStringLiteral("/" M8163_TREND_PLOT_FROM_BIN "/" M8163_TREND_PLOT_FILE)};
    for (const QString& folder : programLibraryPath())
        paths << folder + QStringLiteral("/" M8163_TREND_PLOT_FILE);
    return paths;
}

TrendPlotModule loadTrendPlotModule(const QStringList& paths) {
    TrendPlotModule module;
    QStringList problems;
    for (const QString& path : paths) {
        // A path with a folder is tried when the file is there; a name alone
        // is the dynamic loader's to find.
        if (path.contains(QLatin1Char('/')) && !QFileInfo::exists(path))
            continue;
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
    if (problems.isEmpty())
        problems << QStringLiteral("нет файла ") + paths.value(0, QStringLiteral("модуля"));
    module.problem = problems.join(QStringLiteral("; "));
    return module;
}

}  // namespace m8163
