#include "ctl/options.h"

#include <algorithm>
#include <map>
#include <set>

#include "base/number_text.h"
#include "ctl/settings_options.h"
#include "link/line_format.h"
#include "module/field_rules.h"
#include "search/search_settings.h"

namespace m8163::ctl {
namespace {

constexpr std::uint32_t kMaxIntervalMs = 24 * 60 * 60 * 1000;
constexpr int kMaxTimeoutMs = 60000;

struct RawOption {
    std::string name;  // with the dashes
    std::string value;
    bool afterCommand = false;
};

const std::set<std::string> kFlags = {"--help",  "-h",         "--version", "--json",
                                      "--csv",   "--dry-run",  "--trace",   "-v",
                                      "--force", "--exchange", "--yes"};
const std::set<std::string> kLineOptions = {"--device",  "--com",     "--speed",       "--parity",
                                            "--address", "--timeout", "--line-options"};
const std::map<Command, std::set<std::string>> kCommandOptions = {
    {Command::Poll, {"--interval", "--count"}},
    {Command::SensorSet, {"--averaging", "--offset", "--adjustment", "--text"}},
    {Command::ExchangeSet, {"--speed", "--parity", "--address"}},
    {Command::Scan, {"--speeds", "--parities", "--from", "--to"}},
    {Command::Save, {"--address"}},
    {Command::Restore, {"--address"}},
};

const char* commandName(Command command) {
    switch (command) {
        case Command::Read:
            return "read";
        case Command::Poll:
            return "poll";
        case Command::Identity:
            return "identity";
        case Command::Sensor:
            return "sensor";
        case Command::SensorSet:
            return "sensor set";
        case Command::ExchangeSet:
            return "exchange set";
        case Command::Blink:
            return "blink";
        case Command::Scan:
            return "scan";
        case Command::Save:
            return "save";
        case Command::Restore:
            return "restore";
    }
    return "";
}

[[noreturn]] void refuse(const std::string& option, const std::string& value,
                         const std::string& why) {
    throw UsageError(option + " '" + value + "': " + why);
}

int wholeNumber(const RawOption& o, long low, long high) {
    auto value = readWholeNumber(o.value);
    if (!value || *value < low || *value > high) {
        refuse(o.name, o.value,
               "expected a whole number " + std::to_string(low) + " ... " + std::to_string(high));
    }
    return *value;
}

int speedValue(const RawOption& o, const std::string& text) {
    auto value = readWholeNumber(text);
    const LineFormat* format = value ? lineFormatByBitRate(*value) : nullptr;
    if (format == nullptr) {
        std::string listed;
        for (const LineFormat& f : kLineFormats)
            listed += (listed.empty() ? "" : ", ") + std::to_string(f.bitRate);
        refuse(o.name, text, "expected one of " + listed);
    }
    return format->bitRate;
}

Parity parityValue(const RawOption& o, const std::string& text) {
    for (Parity parity : {Parity::None, Parity::Odd, Parity::Even}) {
        if (text == parityName(parity))
            return parity;
    }
    refuse(o.name, text, "expected none, odd or even");
}

std::vector<std::string> listItems(const std::string& text) {
    std::vector<std::string> items;
    std::size_t from = 0;
    for (;;) {
        std::size_t comma = text.find(',', from);
        items.push_back(text.substr(from, comma - from));
        if (comma == std::string::npos)
            return items;
        from = comma + 1;
    }
}

float realValue(const RawOption& o, std::string_view refusal) {
    auto value = readRealWhole(o.value);
    if (!value)
        refuse(o.name, o.value, std::string(refusal));
    return *value;
}

void takeLineOption(const RawOption& o, LineOptions& line) {
    if (o.name == "--device") {
        if (o.value.empty())
            refuse(o.name, o.value, "expected a device path or URL");
        line.device = o.value;
    } else if (o.name == "--com") {
        line.com = wholeNumber(o, 1, 8);
    } else if (o.name == "--speed") {
        line.speed = speedValue(o, o.value);
    } else if (o.name == "--parity") {
        line.parity = parityValue(o, o.value);
    } else if (o.name == "--address") {
        line.address = wholeNumber(o, 0, kLastModuleNumber);
    } else if (o.name == "--timeout") {
        line.timeoutMs = wholeNumber(o, 0, kMaxTimeoutMs);
    } else if (o.name == "--line-options") {
        line.portOptions = o.value;
    }
}

void takeCommandOption(const RawOption& o, Options& options, bool& speedsGiven,
                       bool& paritiesGiven) {
    if (o.name == "--address" && isSettingsFileCommand(options.command)) {
        takeSettingsAddresses(o.name, o.value, options.settingsFile);
    } else if (o.name == "--interval") {
        options.interval = std::chrono::milliseconds(wholeNumber(o, 0, kMaxIntervalMs));
    } else if (o.name == "--count") {
        options.count = static_cast<std::uint32_t>(wholeNumber(o, 1, 0x7FFFFFFF));
    } else if (o.name == "--averaging") {
        auto count = readWholeNumber(o.value);
        auto code = count ? averagingCode(*count) : std::nullopt;
        if (!code) {
            std::string listed;
            for (int c : kAveragingCounts)
                listed += (listed.empty() ? "" : ", ") + std::to_string(c);
            refuse(o.name, o.value, "expected one of " + listed);
        }
        options.sensor.averagingCode = *code;
    } else if (o.name == "--offset") {
        options.sensor.offset = realValue(o, kOffsetRefused);
    } else if (o.name == "--adjustment") {
        options.sensor.adjustment = realValue(o, kAdjustmentRefused);
    } else if (o.name == "--text") {
        if (!userTextFits(o.value)) {
            refuse(o.name, o.value,
                   "at most " + std::to_string(kUserTextCharacters) +
                       " characters, each with a Windows-1251 form");
        }
        options.sensor.userText = o.value;
    } else if (o.name == "--speed") {
        options.exchange.speed = speedValue(o, o.value);
    } else if (o.name == "--parity") {
        options.exchange.parity = parityValue(o, o.value);
    } else if (o.name == "--address") {
        // 0 is the broadcast address, which the module refuses to take.
        options.exchange.address = wholeNumber(o, 1, kLastModuleNumber);
    } else if (o.name == "--speeds") {
        for (const std::string& item : listItems(o.value)) {
            const int rate = speedValue(o, item);
            options.plan.speeds[static_cast<std::size_t>(lineFormatByBitRate(rate)->listIndex)] =
                true;
        }
        speedsGiven = true;
    } else if (o.name == "--parities") {
        for (const std::string& item : listItems(o.value))
            options.plan.parities[static_cast<std::size_t>(parityValue(o, item))] = true;
        paritiesGiven = true;
    } else if (o.name == "--from") {
        options.plan.firstAddress = static_cast<unsigned>(wholeNumber(o, 0, kLastModuleNumber));
    } else if (o.name == "--to") {
        options.plan.lastAddress = static_cast<unsigned>(wholeNumber(o, 0, kLastModuleNumber));
    }
}

// Whether some subcommand or the line knows `name` as an option with a value.
bool takesValue(const std::string& name) {
    if (kLineOptions.count(name) != 0)
        return true;
    return std::any_of(kCommandOptions.begin(), kCommandOptions.end(),
                       [&name](const auto& command) { return command.second.count(name) != 0; });
}

// Splits the arguments into options and the words of the subcommand.
void splitArguments(const std::vector<std::string>& args, std::vector<RawOption>& raw,
                    std::vector<std::string>& words) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-') {
            words.push_back(arg);
            continue;
        }
        RawOption o;
        o.name = arg;
        o.afterCommand = !words.empty();
        const std::size_t eq = arg.find('=');
        const bool inlineValue = eq != std::string::npos;
        if (inlineValue) {
            o.name = arg.substr(0, eq);
            o.value = arg.substr(eq + 1);
        }
        if (kFlags.count(o.name) != 0) {
            if (inlineValue)
                throw UsageError(o.name + " takes no value");
        } else if (!takesValue(o.name)) {
            throw UsageError("unknown option " + o.name);
        } else if (!inlineValue) {
            if (i + 1 >= args.size())
                throw UsageError(o.name + " needs a value");
            o.value = args[++i];
        }
        raw.push_back(o);
    }
}

