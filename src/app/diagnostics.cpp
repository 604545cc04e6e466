#include "app/diagnostics.h"

#include <QAbstractButton>
#include <QApplication>
#include <QSaveFile>
#include <QTabBar>
#include <QTabWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/demo.h"
#include "app/window_pictures.h"
#include "ui/window/first_paint.h"
#include "ui/window/main_window.h"

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

void writeGeometry(const TForm1& window, const QString& file) {
    QString lines;
    const auto add = [&lines](const QString& name, const QRect& place) {
        lines += QStringLiteral("%1 %2 %3 %4 %5\n")
                     .arg(name)
                     .arg(place.x())
                     .arg(place.y())
                     .arg(place.width())
                     .arg(place.height());
    };
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        if (!button->objectName().isEmpty() && button->isVisible())
            add(button->objectName(), QRect(button->mapToGlobal(QPoint(0, 0)), button->size()));
    }
    const QTabBar* tabs = window.notebook().tabBar();
    for (int i = 0; i < tabs->count(); ++i) {
        const QRect tab = tabs->tabRect(i);
        add(QStringLiteral("Tab%1").arg(i), QRect(tabs->mapToGlobal(tab.topLeft()), tab.size()));
    }
    // Whole or not at all: a reader waits for the file to appear.
    QSaveFile out(file);
    if (out.open(QIODevice::WriteOnly)) {
        out.write(lines.toUtf8());
        out.commit();
    }
}

}  // namespace

Diagnostics diagnosticsFromEnvironment() {
    return {qEnvironmentVariable("M8163_STARTUP_PROBE"),
            qEnvironmentVariable("M8163_SCREENSHOT"),
            qEnvironmentVariable("M8163_DEMO"),
            qEnvironmentVariable("M8163_GEOMETRY"),
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
    if (!diagnostics.geometryFile.isEmpty()) {
        afterFirstPaint(
            window, [&window, file = diagnostics.geometryFile] { writeGeometry(window, file); });
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
