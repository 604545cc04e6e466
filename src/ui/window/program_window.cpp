#include "ui/window/program_window.h"

#include "ui/window/close_on_signal.h"

namespace m8163 {

std::unique_ptr<TForm1> makeProgramWindow(AppState& state, SerialPort& port, WindowSeams seams) {
    auto window = std::make_unique<TForm1>(state, port, seams);
    // Before the start-up sequence: a signal during one of its boxes ends
    // the box, and the close follows start-up.
    closeWindowOnSignals(*window, window->commands());
    return window;
}

}  // namespace m8163
