#include "ui/window/startup.h"

#include <QLocale>
#include <clocale>

#include "config/connection_file.h"
#include "config/ini_file.h"
#include "config/profile_file.h"
#include "config/settings_paths.h"
#include "link/port_open.h"
#include "ui/bar/connection_bar.h"
#include "ui/exchange/exchange_page.h"
#include "ui/measure/measure_page.h"
#include "ui/search/search_page.h"
#include "ui/shell/command_guard.h"
#include "ui/shell/log_switch.h"
#include "ui/window/main_window.h"
#include "ui/window/window_init.h"

namespace m8163 {

namespace {

std::string connectionPath() {
    return settingsFilePath(currentFolder(), kConnectionFileName);
}

// Computed anew each time: a change of working folder moves the profile.
std::string recentProfilePath() {
    return settingsFilePath(currentFolder(), kProfileFileName);
}

std::string cataloguePath() {
    return settingsFilePath(currentFolder(), kCatalogueFileName);
}

ProfileParts profileParts(TForm1& window) {
    AppState& state = window.state();
    return {state.image, state.measurementLog, state.search, state.profile, window};
}

std::vector<std::string> tableEntries(const CatalogueTable& table) {
    return {table.entries.begin(),
            table.entries.begin() + static_cast<std::ptrdiff_t>(table.size())};
}

// The stored indexes are compared unsigned: a negative one names no entry.
CatalogueLists catalogueLists(const AppState& state) {
    const CatalogueSelection& chosen = state.profile.catalogueSelection;
    return {
        tableEntries(state.catalogue.designTypes),    tableEntries(state.catalogue.mountingLengths),
        tableEntries(state.catalogue.caseTypes),      static_cast<unsigned>(chosen.designType),
        static_cast<unsigned>(chosen.mountingLength), static_cast<unsigned>(chosen.caseType)};
}

void startup(TForm1& window, LineLease& line) {
    AppState& state = window.state();
    // A settings file that will be refused refuses the start before any of
    // the three is written.
    for (const std::string& path : {connectionPath(), recentProfilePath(), cataloguePath()})
        checkSettingsFile(path);
    loadConnectionSettings(connectionPath(), state.connection, state.comPorts, window.boxes());
    loadProfile(recentProfilePath(), cataloguePath(), profileParts(window), state.catalogue);
    // A log whose file would block or is no file is off from the start.
    state.connection.useLogFile =
        checkedLogSwitch(state.connection.useLogFile, state.connection.logFileName,
                         LogKind::Exchange, window.boxes());
    state.measurementLog.writeFile =
        checkedLogSwitch(state.measurementLog.writeFile, state.measurementLog.fileName,
                         LogKind::Measurement, window.boxes());
    state.refreshGuard = false;
    // Reals are read and written with "." whatever the user's locale says.
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
    initialiseWindowContents(window, catalogueLists(state));
    window.searchPage().clearFoundDevices();
    window.searchPage().lockSearch(false);
    window.exchangePage().refresh();
    window.connectionBar().refresh();

    SerialPort& port = line.port();
    window.connectionBar().reopenPort(port);
    // A port that opens later by itself (a busy or missing device tried
    // again) gets the control lines start-up sets.
    if (port.isOpen() || port.retrying()) {
        port.clearRtsSetDtr();
    }
    window.measurePage().resetForStartup();
    state.sensorSettingsRead = false;
}

void close(TForm1& window, LineLease& line) {
    AppState& state = window.state();
    // No tick may read the closed port while a box of this sequence is open.
    window.measurePage().stopForClose();
    closePort(line.port());
    window.connectionBar().applyControls();
    window.exchangePage().takeOver();
    saveConnectionSettings(connectionPath(), state.connection, state.comPorts);
    window.searchPage().takeOver();
    saveProfile(recentProfilePath(), profileParts(window));
}

}  // namespace

bool runStartupSequence(TForm1& window) {
    // Held like a command: nothing else reaches the port while a box of the
    // sequence is open. A close asked for meanwhile runs right after a
    // start-up that succeeded, and never after one that failed.
    return window.commands().runStartup([&](LineLease& line) {
        try {
            startup(window, line);
            return true;
        } catch (const std::exception& error) {
            window.boxes().show(errorBox(error));
            return false;
        }
    });
}

void runCloseSequence(TForm1& window, LineLease& line) {
    try {
        close(window, line);
    } catch (const std::exception& error) {
        window.boxes().show(errorBox(error));
    }
}

}  // namespace m8163
