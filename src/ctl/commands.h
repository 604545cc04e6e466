#pragma once

#include "ctl/cli_seams.h"
#include "ctl/options.h"

namespace m8163::ctl {

enum ExitCode : int {
    kExitOk = 0,
    kExitExchangeFailed = 1,
    kExitUsage = 2,
    kExitPortFailed = 3,
    kExitInterrupted = 130,
};

// Runs a parsed command against the line that dev.dat in the working folder
// and the line options name; returns the exit code. Throws Interrupted when
// a stop signal cuts a wait short.
int runCommand(const Options& options, StopSignals& signals);

}  // namespace m8163::ctl
