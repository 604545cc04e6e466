#include "ctl/settings_commands.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <memory>
#include <set>
#include <system_error>

#include "base/number_text.h"
#include "config/ini_file.h"
#include "config/whole_file.h"
#include "ctl/commands.h"
#include "ctl/iso_time.h"
#include "ctl/settings_document.h"
#include "link/system_reason.h"
#include "module/block_operations.h"
#include "protocol/exchange_failure.h"

namespace m8163::ctl {
namespace {

constexpr std::chrono::milliseconds kInputCheck{100};
constexpr std::size_t kAnswerMaxBytes = 256;

void printLine(const std::string& text) {
    std::cout << text << std::endl;
}

void printError(const std::string& text) {
    std::cerr << "m8163ctl: " << text << std::endl;
}

std::string failureText(const ExchangeStatus& status) {
    const auto box = exchangeFailureBox(status);
    return box ? box->text : "exchange failed (result " + std::to_string(status.result) + ")";
}

std::string moduleName(int address) {
    return "module " + std::to_string(address);
}

std::string lineText(int address, int speed, Parity parity) {
    return moduleName(address) + ", " + std::to_string(speed) + ", parity " + parityName(parity);
}

std::vector<int> modulesOf(const Options& options, const ConnectionSettings& settings) {
    if (!options.settingsFile.addresses.empty())
        return options.settingsFile.addresses;
    return {settings.moduleAddress};
}

// Waits until `fd` has something to read; false when a stop signal came.
bool waitForInput(int fd, StopSignals& signals) {
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(kInputCheck.count()));
        if (ready > 0 || (ready < 0 && errno != EINTR))
            return true;
        if (signals.check())
            return false;
    }
}

// At most `limit` bytes and the end of the input; throws Interrupted.
std::string readBounded(int fd, std::size_t limit, StopSignals& signals, bool& tooLong) {
    std::string bytes;
    char buffer[4096];
    tooLong = false;
    for (;;) {
        if (!waitForInput(fd, signals))
            throw Interrupted();
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n < 0)
            throw std::system_error(errno, std::generic_category());
        if (n == 0)
            return bytes;
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > limit) {
            tooLong = true;
            return bytes;
        }
    }
}

// The document's text; throws DocumentRefused.
std::string readDocument(const std::string& name, StopSignals& signals) {
    bool tooLong = false;
    std::string text;
    if (name == "-") {
        text = readBounded(STDIN_FILENO, kSettingsFileMaxBytes, signals, tooLong);
    } else {
        // Non-blocking: a FIFO or a device under the name must not hang the run.
        const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            throw DocumentRefused(systemReason(errno));
        const std::unique_ptr<const int, void (*)(const int*)> closing(
            &fd, [](const int* open) { ::close(*open); });
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
            throw DocumentRefused("not a plain file");
        try {
            text = readBounded(fd, kSettingsFileMaxBytes, signals, tooLong);
        } catch (const std::system_error& error) {
            throw DocumentRefused(systemReason(error.code().value()));
        }
    }
    if (tooLong)
        throw DocumentRefused("larger than " + std::to_string(kSettingsFileMaxBytes / 1024) +
                              " KiB, no settings document");
    return text;
}

// Asks on the terminal; a line starting with y or Y is a yes.
bool confirmedOnTerminal(const std::string& question, StopSignals& signals) {
    std::cerr << question << " [y/N] " << std::flush;
    std::string answer;
    char c = 0;
    while (answer.size() < kAnswerMaxBytes) {
        if (!waitForInput(STDIN_FILENO, signals))
            throw Interrupted();
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || c == '\n')
            break;
        answer += c;
    }
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

std::string fileName(const std::string& pattern, int address, const RegisterImage& image) {
    const std::string factory = std::to_string(image.word(reg::kFactoryNumber1)) + "-" +
                                std::to_string(image.word(reg::kFactoryNumber2));
    std::string name;
    for (std::size_t i = 0; i < pattern.size();) {
        if (pattern.compare(i, 9, "{address}") == 0) {
            name += std::to_string(address);
            i += 9;
        } else if (pattern.compare(i, 9, "{factory}") == 0) {
            name += factory;
            i += 9;
        } else {
            name += pattern[i++];
        }
    }
    return name;
}

// The outcome of one module.
struct ModuleResult {
    int exitCode = kExitOk;
    std::string line;  // after "module N: "
};

ModuleResult saveModule(SettingsLine& access, int address, const std::string& pattern,
                        std::set<std::string>& written) {
    access.settings.moduleAddress = address;
    RegisterImage image;
    ExchangeStatus status = readExchangePage(access.line(), access.pump, image);
    if (status.ok())
        status = readSensorSettings(access.line(), access.pump, image);
    if (!status.ok())
        return {kExitExchangeFailed, "not saved: " + failureText(status)};
    const SavedLine line{address, access.settings.speed, access.settings.parity};
    const std::string document =
        settingsDocument(image, line, isoTime(std::chrono::system_clock::now()));
    if (pattern == "-") {
        std::cout << document << std::flush;
        return {kExitOk, {}};
    }
    const std::string name = fileName(pattern, address, image);
    if (!written.insert(name).second)
        return {kExitExchangeFailed, "not saved: " + name + " was written for another module"};
    try {
        writeWholeFile(name, document);
    } catch (const SettingsFileError& error) {
        return {kExitExchangeFailed, std::string("not saved: ") + error.what()};
    }
    return {kExitOk, "saved to " + name};
}

