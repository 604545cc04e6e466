#include "ctl/settings_options.h"

#include "ctl/address_list.h"
#include "module/field_rules.h"

namespace m8163::ctl {

bool isSettingsFileCommand(Command command) {
    return command == Command::Save || command == Command::Restore;
}

void takeSettingsAddresses(const std::string& option, const std::string& value,
                           SettingsFileOptions& file) {
    // 0 is the broadcast address: nothing answers it, and a restore would
    // reach every module on the line.
    const auto list = readAddressList(value, 1, kLastModuleNumber);
    if (!list) {
        throw UsageError(option + " '" + value +
                         "': expected module numbers 1 ... 247, as a list like 1,3,5-9");
    }
    file.addresses = *list;
}

void checkSettingsFileOptions(const Options& options, bool json) {
    const SettingsFileOptions& file = options.settingsFile;
    const bool restore = options.command == Command::Restore;
    const std::string command = restore ? "restore" : "save";
    if (!isSettingsFileCommand(options.command)) {
        if (file.exchange || file.force || file.yes)
            throw UsageError("--exchange, --force and --yes apply to restore only");
        return;
    }
    if (file.name.empty())
        throw UsageError(command + " needs a FILE (- for " +
                         (restore ? "standard input)" : "standard output)"));
    if (json)
        throw UsageError("--json does not apply to " + command + ": the file is JSON");
    if (!restore && (file.exchange || file.force || file.yes))
        throw UsageError("--exchange, --force and --yes apply to restore only");
    const bool several = file.addresses.size() > 1;
    if (!restore && several) {
        if (file.name == "-")
            throw UsageError("save to - takes one module; give a FILE with {address}");
        if (file.name.find("{address}") == std::string::npos &&
            file.name.find("{factory}") == std::string::npos) {
            throw UsageError(
                "save of several modules needs {address} or {factory} in FILE, "
                "or the files would replace each other");
        }
    }
    // One file gives every module the same network number.
    if (restore && several && file.exchange)
        throw UsageError("restore --exchange takes one module: the file holds one network number");
}

}  // namespace m8163::ctl
