#pragma once

#include <functional>

#include "base/clock.h"
#include "base/event_pump.h"
#include "ctl/cli_seams.h"
#include "ctl/options.h"
#include "link/connection_settings.h"
#include "protocol/transactions.h"

// m8163ctl save and restore: a module's settings kept in a file and put on
// the same module or another one, checked by reading them back.

namespace m8163::ctl {

// What the two commands need of the run's line.
struct SettingsLine {
    ConnectionSettings& settings;  // the module number and line format in use
    // Opens the port anew at `settings`; false when it cannot (said so).
    std::function<bool()> open;
    std::function<ModbusLine()> line;
    EventPump& pump;  // pauses before reads; a stop signal ends them
    StopSignals& signals;
};

// save FILE: for each module, the exchange page's and the sensor page's reads,
// then the document written through a temporary file ("-": standard
// output). A line per module on standard output; exit 1 when any failed.
int runSave(const Options& options, SettingsLine& access);

// restore FILE: the file checked before anything is sent (exit 2), then for
// each module the model code compared, the sensor page's write sequence
// (and with --exchange the exchange page's, following the module), and
// everything read back and compared. A line per module; the highest exit code
// of them (1 failed or differs, 2 another model).
int runRestore(const Options& options, SettingsLine& access);

}  // namespace m8163::ctl
