#pragma once

class QWidget;

// SIGTERM, SIGINT and SIGHUP (a desktop logout, `kill`, Ctrl+C in the
// terminal that started the program) close `window` the way its close button
// does, so that its close sequence saves the settings. A modal box open at
// the time is dismissed (No for a question) so that nobody has to answer it;
// further signals while the close runs dismiss its boxes too and never end
// the process on their own. Install once, before the start-up sequence: a
// signal during one of its boxes closes the window as soon as it shows.
namespace m8163 {

void closeWindowOnSignals(QWidget& window);

}  // namespace m8163
