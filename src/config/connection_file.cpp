#include "config/connection_file.h"

#include <cstdint>
#include <vector>

#include "base/standard_boxes.h"
#include "config/ini_file.h"
#include "link/line_format.h"

namespace m8163 {
namespace {

constexpr char kComSettings[] = "COM_SETTINGS";
constexpr char kDevice[] = "DEVICE";
constexpr char kSettings[] = "SETTINGS";
constexpr char kLog[] = "LOG";
constexpr char kComPorts[] = "COM_PORTS";
constexpr char kComOptions[] = "COM_OPTIONS";
constexpr char kComNetwork[] = "COM_NETWORK";

constexpr char kDefaultLineSettings[] = "19200,N,8,1";
constexpr char kDefaultLogFileName[] = "COM.txt";

// Only the speed and the parity letter count; the data and stop bits of the
// text are never looked at. Every speed and letter found overrides the one
// before, in this order.
void takeLineSettings(const std::string& text, ConnectionSettings& settings) {
    settings.speed = 19200;
    for (const LineFormat& format : kLineFormats) {
        if (text.find(std::to_string(format.bitRate)) != std::string::npos)
            settings.speed = format.bitRate;
    }
    Parity parity = Parity::None;
    if (text.find('N') != std::string::npos)
        parity = Parity::None;
    if (text.find('E') != std::string::npos)
        parity = Parity::Even;
    if (text.find('O') != std::string::npos)
        parity = Parity::Odd;
    settings.parity = parity;
}

MessageBox warningBox(const char* text, BoxIcon icon) {
    MessageBox box;
    box.text = text;
    box.caption = caption::kConnectionFile;
    box.icon = icon;
    return box;
}

std::string comKey(std::size_t index) {
    return "COM" + std::to_string(index + 1);
}

std::string portOptionWarning(const std::string& key, const RejectedOption& rejected) {
    return "[COM_OPTIONS] " + key + ": слово «" + rejected.word + "» пропущено: " + rejected.why;
}

}  // namespace

std::string lineSettingsText(const ConnectionSettings& settings) {
    const LineFormat* format = lineFormatByBitRate(settings.speed);
    std::string text = format != nullptr ? std::to_string(format->bitRate) + "," : "19200,";
    // Any code but odd and even is written as none, so that the text always
    // has its four fields.
    switch (settings.parity) {
        case Parity::Odd:
            text += "O,";
            break;
        case Parity::Even:
            text += "E,";
            break;
        case Parity::None:
            text += "N,";
            break;
    }
    return text + "8,2";
}

namespace {

// Reads every key with its default and writes it back into `ini`; a missing
// file gets the keys of a first start. Nothing reaches the disk here.
std::vector<std::string> takeConnectionFile(IniFile& ini, ConnectionSettings& settings,
                                            ComPortMap& ports) {
    if (!ini.existed()) {
        ini.writeInt(kComSettings, "Number", 1);
        ini.writeString(kComSettings, "Settings", kDefaultLineSettings);
        ini.writeInt(kDevice, "NetAdrr", 1);
        ini.writeInt(kSettings, "TimeOut", 2000);
        ini.writeInt(kLog, "UseLogFile", 0);
        ini.writeString(kLog, "LogFileName", kDefaultLogFileName);
    }

    settings.portNumber = ini.readInt(kComSettings, "Number", 1);
    ini.writeInt(kComSettings, "Number", settings.portNumber);

    std::string lineSettings = ini.readString(kComSettings, "Settings", kDefaultLineSettings);
    ini.writeString(kComSettings, "Settings", lineSettings);
    takeLineSettings(lineSettings, settings);

    std::int32_t address = ini.readInt(kDevice, "NetAdrr", 1);
    if (static_cast<std::uint32_t>(address) > 255)
        address = 1;  // negative ones too
    settings.moduleAddress = address;
    ini.writeInt(kDevice, "NetAdrr", address);

    settings.timeoutMs = ini.readInt(kSettings, "TimeOut", 2000);
    ini.writeInt(kSettings, "TimeOut", settings.timeoutMs);

    // A file without the key logs the exchange; a created one does not.
    settings.useLogFile = ini.readInt(kLog, "UseLogFile", 1);
    ini.writeInt(kLog, "UseLogFile", settings.useLogFile);

    settings.logFileName = ini.readString(kLog, "LogFileName", kDefaultLogFileName);
    ini.writeString(kLog, "LogFileName", settings.logFileName);

    // Read only where the user wrote it, and never added: the Windows
    // program knows no such key. Megabytes; 0 lets the log grow without end,
    // a negative size counts as missing.
    const std::int32_t rotateMb = ini.readInt(kLog, "LogFileMaxMB", -1);
    settings.logRotateBytes = rotateMb >= 0 ? static_cast<std::uint64_t>(rotateMb) * 1024 * 1024
                                            : ConnectionSettings::kDefaultLogRotateBytes;

    // A file from the Windows program has no such section: it gets the
    // defaults, and the user sees where to change them. An empty path opens
    // nothing, so it counts as missing.
    const ComPortMap defaults;
    for (std::size_t i = 0; i < ports.devices.size(); ++i) {
        std::string device = ini.readString(kComPorts, comKey(i), defaults.devices[i]);
        if (device.empty())
            device = defaults.devices[i];
        ports.devices[i] = device;
        ini.writeString(kComPorts, comKey(i), device);
    }

    // Only where the user wrote them: a file without options stays as it was.
    std::vector<std::string> rejected;
    for (std::size_t i = 0; i < ports.options.size(); ++i) {
        const PortOptionsText parsed = parsePortOptions(ini.readString(kComOptions, comKey(i), ""));
        ports.options[i] = parsed.options;
        for (const RejectedOption& word : parsed.rejected)
            rejected.push_back(portOptionWarning(comKey(i), word));
        // The network allowance in ms, likewise only where written; a
        // negative one counts as missing.
        const std::int32_t allowance = ini.readInt(kComNetwork, comKey(i), -1);
        if (allowance >= 0)
            ports.options[i].networkAllowanceMs = static_cast<std::uint32_t>(allowance);
    }
    return rejected;
}

}  // namespace

void loadConnectionSettings(const std::string& path, ConnectionSettings& settings,
                            ComPortMap& ports, MessageBoxes& boxes) {
    IniFile ini(path);
    const std::vector<std::string> rejected = takeConnectionFile(ini, settings, ports);
    ini.save();
    ports.file = path;

    if (!rejected.empty()) {
        MessageBox box = warningBox(
            "В параметрах портов есть слова, которые не приняты; они пропущены.", BoxIcon::Warning);
        for (const std::string& line : rejected)
            box.detail += (box.detail.empty() ? "" : "\n") + line;
        boxes.show(box);
    }

    if (settings.portNumber > 17) {
        boxes.show(warningBox("Слишком большой номер COM порта.", BoxIcon::Warning));
    }
    if (static_cast<std::uint32_t>(settings.timeoutMs) > 4000) {
        boxes.show(warningBox("Задан большой тайм аут. Работать будет можно, но неудобно.",
                              BoxIcon::Information));
    }
}

std::vector<std::string> readConnectionSettings(const std::string& path,
                                                ConnectionSettings& settings, ComPortMap& ports) {
    IniFile ini(path);
    return takeConnectionFile(ini, settings, ports);
}

void saveConnectionSettings(const std::string& path, const ConnectionSettings& settings,
                            const ComPortMap& ports) {
    IniFile ini(path);
    if (!ini.existed())
        ini.writeString(kLog, "LogFileName", kDefaultLogFileName);
    ini.writeInt(kComSettings, "Number", settings.portNumber);
    ini.writeString(kComSettings, "Settings", lineSettingsText(settings));
    ini.writeInt(kDevice, "NetAdrr", settings.moduleAddress);
    ini.writeInt(kSettings, "TimeOut", settings.timeoutMs);
    ini.writeInt(kLog, "UseLogFile", settings.useLogFile);
    for (std::size_t i = 0; i < ports.devices.size(); ++i)
        ini.writeString(kComPorts, comKey(i), ports.devices[i]);
    ini.save();
}

}  // namespace m8163
