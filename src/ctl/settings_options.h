#pragma once

#include <string>

#include "ctl/options.h"

// The command line of save and restore, beside the other subcommands'.

namespace m8163::ctl {

bool isSettingsFileCommand(Command command);

// --address of save and restore: a list of module numbers 1 ... 247.
// Throws UsageError.
void takeSettingsAddresses(const std::string& option, const std::string& value,
                           SettingsFileOptions& file);

// The checks of a parsed save or restore command line; throws UsageError.
void checkSettingsFileOptions(const Options& options, bool json);

}  // namespace m8163::ctl
