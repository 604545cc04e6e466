#include "link/serial_devices.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <utility>

#include "link/device_access.h"

namespace m8163 {
namespace {

namespace fs = std::filesystem;

bool isCharacterDevice(const fs::path& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

// The port type the serial core reports (TIOCGSERIAL's `type`): PORT_UNKNOWN
// for a ttyS with no UART. sysfs has it without opening the device, which
// would raise its modem lines; the ioctl is the fallback.
bool hasUart(const std::string& name, const fs::path& device, const std::string& sysTtyRoot) {
    std::ifstream typeFile(fs::path(sysTtyRoot) / name / "type");
    int type = PORT_UNKNOWN;
    if (typeFile >> type)
        return type != PORT_UNKNOWN;
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    serial_struct info{};
    const bool uart = ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
    ::close(fd);
    return uart;
}

// "ttyUSB10" -> ("ttyUSB", 10) when it is the prefix followed by digits only.
std::optional<long> numberAfter(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix)
        return std::nullopt;
    long number = 0;
    for (char c : name.substr(prefix.size())) {
        if (std::isdigit(static_cast<unsigned char>(c)) == 0 || number > 1'000'000)
            return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return number;
}

std::vector<fs::path> entries(const fs::path& folder) {
    std::vector<fs::path> found;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        found.push_back(it->path());
    return found;
}

// The tty node `path` stands for: links are followed while they lead to a
// tty name, as a /dev/serial/by-id link leads to ../../ttyUSB0.
fs::path ttyNode(const fs::path& path) {
    fs::path node = path;
    for (int hop = 0; hop < 8; ++hop) {
        std::error_code error;
        if (!fs::is_symlink(node, error))
            break;
        fs::path next = fs::read_symlink(node, error);
        if (error)
            break;
        if (next.is_relative())
            next = node.parent_path() / next;
        next = next.lexically_normal();
        if (next.filename().string().rfind("tty", 0) != 0)
            break;
        node = next;
    }
    return node;
}

std::string firstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())) != 0)
        line.pop_back();
    return line;
}

SerialDevice describe(const fs::path& path, const std::string& target,
                      const SerialDeviceScan& scan) {
    SerialDevice device;
    device.path = path.string();
    device.target = target;
    const std::string& opened = target.empty() ? device.path : target;
    device.description = deviceDescription(opened, scan.sysTtyRoot);
    device.holders = portHolders(opened, scan.procRoot);
    device.mayOpen =
        scan.mayOpen ? scan.mayOpen(opened) : ::access(opened.c_str(), R_OK | W_OK) == 0;
    if (!device.mayOpen)
        device.grantingGroup = grantingGroup(deviceAccess(opened));
    return device;
}

}  // namespace

std::string deviceDescription(const std::string& device, const std::string& sysTtyRoot) {
    std::error_code error;
    const fs::path sysDevice = fs::path(sysTtyRoot) / ttyNode(device).filename() / "device";
    const fs::path resolved = fs::canonical(sysDevice, error);
    if (error)
        return {};
    // A USB adapter's names sit on the USB device: above the tty's own node
    // (ttyUSB) or its interface (ttyACM), a level or two up.
    fs::path folder = resolved;
    for (int level = 0; level < 3 && folder.has_relative_path(); ++level) {
        const std::string product = firstLine(folder / "product");
        if (!product.empty()) {
            const std::string maker = firstLine(folder / "manufacturer");
            if (maker.empty() || product.rfind(maker, 0) == 0)
                return product;
            return maker + " " + product;
        }
        folder = folder.parent_path();
    }
    // The serial core's own port and controller devices (newer kernels) sit
    // between the tty and the device whose driver a person would know.
    folder = resolved;
    for (int level = 0; level < 3 && folder.has_relative_path(); ++level) {
        const std::string driver = fs::read_symlink(folder / "driver", error).filename().string();
        if (!error && driver != "port" && driver != "ctrl")
            return driver;
        folder = folder.parent_path();
    }
    return {};
}

