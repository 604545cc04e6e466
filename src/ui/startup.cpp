#include "ui/startup.h"

#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <clocale>

#include "config/connection_file.h"
#include "config/profile_file.h"
#include "config/settings_paths.h"
#include "link/port_open.h"
#include "ui/main_window.h"
#include "ui/page_takeover.h"
#include "ui/window_init.h"

namespace m8163 {

namespace {

std::string connectionPath() {
    return settingsFilePath(currentFolder(), kConnectionFileName);
}

// Computed anew each time: a change of working folder moves the profile.
std::string recentProfilePath() {
    return settingsFilePath(currentFolder(), kProfileFileName);
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

// The controls that a search disables and enables again at its end.
void enableSearchControls(TForm1& window) {
    for (const char* name :
         {"ComboBox1",  "ComboBox2",  "ComboBox3",  "CheckBox1",  "CheckBox2",  "Button2",
          "Button15",   "CheckBox9",  "CheckBox10", "CheckBox11", "CheckBox12", "CheckBox13",
          "CheckBox14", "CheckBox15", "CheckBox16", "CheckBox17", "CheckBox18", "CheckBox19",
          "ComboBox12", "ComboBox13", "Button33"}) {
        window.control<QWidget>(name).setEnabled(true);
    }
}

void startPollingOff(TForm1& window) {
    AppState& state = window.state();
    state.polling = PollingState{};
    window.control<QPushButton>("Button18").setEnabled(true);
    window.control<QPushButton>("Button19").setEnabled(false);
    for (const char* counter : {"Label54", "Label55", "Label56"}) {
        window.control<QLabel>(counter).setText(QStringLiteral("0"));
    }
}

void startup(TForm1& window) {
    AppState& state = window.state();
    loadConnectionSettings(connectionPath(), state.connection, state.comPorts, window.boxes());
    loadProfile(recentProfilePath(), settingsFilePath(currentFolder(), kCatalogueFileName),
                profileParts(window), state.catalogue);
    state.refreshGuard = false;
    // Reals are read and written with "." whatever the user's locale says.
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
    initialiseWindowContents(window, catalogueLists(state));
    enableSearchControls(window);

    const ConnectionSettings& line = state.connection;
    openPort(window.port(), state.comPorts, line.portNumber, line.speed, 8, line.parity,
             line.stopBits, line.timeoutMs, window.boxes());
    if (window.port().isOpen()) {
        window.port().clearRtsSetDtr();
    }
    startPollingOff(window);
    state.sensorSettingsRead = false;
}

void close(TForm1& window) {
    AppState& state = window.state();
    closePort(window.port());
    takeOverExchangePage(window, state, window.boxes());
    saveConnectionSettings(connectionPath(), state.connection);
    saveProfile(recentProfilePath(), profileParts(window));
}

}  // namespace

MessageBox errorBox(const std::exception& error) {
    return {error.what(), "8163", BoxIcon::Error, BoxButtons::Ok, {}};
}

void runStartupSequence(TForm1& window) {
    try {
        startup(window);
    } catch (const std::exception& error) {
        window.boxes().show(errorBox(error));
    }
}

void runCloseSequence(TForm1& window) {
    try {
        close(window);
    } catch (const std::exception& error) {
        window.boxes().show(errorBox(error));
    }
}

}  // namespace m8163
