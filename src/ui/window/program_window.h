#pragma once

#include <memory>

#include "ui/window/main_window.h"

// The one way the program's window is made: main() calls it, and so do the
// tests that try the window as the program runs it.

namespace m8163 {

class SerialPort;
struct AppState;

// The window over `state` and `port` with its pages wired, closing by its
// close sequence on SIGTERM, SIGINT and SIGHUP. The start-up sequence is the
// caller's next step (runStartupSequence), so that a caller can tell a
// refused settings file from a window that could not be made.
std::unique_ptr<TForm1> makeProgramWindow(AppState& state, SerialPort& port,
                                          WindowSeams seams = {});

}  // namespace m8163
