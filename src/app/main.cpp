// The program: one window over the process-wide state and the serial port.
#include <QApplication>
#include <QMessageBox>
#include <exception>
#include <memory>
#include <optional>

#include "app/command_line.h"
#include "app/demo.h"
#include "app/diagnostics.h"
#include "link/device_port.h"
#include "ui/shell/app_state.h"
#include "ui/shell/translation.h"
#include "ui/shell/window_style.h"
#include "ui/window/application_identity.h"
#include "ui/window/program_window.h"
#include "ui/window/startup.h"

int main(int argc, char** argv) {
    // Before anything that could open a window or write a file.
    if (const std::optional<int> ended = m8163::answerCommandLine({argv + 1, argv + argc}))
        return *ended;
    m8163::Diagnostics diagnostics = m8163::diagnosticsFromEnvironment();
    diagnostics.mark("main");
    std::optional<m8163::DisplayOpening> opening(std::in_place);
    QApplication app(argc, argv);
    opening.reset();
    diagnostics.mark("application");
    try {
        // Before the window: its X11 class and app id come from these.
        m8163::setApplicationIdentity();
        m8163::installWindowStyle();
        // Standard buttons and dialogs in Russian, as the rest of the window.
        m8163::installRussianQtTexts(app);

        m8163::AppState state;
        m8163::DevicePort port;
        // The window wires its pages and its close sequence itself; the tests
        // make it with the same function.
        m8163::PrintedBoxes demoBoxes;
        const std::unique_ptr<m8163::TForm1> made = m8163::makeProgramWindow(
            state, port,
            diagnostics.demo() ? m8163::WindowSeams{&demoBoxes} : m8163::WindowSeams{});
        m8163::TForm1& window = *made;
        diagnostics.mark("window");
        // A settings file refused at start-up has had its box: the window,
        // half built, is never shown, and no close sequence writes a file.
        if (!m8163::runStartupSequence(window))
            return 1;
        // Closed by a signal during a start-up box: the close has run.
        if (window.closed())
            return 0;
        diagnostics.mark("startup");
        window.showCentred();
        diagnostics.mark("show");
        // Armed after show(): the first paint comes from the event loop.
        m8163::watchStartup(window, diagnostics);
        return QApplication::exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QStringLiteral("8163"), QString::fromUtf8(error.what()));
    }
    return 0;
}
