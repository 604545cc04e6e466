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

SerialDevice describe(const fs::path& path, const std::string& target,
                      const SerialDeviceScan& scan) {
    SerialDevice device;
    device.path = path.string();
    device.target = target;
    const std::string& opened = target.empty() ? device.path : target;
    device.mayOpen =
        scan.mayOpen ? scan.mayOpen(opened) : ::access(opened.c_str(), R_OK | W_OK) == 0;
    if (!device.mayOpen)
        device.grantingGroup = grantingGroup(deviceAccess(opened));
    return device;
}

}  // namespace

std::vector<SerialDevice> serialDevices(const SerialDeviceScan& scan) {
    std::vector<SerialDevice> devices;
    const fs::path dev(scan.devRoot);

    std::vector<fs::path> byId = entries(dev / "serial" / "by-id");
    std::sort(byId.begin(), byId.end());
    for (const fs::path& link : byId) {
        std::error_code error;
        const fs::path target = fs::canonical(link, error);
        if (!error && isCharacterDevice(target))
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

std::string serialDeviceListing(const std::vector<SerialDevice>& devices, int comNumber) {
    if (devices.empty())
        return "Последовательных портов в системе не найдено: подключите адаптер.";
    std::string text = "Последовательные порты в системе:";
    for (const SerialDevice& device : devices) {
        text += "\n  " + device.path;
        if (!device.target.empty())
            text += " (" + device.target + ")";
        if (device.mayOpen)
            continue;
        text += device.grantingGroup ? ": нет доступа, его даёт группа " + *device.grantingGroup
                                     : ": нет доступа, права устройства не дают его через группу";
    }
    const std::string key = "COM" + std::to_string(comNumber);
    text +=
        "\nНомер порта связывается с устройством строкой в файле dev.dat, например:\n"
        "[COM_PORTS]\n" +
        key + "=" + devices.front().path;
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
