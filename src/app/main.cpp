// The program: one window over the process-wide state and the serial port.
#include <QApplication>
#include <QMessageBox>
#include <exception>

#include "app/demo.h"
#include "app/diagnostics.h"
#include "link/device_port.h"
#include "ui/app_state.h"
#include "ui/application_identity.h"
#include "ui/close_on_signal.h"
#include "ui/main_window.h"
#include "ui/startup.h"
#include "ui/translation.h"
#include "ui/window_style.h"

int main(int argc, char** argv) {
    m8163::Diagnostics diagnostics = m8163::diagnosticsFromEnvironment();
    diagnostics.mark("main");
    QApplication app(argc, argv);
    diagnostics.mark("application");
    try {
        // Before the window: its X11 class and app id come from these.
        m8163::setApplicationIdentity();
        m8163::installWindowStyle();
        // Standard buttons and dialogs in Russian, as the rest of the window.
        m8163::installRussianQtTexts(app);

        m8163::AppState state;
        m8163::DevicePort port;
        // The window wires its pages, decimal keys and close sequence itself;
        // the tests build it the same way.
        m8163::PrintedBoxes demoBoxes;
        m8163::TForm1 window(
            state, port,
            diagnostics.demo() ? m8163::WindowSeams{&demoBoxes} : m8163::WindowSeams{});
        diagnostics.mark("window");
        m8163::closeWindowOnSignals(window);
        // A settings file refused at start-up has had its box: the window,
        // half built, is never shown, and no close sequence writes a file.
        if (!m8163::runStartupSequence(window))
            return 1;
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