Command commandFromWords(const std::vector<std::string>& words) {
    const std::string& first = words[0];
    const std::string second = words.size() > 1 ? words[1] : "";
    std::size_t used = 1;
    Command command;
    if (first == "read") {
        command = Command::Read;
    } else if (first == "poll") {
        command = Command::Poll;
    } else if (first == "identity") {
        command = Command::Identity;
    } else if (first == "sensor") {
        command = second == "set" ? Command::SensorSet : Command::Sensor;
        used = second == "set" ? 2 : 1;
    } else if (first == "exchange" && second == "set") {
        command = Command::ExchangeSet;
        used = 2;
    } else if (first == "blink") {
        command = Command::Blink;
    } else if (first == "scan") {
        command = Command::Scan;
    } else if (first == "save" || first == "restore") {
        command = first == "save" ? Command::Save : Command::Restore;
        used = std::min<std::size_t>(words.size(), 2);  // and the FILE
    } else {
        throw UsageError("unknown subcommand '" + first + "'");
    }
    if (words.size() > used)
        throw UsageError("unexpected argument '" + words[used] + "'");
    return command;
}

}  // namespace

std::string parityName(int code) {
    return parityName(parityFromCode(code));
}

std::string parityName(Parity parity) {
    switch (parity) {
        case Parity::Odd:
            return "odd";
        case Parity::Even:
            return "even";
        case Parity::None:
            break;
    }
    return "none";
}

