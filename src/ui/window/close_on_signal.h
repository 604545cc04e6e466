#pragma once

class QWidget;

// SIGTERM, SIGINT and SIGHUP (a desktop logout, `kill`, Ctrl+C in the
// terminal that started the program) close `window` the way its close button
// does, so that its close sequence saves the settings. A modal box open at
// the time is ended (No for a question) so that nobody has to answer it; a
// further signal before the close sequence runs ends its boxes too, and one
// while the close sequence runs, or after it, ends the process at once
// without writing anything more. Install once, before the start-up sequence.
namespace m8163 {

class CommandGuard;

void closeWindowOnSignals(QWidget& window, CommandGuard& commands);

}  // namespace m8163
