#pragma once

#include <QString>
#include <utility>
#include <vector>

namespace m8163 {

class TForm1;

// Start-up measurement and screenshots, asked for through the environment;
// the program's normal run uses neither.
//   M8163_STARTUP_PROBE=<file>: when the window's first paint is on the
//     screen, append the CLOCK_MONOTONIC nanoseconds of each start-up phase
//     ("main_ns 123", ...) and then "first_paint_ns <ns>" to the file, and quit.
//   M8163_SCREENSHOT=<file.png>: when the window's first paint is on the
//     screen, save the window as PNG and quit; a "{page}" in the name saves
//     each notebook page, with its index in place of "{page}".
//   M8163_DEMO=<file{page}.png>: the scripted demonstration of app/demo.h.
//   M8163_GEOMETRY=<file>: when the window's first paint is on the screen,
//     write where its buttons and notebook tabs are, one "name x y width
//     height" line each in screen pixels, and go on running: for tools and
//     tests that drive the real window with the X server's pointer.
struct Diagnostics {
    QString probeFile;
    QString screenshotFile;
    QString demoFile;
    QString geometryFile;
    std::vector<std::pair<const char*, long long>> phases;

    // Notes the time a start-up phase ends, when the probe is asked for.
    void mark(const char* phase);
    bool demo() const { return !demoFile.isEmpty(); }
};

Diagnostics diagnosticsFromEnvironment();

// Arms what `diagnostics` asks for; call before the event loop runs.
void watchStartup(TForm1& window, const Diagnostics& diagnostics);

}  // namespace m8163
