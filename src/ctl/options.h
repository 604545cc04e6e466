#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "search/search_run.h"

// The command line of m8163ctl: the subcommand, the line to use, the output
// form and each subcommand's own values, all checked before the line is
// touched.

namespace m8163::ctl {

enum class Command {
    Read,
    Poll,
    Identity,
    Sensor,
    SensorSet,
    ExchangeSet,
    Blink,
    Scan,
    Save,
    Restore
};

enum class OutputFormat { Text, Json, Csv };

// Overrides of the settings that dev.dat (or a first start) gives.
struct LineOptions {
    std::optional<std::string> device;
    std::optional<int> com;
    std::optional<int> speed;  // bit/s, a listed speed
    std::optional<Parity> parity;
    std::optional<int> address;
    std::optional<int> timeoutMs;
    // Adapter options (port_options.h) for the port in use, as written.
    std::optional<std::string> portOptions;
};

struct SensorChanges {
    std::optional<std::uint16_t> averagingCode;
    std::optional<float> offset;
    std::optional<float> adjustment;
    std::optional<std::string> userText;  // UTF-8, fits the 16 characters
};

struct ExchangeChanges {
    int speed = 0;  // bit/s
    Parity parity = Parity::None;
    int address = 0;
};

// save FILE and restore FILE.
struct SettingsFileOptions {
    std::string name;            // "-" for standard output; save: may hold {address}, {factory}
    std::vector<int> addresses;  // --address 1,3,5-9; empty: the line's module
    bool exchange = false;       // restore speed, parity and network number too
    bool force = false;          // restore onto another model code
    bool yes = false;            // no question on a terminal
};

struct Options {
    Command command = Command::Read;
    LineOptions line;
    OutputFormat format = OutputFormat::Text;
    bool dryRun = false;
    bool trace = false;    // -v, --trace: every frame decoded on stderr
    bool help = false;     // print helpText(command) and end
    bool version = false;  // print the version and end
    std::chrono::milliseconds interval{1000};
    std::optional<std::uint32_t> count;
    SensorChanges sensor;
    ExchangeChanges exchange;
    SearchPlan plan;                   // completed
    SettingsFileOptions settingsFile;  // save and restore
};

// A command line that cannot be run; what() says why.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Parses the arguments after the program name. No subcommand with --help
// gives help for the whole program (command Read, help set, `general`).
Options parseOptions(const std::vector<std::string>& args, bool& general);

std::string generalHelp();
std::string commandHelp(Command command);

// "none", "odd", "even" for a parity code.
std::string parityName(int code);
std::string parityName(Parity parity);

}  // namespace m8163::ctl
