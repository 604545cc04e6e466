#pragma once

#include <string>
#include <vector>

#include "base/message_boxes.h"
#include "link/com_port_map.h"
#include "link/connection_settings.h"

// dev.dat: how the program reaches the module. Loaded once at start-up,
// saved once at close.
//
// [COM_SETTINGS] Number, Settings ("19200,N,8,1": speed and parity letter),
// [DEVICE] NetAdrr, [SETTINGS] TimeOut, [LOG] UseLogFile, LogFileName, and
// [COM_PORTS] COM1 ... COM8: the device path behind each port number, and
// [COM_OPTIONS] COM1 ... COM8: the options of the adapter there (a list of
// words, port_options.h; read only where present, never added), and
// [COM_NETWORK] COM1 ... COM8: the network allowance in ms of a port that is
// a device server (read likewise).

namespace m8163 {

// Creates the file with its defaults when it is missing, fills `settings`
// and `ports`, writes every key back so that the file holds them all, and
// then warns through `boxes` about words of the port options it did not
// understand (and ignored), a port number above 17 and a time-out above
// 4000 ms. Throws SettingsFileError when the file cannot be read or
// written; the values read stay in force.
void loadConnectionSettings(const std::string& path, ConnectionSettings& settings,
                            ComPortMap& ports, MessageBoxes& boxes);

// The same reading without touching the disk and without the warnings: a
// missing file gives the settings of a first start (COM1, 19200, no parity,
// module 1, 2000 ms). For tools that only borrow the window's settings.
// Returns a line for each word of the port options not understood.
// Throws SettingsFileError when the file exists but cannot be read.
std::vector<std::string> readConnectionSettings(const std::string& path,
                                                ConnectionSettings& settings, ComPortMap& ports);

// Writes port number, speed and parity, module address, time-out, the
// exchange-log switch and the device behind each port number. The
// exchange-log file name is written only when the file has to be created: a
// name edited by hand stays. Throws SettingsFileError.
void saveConnectionSettings(const std::string& path, const ConnectionSettings& settings,
                            const ComPortMap& ports);

// The Settings text a save writes: "9600,E,8,2".
std::string lineSettingsText(const ConnectionSettings& settings);

}  // namespace m8163
