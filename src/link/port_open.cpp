#include "link/port_open.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "base/standard_boxes.h"
#include "link/device_access.h"
#include "link/line_format.h"
#include "link/port_holders.h"
#include "link/serial_devices.h"
#include "link/system_reason.h"

namespace m8163 {
namespace {

std::string openFailureDetail(const std::string& device, int comNumber, const OpenResult& result,
                              const std::string& settingsFile, PortPicker picker) {
    std::string detail = "Устройство: " + device + "\nПричина: " + result.reason;
    const std::string com = "COM" + std::to_string(comNumber);
    if (result.error == ENOENT) {
        detail += '\n';
        detail += serialDeviceListing(serialDevices(), comNumber, settingsFile, picker);
    } else if (result.error == EACCES || result.error == EPERM) {
        detail += '\n';
        detail += permissionAdvice(deviceAccess(device));
        detail += picker == PortPicker::Chooser
                      ? "\nДругое устройство для " + com +
                            " выбирается кнопкой «Выбрать порт…» (Ctrl+P) или в разделе "
                            "[COM_PORTS] файла " +
                            settingsFile + "."
                      : "\nДругое устройство указывается параметром --device ПУТЬ, а для " + com +
                            " (--com " + std::to_string(comNumber) +
                            ") — в разделе [COM_PORTS] файла " + settingsFile + ".";
    } else if (result.error == EBUSY) {
        detail += "\nПорт занят другой программой.";
        const std::vector<PortHolder> holders = portHolders(device);
        for (std::size_t i = 0; i < holders.size(); ++i) {
            detail += i == 0 ? " Его держит: " : ", ";
            detail += holders[i].name + " (PID " + std::to_string(holders[i].pid) + ")";
        }
        if (!holders.empty())
            detail += ".";
    }
    return detail;
}

// The port is open, but the driver does not switch the transmitter: unless
// the adapter does it by itself, the module never hears a request.
// A port that names its own reason (a device server) gives it.
MessageBox rs485RefusedBox(const std::string& device, int comNumber, const OpenResult& result) {
    const int error = result.rs485Refused;
    const bool noMode = error == ENOTTY || error == EINVAL || error == EOPNOTSUPP;
    std::string detail = "Устройство: " + device + "\nПричина: " +
                         (!result.reason.empty() ? result.reason
                          : noMode ? std::string("в драйвере этого порта нет режима RS-485")
                                   : systemReason(error)) +
                         "\nПередатчик включается только если адаптер делает это сам. Для "
                         "адаптера с автоматическим переключением уберите rs485 из строки COM" +
                         std::to_string(comNumber) + " раздела [COM_OPTIONS] файла dev.dat.";
    return {"Порт открыт, но не переведён в режим RS-485", caption::kError, BoxIcon::Warning,
            BoxButtons::Ok, detail};
}

}  // namespace

PortTimeouts openingTimeouts(int speed, int timeoutMs) {
    const auto perByte = static_cast<std::uint32_t>(timingFormat(speed).perByte.count());
    PortTimeouts timeouts;
    timeouts.readInterval = perByte;
    timeouts.readMultiplier = perByte;
    timeouts.readConstant = static_cast<std::uint32_t>(std::max(timeoutMs, 0));
    return timeouts;
}

PortState openPort(SerialPort& port, const ComPortMap& map, int portNumber,
                   const LineSettings& line, int timeoutMs, MessageBoxes& boxes,
                   PortPicker picker) {
    // The module's line format is fixed at 8 data bits and one stop bit.
    if (port.isOpen())
        port.close();
    const int index = portNumber >= 1 && portNumber <= 8 ? portNumber - 1 : 0;
    const std::string& device = map.devices[static_cast<std::size_t>(index)];

    port.setOptions(map.options[static_cast<std::size_t>(index)]);
    const OpenResult result = port.open(device, line, openingTimeouts(line.speed, timeoutMs));
    PortState state = portStateAfterOpen(device, result);
    if (!result.ok) {
        port.setNotOpenReason(portStateText(state));
        const std::string settingsFile = map.file.empty() ? "dev.dat" : map.file;
        boxes.show({"Невозможно открыть последовательный порт", caption::kError, BoxIcon::Error,
                    BoxButtons::Ok,
                    openFailureDetail(device, index + 1, result, settingsFile, picker)});
        return state;
    }
    port.setNotOpenReason({});
    // The open raised both lines; a raised RTS would leave an RS-485
    // converter keyed to transmit.
    port.clearRtsAndDtr();
    if (result.rs485Refused != 0)
        boxes.show(rs485RefusedBox(device, index + 1, result));
    return state;
}

void closePort(SerialPort& port) {
    // A port that waits to retry a refused open is closed too: nothing may
    // open it after the program has closed it.
    if (port.isOpen() || port.retrying())
        port.close();
    port.setNotOpenReason(portStateText({}));
}

}  // namespace m8163
