// m8163ctl: the module's jobs from a shell, for commissioning scripts and
// test rigs.

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "ctl/cli_seams.h"
#include "ctl/commands.h"
#include "ctl/options.h"

int main(int argc, char** argv) {
    using namespace m8163::ctl;
    // Blocked before anything else, so that no Ctrl+C arrives unhandled.
    StopSignals signals;
    const std::vector<std::string> args(argv + 1, argv + argc);
    Options options;
    bool general = false;
    try {
        options = parseOptions(args, general);
    } catch (const UsageError& error) {
        std::cerr << "m8163ctl: " << error.what() << "\nTry 'm8163ctl --help'." << std::endl;
        return kExitUsage;
    }
    if (options.version && !options.help) {
        std::cout << "m8163ctl " M8163_VERSION "\n";
        return kExitOk;
    }
    if (options.help) {
        std::cout << (general ? generalHelp() : commandHelp(options.command));
        return kExitOk;
    }
    try {
        return runCommand(options, signals);
    } catch (const Interrupted&) {
        std::cerr << "m8163ctl: stopped" << std::endl;
        return kExitInterrupted;
    } catch (const std::exception& error) {
        std::cerr << "m8163ctl: " << error.what() << std::endl;
        return kExitExchangeFailed;
    }
}
