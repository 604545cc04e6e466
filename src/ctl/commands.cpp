#include "ctl/commands.h"

#include <iostream>
#include <optional>

#include "base/clock.h"
#include "base/json_text.h"
#include "base/number_text.h"
#include "config/connection_file.h"
#include "config/ini_file.h"
#include "ctl/frame_trace.h"
#include "ctl/iso_time.h"
#include "ctl/output.h"
#include "ctl/settings_commands.h"
#include "link/device_port.h"
#include "link/log_file.h"
#include "link/port_open.h"
#include "measure/measured_value.h"
#include "measure/polling.h"
#include "module/blink_command.h"
#include "module/block_operations.h"
#include "module/field_rules.h"
#include "module/register_codec.h"
#include "protocol/exchange_failure.h"
#include "search/search_run.h"

namespace m8163::ctl {
namespace {

constexpr const char* kConnectionFile = "dev.dat";
constexpr std::chrono::milliseconds kFailedCycleWait{100};

// The line of one run: settings from dev.dat and the options, the real port.
struct Session {
    Session(StopSignals& stop, bool traced)
        : portWait(stop), signals(stop), pump(stop), observer(traced ? &trace : nullptr) {
        port.setWait(&portWait);
    }

    ModbusLine line() { return {port, settings, clock, 0, observer}; }

    // Opens the port as the window's start-up does; false when it cannot.
    bool open() {
        openPort(port, ports, settings.portNumber, lineSettings(settings), settings.timeoutMs,
                 boxes, PortPicker::Options);
        if (!port.isOpen() && signals.check())
            throw Interrupted();  // the open gave up for the stop
        if (!port.isOpen())
            return false;
        port.clearRtsSetDtr();
        return true;
    }

    // Before the port, which asks it while it ends its connection.
    StopAwarePortWait portWait;
    ConnectionSettings settings;
    ComPortMap ports;
    DevicePort port;
    SystemClock clock;
    StderrBoxes boxes;
    StopSignals& signals;
    WaitingPump pump;
    FrameTrace trace{std::cerr};
    ExchangeObserver* observer;
};

void warnOfPortOptions(const std::vector<std::string>& rejected, const std::string& where) {
    for (const std::string& line : rejected)
        std::cerr << "m8163ctl: " << where << line << std::endl;
}

// Returns false when the adapter options for the port in use hold a word
// that was refused: the line would not be driven as the user asked.
bool applyLineOptions(const LineOptions& line, ConnectionSettings& settings, ComPortMap& ports) {
    bool taken = true;
    if (line.com)
        settings.portNumber = *line.com;
    if (line.device || line.portOptions) {
        // A device given by path stands in for the port number in use; the
        // options of dev.dat belong to the device there.
        if (settings.portNumber < 1 || settings.portNumber > 8)
            settings.portNumber = 1;
        const auto index = static_cast<std::size_t>(settings.portNumber - 1);
        if (line.device)
            ports.devices[index] = *line.device;
        PortOptionsText options = parsePortOptions(line.portOptions.value_or(""));
        std::vector<std::string> refused;
        for (const RejectedOption& word : options.rejected)
            refused.push_back("--line-options: " + rejectedOptionText(word));
        warnOfPortOptions(refused, "");
        taken = refused.empty();
        // The network allowance is dev.dat's for the COM number in use.
        options.options.networkAllowanceMs = ports.options[index].networkAllowanceMs;
        ports.options[index] = options.options;
    }
    if (line.speed)
        settings.speed = *line.speed;
    if (line.parity)
        settings.parity = *line.parity;
    if (line.address)
        settings.moduleAddress = *line.address;
    if (line.timeoutMs)
        settings.timeoutMs = *line.timeoutMs;
    return taken;
}

int exchangeFailed(Session& session, const ExchangeStatus& status) {
    reportExchangeFailure(session.boxes, status);
    return kExitExchangeFailed;
}

void printLine(const std::string& text) {
    std::cout << text << std::endl;  // flushed: a script may read line by line
}

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// ---- measured value ----

const std::vector<CsvField> kReadingHeader = {
    {"value"},    {"relative_value"}, {"status"}, {"status_text"},
    {"exchange"}, {"exchange_text"},  {"hint"}};

struct Reading {
    const MeasurementRecord& record;
    ExchangeStatus status;

