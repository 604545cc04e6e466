#pragma once

#include <QString>

namespace m8163 {

class TForm1;

// Start-up measurement and screenshots, asked for through the environment;
// the program's normal run uses neither.
//   M8163_STARTUP_PROBE=<file>: when the window's first paint is on the
//     screen, append "first_paint_ns <CLOCK_MONOTONIC nanoseconds>" to the
//     file and quit.
//   M8163_SCREENSHOT=<file.png>: when the window's first paint is on the
//     screen, save the window as PNG and quit; a "{page}" in the name saves
//     each notebook page, with its index in place of "{page}".
struct Diagnostics {
    QString probeFile;
    QString screenshotFile;
};

Diagnostics diagnosticsFromEnvironment();

// Arms what `diagnostics` asks for; call before the window is shown.
void watchStartup(TForm1& window, const Diagnostics& diagnostics);

}  // namespace m8163