void printFrames(const RestorePlan& plan, const ConnectionSettings& settings,
                 const std::vector<int>& modules) {
    SystemClock clock;
    NoPausePump noPause;
    for (int address : modules) {
        FrameRecorderPort recorder;
        ConnectionSettings quiet = settings;
        quiet.useLogFile = 0;  // nothing goes out, so nothing is logged
        quiet.moduleAddress = address;
        const ModbusLine line{recorder, quiet, clock};
        writeSensorSettings(line, noPause, plan.image);
        if (plan.exchange)
            writeExchangeParameters(line, noPause, plan.image);
        for (const auto& frame : recorder.frames())
            printLine((modules.size() > 1 ? moduleName(address) + ": " : "") +
                      "would send: " + hexFrame(frame));
    }
}

ModuleResult restoreModule(SettingsLine& access, int address, const RestorePlan& plan, bool force) {
    access.settings.moduleAddress = address;
    if (!force) {
        RegisterImage current;
        const ExchangeStatus status = readModelCode(access.line(), access.pump, current);
        if (!status.ok())
            return {kExitExchangeFailed, "not restored: " + failureText(status)};
        const std::uint16_t model = current.word(reg::kModelCode);
        if (model != *plan.modelCode) {
            return {kExitUsage, "not restored: model code " + formatHex4(model) +
                                    ", the file's is " + formatHex4(*plan.modelCode) +
                                    " (--force restores it all the same)"};
        }
    }
    // A stop signal waits for the last write, so that no module keeps half
    // of the settings.
    SleepingPump steady;
    ExchangeStatus status = writeSensorSettings(access.line(), steady, plan.image);
    if (status.ok() && plan.exchange)
        status = writeExchangeParameters(access.line(), steady, plan.image);
    if (!status.ok())
        return {kExitExchangeFailed, "not restored: " + failureText(status)};
    std::string moved;
    if (plan.exchange) {
        // The module has switched after its reply: follow it there.
        access.settings.speed = plan.speed;
        access.settings.parity = plan.parity;
        access.settings.moduleAddress = plan.address;
        if (!access.open())
            return {kExitPortFailed, "written, but the port does not open at the new line format"};
        moved = "; now " + lineText(plan.address, plan.speed, plan.parity);
    }
    RegisterImage back;
    status = readSensorSettings(access.line(), access.pump, back);
    if (status.ok() && plan.exchange)
        status = readExchangeParameters(access.line(), access.pump, back);
    if (!status.ok())
        return {kExitExchangeFailed,
                "written" + moved + ", but not read back: " + failureText(status)};
    const std::vector<FieldDifference> differences = readBackDifferences(plan, back);
    if (differences.empty())
        return {kExitOk, "restored, read back equal" + moved};
    std::string fields;
    for (const FieldDifference& d : differences) {
        printError(moduleName(address) + ": " + d.field + ": the file has " + d.file +
                   ", the module " + d.module);
        fields += (fields.empty() ? "" : ", ") + d.field;
    }
    return {kExitExchangeFailed, "written" + moved + ", but read back differs: " + fields};
}

}  // namespace

int runSave(const Options& options, SettingsLine& access) {
    const std::vector<int> modules = modulesOf(options, access.settings);
    if (!access.open())
        return kExitPortFailed;
    std::set<std::string> written;
    int worst = kExitOk;
    for (int address : modules) {
        const ModuleResult result = saveModule(access, address, options.settingsFile.name, written);
        worst = std::max(worst, result.exitCode);
        if (!result.line.empty()) {
            // With "-" standard output holds the document alone.
            (options.settingsFile.name == "-" ? std::cerr : std::cout)
                << moduleName(address) << ": " << result.line << std::endl;
        }
    }
    return worst;
}

int runRestore(const Options& options, SettingsLine& access) {
    const SettingsFileOptions& file = options.settingsFile;
    RestorePlan plan;
    try {
        const std::string text = readDocument(file.name, access.signals);
        try {
            plan = restorePlan(readJson(text), file.exchange);
        } catch (const JsonError& error) {
            throw DocumentRefused(std::string("not a settings document: ") + error.what());
        }
        if (!plan.modelCode && !file.force)
            throw DocumentRefused(
                "identity.modelCode: missing or no model code (--force "
                "restores without comparing it)");
    } catch (const DocumentRefused& refused) {
        printError(file.name + ": " + refused.what() + "; nothing sent");
        return kExitUsage;
    }
    const std::vector<int> modules = modulesOf(options, access.settings);
    if (std::find(modules.begin(), modules.end(), 0) != modules.end()) {
        printError("module number 0 is the broadcast address; give --address");
        return kExitUsage;
    }
    if (options.dryRun) {
        printFrames(plan, access.settings, modules);
        return kExitOk;
    }
    if (plan.exchange && !file.yes && ::isatty(STDIN_FILENO) &&
        !confirmedOnTerminal(moduleName(modules.front()) + " will answer as " +
                                 lineText(plan.address, plan.speed, plan.parity) + ". Go on?",
                             access.signals)) {
        printError("nothing sent");
        return kExitUsage;
    }
    if (!access.open())
        return kExitPortFailed;
    int worst = kExitOk;
    for (int address : modules) {
        const ModuleResult result = restoreModule(access, address, plan, file.force);
        worst = std::max(worst, result.exitCode);
        printLine(moduleName(address) + ": " + result.line);
        if (result.exitCode == kExitPortFailed)
            break;
    }
    return worst;
}

}  // namespace m8163::ctl