Options parseOptions(const std::vector<std::string>& args, bool& general) {
    std::vector<RawOption> raw;
    std::vector<std::string> words;
    splitArguments(args, raw, words);

    Options options;
    general = false;
    // The window's range until the user picks one.
    const SearchSettings searchDefaults;
    options.plan.firstAddress = static_cast<unsigned>(searchDefaults.firstAddress);
    options.plan.lastAddress = static_cast<unsigned>(searchDefaults.lastAddress);
    for (const RawOption& o : raw) {
        if (o.name == "--help" || o.name == "-h")
            options.help = true;
        else if (o.name == "--version")
            options.version = true;
    }
    if (options.version && !options.help)
        return options;
    if (words.empty()) {
        if (options.help) {
            general = true;
            return options;
        }
        throw UsageError("no subcommand given");
    }
    options.command = commandFromWords(words);
    if (isSettingsFileCommand(options.command) && words.size() > 1)
        options.settingsFile.name = words[1];
    if (options.help)
        return options;

    const auto own = kCommandOptions.find(options.command);
    bool speedsGiven = false;
    bool paritiesGiven = false;
    std::set<std::string> exchangeGiven;
    bool json = false;
    bool csv = false;
    for (const RawOption& o : raw) {
        const bool isOwn = own != kCommandOptions.end() && own->second.count(o.name) != 0;
        // After "exchange set" the line's own names give the new parameters.
        const bool ownFirst = isOwn && (options.command != Command::ExchangeSet || o.afterCommand);
        if (o.name == "--json") {
            json = true;
        } else if (o.name == "--csv") {
            csv = true;
        } else if (o.name == "--dry-run") {
            options.dryRun = true;
        } else if (o.name == "--trace" || o.name == "-v") {
            options.trace = true;
        } else if (o.name == "--exchange" || o.name == "--force" || o.name == "--yes") {
            bool& flag = o.name == "--exchange" ? options.settingsFile.exchange
                         : o.name == "--force"  ? options.settingsFile.force
                                                : options.settingsFile.yes;
            flag = true;
        } else if (ownFirst) {
            takeCommandOption(o, options, speedsGiven, paritiesGiven);
            if (options.command == Command::ExchangeSet)
                exchangeGiven.insert(o.name);
        } else if (kLineOptions.count(o.name) != 0) {
            takeLineOption(o, options.line);
        } else {
            throw UsageError("option " + o.name + " does not apply to " +
                             commandName(options.command));
        }
    }

    if (json && csv)
        throw UsageError("--json and --csv exclude each other");
    const bool table = options.command == Command::Read || options.command == Command::Poll ||
                       options.command == Command::Scan;
    if (csv && !table)
        throw UsageError(std::string("--csv does not apply to ") + commandName(options.command));
    options.format = json ? OutputFormat::Json : csv ? OutputFormat::Csv : OutputFormat::Text;

    const bool writes = options.command == Command::SensorSet ||
                        options.command == Command::ExchangeSet ||
                        options.command == Command::Blink || options.command == Command::Restore;
    if (options.dryRun && !writes) {
        throw UsageError(std::string("--dry-run does not apply to ") +
                         commandName(options.command));
    }
    checkSettingsFileOptions(options, json);
    if (options.command == Command::ExchangeSet && exchangeGiven.size() != 3)
        throw UsageError("exchange set needs --speed, --parity and --address");
    if (options.command == Command::SensorSet) {
        const SensorChanges& s = options.sensor;
        if (!s.averagingCode && !s.offset && !s.adjustment && !s.userText) {
            throw UsageError(
                "sensor set needs at least one of --averaging, --offset, --adjustment, --text");
        }
    }
    if (options.command == Command::Scan) {
        if (!speedsGiven)
            options.plan.speeds = {};
        if (!paritiesGiven)
            options.plan.parities = {};
        completeSearchPlan(options.plan);
    }
    return options;
}

}  // namespace m8163::ctl