std::vector<SerialDevice> serialDevices(const SerialDeviceScan& scan) {
    std::vector<SerialDevice> devices;
    const fs::path dev(scan.devRoot);

    std::vector<fs::path> byId = entries(dev / "serial" / "by-id");
    std::sort(byId.begin(), byId.end());
    for (const fs::path& link : byId) {
        const fs::path target = ttyNode(link);
        if (target != link && isCharacterDevice(target))
            devices.push_back(describe(link, target.string(), scan));
    }

    const std::vector<fs::path> names = entries(dev);
    for (std::string_view prefix : {"ttyUSB", "ttyACM", "ttyS"}) {
        std::vector<std::pair<long, fs::path>> numbered;
        for (const fs::path& path : names) {
            const std::string name = path.filename().string();
            const std::optional<long> number = numberAfter(name, prefix);
            if (!number || !isCharacterDevice(path))
                continue;
            if (prefix == "ttyS" && !hasUart(name, path, scan.sysTtyRoot))
                continue;
            numbered.emplace_back(*number, path);
        }
        std::sort(numbered.begin(), numbered.end());
        for (const auto& entry : numbered)
            devices.push_back(describe(entry.second, {}, scan));
    }
    return devices;
}

std::vector<SerialDevice> recognisableDevices(const std::vector<SerialDevice>& devices) {
    std::vector<SerialDevice> kept;
    for (const SerialDevice& device : devices) {
        const bool linked = std::any_of(devices.begin(), devices.end(), [&](const SerialDevice& d) {
            return !d.target.empty() && d.target == device.path;
        });
        if (!linked)
            kept.push_back(device);
    }
    return kept;
}

std::string lastingDevicePath(const std::string& path, const std::vector<SerialDevice>& devices) {
    // A link (by-id or the user's own) is kept as the user chose it.
    if (ttyNode(path) != fs::path(path))
        return path;
    const std::string node = fs::path(path).lexically_normal().string();
    for (const SerialDevice& device : devices) {
        if (!device.target.empty() && device.target == node)
            return device.path;
    }
    return path;
}

std::string serialDeviceListing(const std::vector<SerialDevice>& found, int comNumber,
                                const std::string& settingsFile, PortPicker picker) {
    // A device with a by-id link is listed once, by the link, as the chooser
    // lists it.
    const std::vector<SerialDevice> devices = recognisableDevices(found);
    if (devices.empty())
        return "Последовательных портов в системе не найдено: подключите адаптер.";
    std::string text = "Последовательные порты в системе:";
    for (const SerialDevice& device : devices) {
        text += "\n  " + device.path;
        if (!device.target.empty())
            text += " (" + device.target + ")";
        if (!device.description.empty())
            text += " — " + device.description;
        if (device.mayOpen)
            continue;
        text += device.grantingGroup ? ": нет доступа, его даёт группа " + *device.grantingGroup
                                     : ": нет доступа, права устройства не дают его через группу";
    }
    const std::string key = "COM" + std::to_string(comNumber);
    text += picker == PortPicker::Chooser
                ? "\nВыберите порт кнопкой «Выбрать порт…» (Ctrl+P) или свяжите номер порта с "
                  "устройством строкой в разделе [COM_PORTS] файла "
                : "\nУкажите устройство параметром --device ПУТЬ или свяжите номер порта "
                  "(--com N) с устройством строкой в разделе [COM_PORTS] файла ";
    text += settingsFile;
    const auto usable = std::find_if(devices.begin(), devices.end(),
                                     [](const SerialDevice& device) { return device.mayOpen; });
    if (usable != devices.end())
        text += ", например:\n" + key + "=" + usable->path;
    else
        text += ".";
    for (const SerialDevice& device : devices) {
        if (!device.mayOpen && device.grantingGroup) {
            text += '\n';
            text += joinGroupAdvice(*device.grantingGroup);
            break;
        }
    }
    return text;
}

}  // namespace m8163