    MeasurementView view() const { return measurementView(record, record.izmerr, status.result); }
    std::string failure() const {
        auto box = exchangeFailureBox(status);
        return box ? box->text : std::string();
    }
    // What the failure's box adds (a reply that starts with the request: the
    // echo option; a port not open: why), as read prints it.
    std::string hint() const {
        auto box = exchangeFailureBox(status);
        return box ? box->detail : std::string();
    }

    // A failed exchange brought no value and no status: the record still
    // holds the last good reading (or zeros), which must not pass for one.
    JsonObject json(JsonObject object = {}) const {
        const MeasurementView v = view();
        if (status.ok()) {
            object.real("value", record.izmf)
                .number("relativeValue", record.relativeValue)
                .number("status", record.izmerr)
                .text("statusText", trimmed(v.status));
        } else {
            for (const char* field : {"value", "relativeValue", "status", "statusText"})
                object.raw(field, "null");
        }
        object.number("exchange", status.result).text("exchangeText", v.exchange);
        if (!status.ok())
            object.number("exceptionCode", status.exceptionCode).text("failure", failure());
        if (const std::string more = hint(); !more.empty())
            object.text("hint", more);
        return object;
    }

    std::vector<CsvField> csv() const {
        const MeasurementView v = view();
        if (!status.ok()) {
            const std::string more = hint();
            return {{""},
                    {""},
                    {""},
                    {""},
                    {std::to_string(status.result)},
                    {v.exchange, true},
                    {more, !more.empty()}};
        }
        return {{realText(record.izmf)},
                {std::to_string(record.relativeValue)},
                {std::to_string(record.izmerr)},
                {trimmed(v.status), true},
                {std::to_string(status.result)},
                {v.exchange, true},
                {""}};
    }

