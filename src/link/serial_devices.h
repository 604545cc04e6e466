#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The serial devices present on this machine, for a box about a configured
// port that does not exist: which paths the user could map a COM number to.

namespace m8163 {

struct SerialDevice {
    std::string path;     // as listed, e.g. /dev/serial/by-id/usb-FTDI_..., /dev/ttyUSB0
    std::string target;   // the device a /dev/serial/by-id link leads to; else empty
    bool mayOpen = true;  // the user may read and write it
    std::optional<std::string> grantingGroup;  // where not: the group that would let them
};

// Where to look, and how to judge a device; tests point these at a scratch
// tree.
struct SerialDeviceScan {
    std::string devRoot = "/dev";
    std::string sysTtyRoot = "/sys/class/tty";
    // Read and write allowed for this process.
    std::function<bool(const std::string& path)> mayOpen;
};

// /dev/serial/by-id/*, then /dev/ttyUSB*, /dev/ttyACM* and those /dev/ttyS*
// that have a UART behind them (the kernel makes ttyS0 ... ttyS31 whether
// or not the hardware exists), each group in natural order.
std::vector<SerialDevice> serialDevices(const SerialDeviceScan& scan = {});

// Lines for the box's detail: the devices found, and how to map COM
// `comNumber` to one in dev.dat.
std::string serialDeviceListing(const std::vector<SerialDevice>& devices, int comNumber);

}  // namespace m8163
