#include "app/diagnostics.h"

#include <QApplication>
#include <QPixmap>
#include <QTabWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "ui/first_paint.h"
#include "ui/main_window.h"

namespace m8163 {

namespace {

long long monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
}

void writeProbe(const QString& file, long long firstPaintNs) {
    if (FILE* out = std::fopen(file.toLocal8Bit().constData(), "a")) {
        std::fprintf(out, "first_paint_ns %lld\n", firstPaintNs);
        std::fclose(out);
    }
}

bool saveShot(TForm1& window, const QString& file) {
    const bool saved = window.grab().save(file, "PNG");
    std::printf("%s\n", qPrintable(file));
    return saved;
}

bool saveScreenshots(TForm1& window, const QString& pattern) {
    if (!pattern.contains(QStringLiteral("{page}"))) {
        return saveShot(window, pattern);
    }
    bool saved = true;
    for (int page = 0; page < window.notebook().count(); ++page) {
        window.selectPage(page);
        saved = saveShot(window, QString(pattern).replace(QStringLiteral("{page}"),
                                                          QString::number(page))) &&
                saved;
    }
    return saved;
}

}  // namespace

Diagnostics diagnosticsFromEnvironment() {
    return {qEnvironmentVariable("M8163_STARTUP_PROBE"), qEnvironmentVariable("M8163_SCREENSHOT")};
}

void watchStartup(TForm1& window, const Diagnostics& diagnostics) {
    if (diagnostics.probeFile.isEmpty() && diagnostics.screenshotFile.isEmpty()) {
        return;
    }
    afterFirstPaint(window, [&window, diagnostics] {
        if (!diagnostics.probeFile.isEmpty()) {
            writeProbe(diagnostics.probeFile, monotonicNanoseconds());
        }
        bool ok = true;
        if (!diagnostics.screenshotFile.isEmpty()) {
            ok = saveScreenshots(window, diagnostics.screenshotFile);
        }
        QApplication::exit(ok ? 0 : 1);
    });
}

}  // namespace m8163