    std::string oneLine() const {
        const MeasurementView v = view();
        if (!status.ok()) {
            const std::string more = hint();
            return v.exchange + " (" + failure() + (more.empty() ? "" : " " + more) + ")";
        }
        return "value " + realText(record.izmf) + ", relative value " +
               std::to_string(record.relativeValue) + ", " + trimmed(v.status) + ", " + v.exchange;
    }
};

int runRead(Session& session, OutputFormat format) {
    MeasurementRecord record;
    const ExchangeStatus status = readMeasuredValue(session.line(), record);
    if (!status.ok())
        return exchangeFailed(session, status);
    const Reading reading{record, status};
    if (format == OutputFormat::Json) {
        printLine(reading.json().str());
    } else if (format == OutputFormat::Csv) {
        printLine(csvLine(kReadingHeader));
        printLine(csvLine(reading.csv()));
    } else {
        const MeasurementView v = reading.view();
        printLine("value: " + realText(record.izmf));
        printLine("relative value: " + std::to_string(record.relativeValue));
        printLine("status: " + trimmed(v.status));
        printLine("exchange: " + v.exchange);
    }
    return kExitOk;
}

int runPoll(Session& session, const Options& options) {
    PollingState polling;
    MeasurementRecord record;
    bool interrupted = false;
    if (options.format == OutputFormat::Csv) {
        std::vector<CsvField> header = {{"cycle"}, {"time"}};
        header.insert(header.end(), kReadingHeader.begin(), kReadingHeader.end());
        printLine(csvLine(header));
    }
    for (;;) {
        const ExchangeStatus status = readMeasuredValue(session.line(), record);
        const std::string time = isoTime(std::chrono::system_clock::now());
        countCycle(polling, status.result, record);
        const Reading reading{record, status};
        if (options.format == OutputFormat::Json) {
            printLine(reading.json(JsonObject().number("cycle", polling.cycles).text("time", time))
                          .str());
        } else if (options.format == OutputFormat::Csv) {
            std::vector<CsvField> row = {{std::to_string(polling.cycles)}, {time}};
            const auto fields = reading.csv();
            row.insert(row.end(), fields.begin(), fields.end());
            printLine(csvLine(row));
        } else {
            printLine(std::to_string(polling.cycles) + ": " + time + " " + reading.oneLine());
        }
        if (options.count && polling.cycles >= *options.count)
            break;
        // A pulled adapter fails every read at once: a failed cycle waits at
        // least kFailedCycleWait, so that no interval makes the loop spin.
        const auto wait =
            status.ok() ? options.interval : std::max(options.interval, kFailedCycleWait);
        if (!session.signals.wait(wait)) {
            interrupted = true;
            break;
        }
    }
    const CounterTexts counters = counterTexts(polling);
    if (options.format == OutputFormat::Json) {
        printLine(JsonObject()
                      .number("cycles", polling.cycles)
                      .number("measurementErrors", polling.measurementErrors)
                      .number("exchangeErrors", polling.exchangeErrors)
                      .str());
    } else {
        const std::string text = "cycles " + counters.cycles + ", measurement errors " +
                                 counters.measurementErrors + ", exchange errors " +
                                 counters.exchangeErrors;
        // The CSV table stays a table.
        (options.format == OutputFormat::Csv ? std::cerr : std::cout) << text << std::endl;
    }
    // Ctrl+C is the usual end of an endless poll: the counters are printed
    // all the same, and the exit code says how it ended.
    if (interrupted)
        return kExitInterrupted;
    return polling.exchangeErrors == 0 ? kExitOk : kExitExchangeFailed;
}

// ---- identity and sensor ----

std::string twoDigits(unsigned value) {
    std::string text = std::to_string(value);
    if (value < 10)
        text.insert(text.begin(), '0');
    return text;
}

int runIdentity(Session& session, OutputFormat format) {
    RegisterImage image;
    const ExchangeStatus status = readExchangePage(session.line(), session.pump, image);
    if (!status.ok())
        return exchangeFailed(session, status);
    const unsigned day = image.word(reg::kManufactureDay);
    const unsigned month = image.word(reg::kManufactureMonth);
    const unsigned year = 2000u + image.word(reg::kManufactureYear);
    const std::uint16_t speedCode = image.word(reg::kSpeedCode);
    const LineFormat* speed = lineFormatByModuleCode(speedCode);
    const std::uint16_t parity = image.word(reg::kParityCode);
    const bool parityKnown = parity <= kParityEven;
    const std::uint16_t watchdog = image.word(reg::kWatchdogTime);
    const std::string model = formatHex4(image.word(reg::kModelCode));
    const unsigned factory1 = image.word(reg::kFactoryNumber1);
    const unsigned factory2 = image.word(reg::kFactoryNumber2);

    if (format == OutputFormat::Json) {
        JsonObject o;
        o.text("modelCode", model)
            .raw("factoryNumber",
                 "[" + std::to_string(factory1) + "," + std::to_string(factory2) + "]")
            .number("softwareVersion", image.word(reg::kSoftwareVersion))
            .number("hardwareVersion", image.word(reg::kHardwareVersion))
            .number("day", day)
            .number("month", month)
            .number("year", year)
            .number("moduleNumber", image.word(reg::kNetworkNumber));
        if (speed != nullptr)
            o.number("speed", speed->bitRate);
        else
            o.raw("speed", "null");
        o.number("speedCode", speedCode);
        o.text("parity", parityKnown ? parityName(parity) : "unknown")
            .number("parityCode", parity)
            .number("watchdogTenths", watchdog);
        printLine(o.str());
        return kExitOk;
    }
    printLine("model code: " + model);
    printLine("factory number: " + std::to_string(factory1) + " " + std::to_string(factory2));
    printLine("software version: " + std::to_string(image.word(reg::kSoftwareVersion)));
    printLine("hardware version: " + std::to_string(image.word(reg::kHardwareVersion)));
    printLine("manufactured: " + twoDigits(day) + "." + twoDigits(month) + "." +
              std::to_string(year));
    printLine("module number: " + std::to_string(image.word(reg::kNetworkNumber)));
    printLine("speed: " + (speed != nullptr ? std::to_string(speed->bitRate)
                                            : "unknown (code " + std::to_string(speedCode) + ")"));
    printLine("parity: " +
              (parityKnown ? parityName(parity) : "unknown (code " + std::to_string(parity) + ")"));
    printLine("watchdog: " + (watchdog == 0 ? std::string("off")
                                            : std::to_string(watchdog / 10) + "." +
                                                  std::to_string(watchdog % 10) + " s"));
    return kExitOk;
}

void printSensor(const RegisterImage& image, OutputFormat format) {
    const SensorSettings& s = image.sensor;
    const std::optional<int> averaging = averagingCount(s.averaging);
    if (format == OutputFormat::Json) {
        JsonObject o;
        o.number("sensorType", s.sensorType)
            .text("sensorTypeText", sensorTypeText(s.sensorType))
            .boolean("squareRoot", squareRootOn(s));
        if (averaging)
            o.number("averaging", *averaging);
        else
            o.raw("averaging", "null");
        o.number("averagingCode", s.averaging)
            .real("rangeMin", s.rangeMin)
            .real("rangeMax", s.rangeMax)
            .real("offset", s.offset)
            .real("adjustment", s.adjustment)
            .real("constructionRangeMin", s.constructionRangeMin)
            .real("constructionRangeMax", s.constructionRangeMax)
            .text("typeName", typeName(image))
            .text("userText", userText(image));
        printLine(o.str());
        return;
    }
    printLine("sensor type: " + std::to_string(s.sensorType) + " " +
              std::string(sensorTypeText(s.sensorType)));
    printLine(std::string("square root: ") + (squareRootOn(s) ? "on" : "off"));
    printLine("averaging: " + (averaging ? std::to_string(*averaging)
                                         : "unknown (code " + std::to_string(s.averaging) + ")"));
    printLine("range: " + realText(s.rangeMin) + " ... " + realText(s.rangeMax));
    printLine("offset: " + realText(s.offset));
    printLine("adjustment: " + realText(s.adjustment));
    printLine("construction range: " + realText(s.constructionRangeMin) + " ... " +
              realText(s.constructionRangeMax));
    printLine("type name: " + typeName(image));
    printLine("user text: " + userText(image));
}

int runSensor(Session& session, OutputFormat format) {
    RegisterImage image;
    const ExchangeStatus status = readSensorSettings(session.line(), session.pump, image);
    if (!status.ok())
        return exchangeFailed(session, status);
    printSensor(image, format);
    return kExitOk;
}

// ---- writes ----

// Runs a write over the frame recorder and prints the frames it sent.
template <typename Write>
void printDryRun(const ConnectionSettings& settings, const Clock& clock, OutputFormat format,
                 Write write) {
    FrameRecorderPort recorder;
    ConnectionSettings quiet = settings;
    quiet.useLogFile = 0;  // nothing goes out, so nothing is logged
    write(ModbusLine{recorder, quiet, clock});
    if (format == OutputFormat::Json) {
        std::string frames;
        for (const auto& frame : recorder.frames()) {
            if (!frames.empty())
                frames += ',';
            frames += jsonQuoted(hexFrame(frame));
        }
        printLine(JsonObject().boolean("dryRun", true).raw("frames", "[" + frames + "]").str());
        return;
    }
    for (const auto& frame : recorder.frames())
        printLine("would send: " + hexFrame(frame));
}

int runSensorSet(Session& session, const Options& options) {
    if (!session.open())
        return kExitPortFailed;
    // The values not given stay as the module holds them.
    RegisterImage image;
    const ExchangeStatus read = readSensorSettings(session.line(), session.pump, image);
    if (!read.ok())
        return exchangeFailed(session, read);
    const SensorChanges& changes = options.sensor;
    if (changes.averagingCode)
        image.sensor.averaging = *changes.averagingCode;
    if (changes.offset)
        image.sensor.offset = *changes.offset;
    if (changes.adjustment)
        image.sensor.adjustment = *changes.adjustment;
    if (changes.userText)
        setUserText(image, *changes.userText);

    if (options.dryRun) {
        NoPausePump noPause;
        printDryRun(session.settings, session.clock, options.format,
                    [&](const ModbusLine& l) { writeSensorSettings(l, noPause, image); });
        return kExitOk;
    }
    SleepingPump steady;
    const ExchangeStatus written = writeSensorSettings(session.line(), steady, image);
    if (!written.ok())
        return exchangeFailed(session, written);
    if (options.format == OutputFormat::Json) {
        printLine(JsonObject()
                      .boolean("written", true)
                      .number("averaging", averagingCount(image.sensor.averaging).value_or(-1))
                      .real("offset", image.sensor.offset)
                      .real("adjustment", image.sensor.adjustment)
                      .text("userText", userText(image))
                      .str());
    } else {
        printLine("sensor settings written: averaging " +
                  std::to_string(averagingCount(image.sensor.averaging).value_or(-1)) +
                  ", offset " + realText(image.sensor.offset) + ", adjustment " +
                  realText(image.sensor.adjustment) + ", user text \"" + userText(image) + "\"");
    }
    return kExitOk;
}

int runExchangeSet(Session& session, const Options& options) {
    const ExchangeChanges& target = options.exchange;
    RegisterImage image;
    image.word(reg::kNetworkNumber) = static_cast<std::uint16_t>(target.address);
    image.word(reg::kSpeedCode) = lineFormatByBitRate(target.speed)->moduleCode;
    image.word(reg::kParityCode) = static_cast<std::uint16_t>(parityCode(target.parity));
    if (options.dryRun) {
        NoPausePump noPause;
        printDryRun(session.settings, session.clock, options.format,
                    [&](const ModbusLine& l) { writeExchangeParameters(l, noPause, image); });
        return kExitOk;
    }
    if (!session.open())
        return kExitPortFailed;
    const ExchangeStatus written = writeExchangeParameters(session.line(), session.pump, image);
    if (!written.ok())
        return exchangeFailed(session, written);

    // The module has switched after its reply: follow it and ask it there.
    session.settings.speed = target.speed;
    session.settings.parity = target.parity;
    session.settings.moduleAddress = target.address;
    if (!session.open())
        return kExitPortFailed;
    RegisterImage check;
    const ExchangeStatus verify = readExchangeParameters(session.line(), session.pump, check);
    if (!verify.ok()) {
        std::cerr << "m8163ctl: the module does not answer at the new exchange parameters"
                  << std::endl;
        return exchangeFailed(session, verify);
    }
    for (std::uint16_t address : {reg::kNetworkNumber, reg::kSpeedCode, reg::kParityCode}) {
        if (check.word(address) != image.word(address)) {
            std::cerr << "m8163ctl: the module answers but holds other exchange parameters "
                         "(register "
                      << formatHex4(address) << ": " << check.word(address) << ")" << std::endl;
            return kExitExchangeFailed;
        }
    }
    const std::string parity = parityName(target.parity);
    if (options.format == OutputFormat::Json) {
        printLine(JsonObject()
                      .boolean("written", true)
                      .boolean("verified", true)
                      .number("address", target.address)
                      .number("speed", target.speed)
                      .text("parity", parity)
                      .str());
    } else {
        printLine("exchange parameters written: module " + std::to_string(target.address) + ", " +
                  std::to_string(target.speed) + ", parity " + parity +
                  "; the module answers at them");
    }
    return kExitOk;
}

int runBlink(Session& session, const Options& options) {
    if (options.dryRun) {
        printDryRun(session.settings, session.clock, options.format,
                    [](const ModbusLine& l) { blinkModule(l); });
        return kExitOk;
    }
    if (!session.open())
        return kExitPortFailed;
    const ExchangeStatus status = blinkModule(session.line());
    if (!status.ok())
        return exchangeFailed(session, status);
    if (options.format == OutputFormat::Json)
        printLine(JsonObject().boolean("blinked", true).str());
    else
        printLine("blink command sent");
    return kExitOk;
}

// ---- scan ----

class ScanPrinter final : public SearchView {
  public:
    ScanPrinter(OutputFormat format, StopSignals& signals) : format_(format), signals_(signals) {
        if (format_ == OutputFormat::Csv)
            printLine(csvLine({{"address"}, {"speed"}, {"parity"}}));
    }
    void showTrial(int speed, Parity parity, unsigned address) override {
        std::cerr << searchProgressText(speed, parity, address) << std::endl;
    }
    void found(const SearchHit& hit) override {
        ++hits;
        const std::string parity = parityName(hit.parity);
        if (format_ == OutputFormat::Json) {
            printLine(JsonObject()
                          .number("address", hit.address)
                          .number("speed", hit.speed)
                          .text("parity", parity)
                          .str());
        } else if (format_ == OutputFormat::Csv) {
            printLine(csvLine(
                {{std::to_string(hit.address)}, {std::to_string(hit.speed)}, {parity, true}}));
        } else {
            printLine("found: module " + std::to_string(hit.address) + ", " +
                      std::to_string(hit.speed) + ", parity " + parity);
        }
    }
    bool stopRequested() override { return signals_.check(); }

