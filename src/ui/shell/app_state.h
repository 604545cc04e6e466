#pragma once

#include "config/design_catalogue.h"
#include "config/profile_file.h"
#include "link/com_port_map.h"
#include "link/connection_settings.h"
#include "link/port_state.h"
#include "measure/measure_state.h"
#include "measure/trend_history.h"
#include "module/register_image.h"
#include "search/found_devices.h"
#include "search/search_settings.h"

// Everything the program keeps for the whole run, in one object that the
// window and the operations take by reference. Tests make a fresh one each.

namespace m8163 {

struct AppState {
    ConnectionSettings connection;
    ComPortMap comPorts;
    // What the last open of the port found, and what happened to the device
    // since: the connection bar's state line.
    PortState portState;
    RegisterImage image;
    MeasurementRecord measurement;
    PollingState polling;
    MeasurementLogSettings measurementLog;
    // The readings behind the first page's trend strip.
    TrendHistory trend;
    SearchSettings search;
    // What the last search found, and whether one runs now.
    FoundDevices foundDevices;
    bool searchRunning = false;
    // Set while the program itself moves values between data and controls:
    // the connection bar's and exchange page's change reactions do nothing then.
    bool refreshGuard = false;
    // The design catalogue and what the profile keeps beside the parts above.
    DesignCatalogue catalogue;
    ProfileValues profile;
    // Whether the sensor page shows settings read from the module.
    bool sensorSettingsRead = false;
};

}  // namespace m8163
