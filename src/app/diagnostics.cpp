#include "app/diagnostics.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/demo.h"
#include "app/window_pictures.h"
#include "ui/first_paint.h"
#include "ui/main_window.h"

namespace m8163 {

namespace {

long long monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
}

void writeProbe(const Diagnostics& diagnostics, long long firstPaintNs) {
    if (FILE* out = std::fopen(diagnostics.probeFile.toLocal8Bit().constData(), "a")) {
        for (const auto& [phase, ns] : diagnostics.phases) {
            std::fprintf(out, "%s_ns %lld\n", phase, ns);
        }
        std::fprintf(out, "first_paint_ns %lld\n", firstPaintNs);
        std::fclose(out);
    }
}

}  // namespace

Diagnostics diagnosticsFromEnvironment() {
    return {qEnvironmentVariable("M8163_STARTUP_PROBE"),
            qEnvironmentVariable("M8163_SCREENSHOT"),
            qEnvironmentVariable("M8163_DEMO"),
            {}};
}

void Diagnostics::mark(const char* phase) {
    if (!probeFile.isEmpty()) {
        phases.emplace_back(phase, monotonicNanoseconds());
    }
}

void watchStartup(TForm1& window, const Diagnostics& diagnostics) {
    if (diagnostics.demo()) {
        runDemoWhenShown(window, diagnostics.demoFile);
        return;
    }
    if (diagnostics.probeFile.isEmpty() && diagnostics.screenshotFile.isEmpty()) {
        return;
    }
    afterFirstPaint(window, [&window, diagnostics] {
        if (!diagnostics.probeFile.isEmpty()) {
            writeProbe(diagnostics, monotonicNanoseconds());
        }
        bool ok = true;
        if (!diagnostics.screenshotFile.isEmpty()) {
            ok = saveWindowPictures(window, diagnostics.screenshotFile);
        }
        QApplication::exit(ok ? 0 : 1);
    });
}

}  // namespace m8163