    std::size_t hits = 0;

  private:
    OutputFormat format_;
    StopSignals& signals_;
};

int runScan(Session& session, const Options& options) {
    if (!session.open())
        return kExitPortFailed;
    ScanPrinter printer(options.format, session.signals);
    const SearchLine line{session.port,  session.ports, session.settings,
                          session.clock, session.boxes, session.observer};
    const SearchEnd end = runSearch(
        options.plan, line,
        [](const ModbusLine& l) {
            MeasurementRecord record;
            return readMeasuredValue(l, record);
        },
        session.pump, printer);
    // A port that could not be opened has said so (StderrBoxes).
    if (end == SearchEnd::PortFailed)
        return kExitPortFailed;
    std::cerr << searchEndText(end) << std::endl;
    if (end == SearchEnd::User)
        return kExitInterrupted;
    if (printer.hits == 0) {
        std::cerr << "m8163ctl: no module answered" << std::endl;
        return kExitExchangeFailed;
    }
    return kExitOk;
}

}  // namespace

int runCommand(const Options& options, StopSignals& signals) {
    Session session(signals, options.trace);
    std::vector<std::string> fileRefusals;
    try {
        fileRefusals = readConnectionSettings(kConnectionFile, session.settings, session.ports);
        warnOfPortOptions(fileRefusals, std::string(kConnectionFile) + ": ");
    } catch (const SettingsFileError& error) {
        std::cerr << "m8163ctl: " << error.what() << std::endl;
        return kExitUsage;
    }
    bool optionsTaken = applyLineOptions(options.line, session.settings, session.ports);
    // dev.dat's options count where they are used: for the COM number in
    // use, unless the command line gives the device or its options.
    if (!options.line.device && !options.line.portOptions) {
        const int number = session.settings.portNumber >= 1 && session.settings.portNumber <= 8
                               ? session.settings.portNumber
                               : 1;
        const std::string key = "[COM_OPTIONS] COM" + std::to_string(number) + ":";
        for (const std::string& line : fileRefusals)
            optionsTaken = optionsTaken && line.rfind(key, 0) != 0;
    }
    if (!optionsTaken) {
        std::cerr << "m8163ctl: the adapter options hold a refused word; nothing sent" << std::endl;
        return kExitUsage;
    }
    if (session.settings.useLogFile == 1) {
        // A log file that would block or is no file: the run goes on without.
        const std::string refused = logFileRefusal(session.settings.logFileName);
        if (!refused.empty()) {
            std::cerr << "m8163ctl: exchange log \"" << session.settings.logFileName
                      << "\" is off: " << refused << std::endl;
            session.settings.useLogFile = 0;
        }
    }

    switch (options.command) {
        case Command::SensorSet:
            return runSensorSet(session, options);
        case Command::ExchangeSet:
            return runExchangeSet(session, options);
        case Command::Blink:
            return runBlink(session, options);
        case Command::Scan:
            return runScan(session, options);
        case Command::Save:
        case Command::Restore: {
            SettingsLine access{session.settings, [&session] { return session.open(); },
                                [&session] { return session.line(); }, session.pump,
                                session.signals};
            return options.command == Command::Save ? runSave(options, access)
                                                    : runRestore(options, access);
        }
        default:
            break;
    }
    if (!session.open())
        return kExitPortFailed;
    switch (options.command) {
        case Command::Read:
            return runRead(session, options.format);
        case Command::Poll:
            return runPoll(session, options);
        case Command::Identity:
            return runIdentity(session, options.format);
        default:
            return runSensor(session, options.format);
    }
}

}  // namespace m8163::ctl
