#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/port_holders.h"

// The serial devices present on this machine, for the port chooser and for a
// box about a configured port that does not exist: which paths the user could
// map a COM number to.

namespace m8163 {

struct SerialDevice {
    std::string path;     // as listed, e.g. /dev/serial/by-id/usb-FTDI_..., /dev/ttyUSB0
    std::string target;   // the device a /dev/serial/by-id link leads to; else empty
    bool mayOpen = true;  // the user may read and write it
    std::optional<std::string> grantingGroup;  // where not: the group that would let them
    std::string description;          // the adapter's product, else its driver; may be empty
    std::vector<PortHolder> holders;  // the programs that have it open
};

// Where to look, and how to judge a device; tests point these at a scratch
// tree.
struct SerialDeviceScan {
    std::string devRoot = "/dev";
    std::string sysTtyRoot = "/sys/class/tty";
    std::string procRoot = "/proc";
    // Read and write allowed for this process.
    std::function<bool(const std::string& path)> mayOpen;
};

// /dev/serial/by-id/*, then /dev/ttyUSB*, /dev/ttyACM* and those /dev/ttyS*
// that have a UART behind them (the kernel makes ttyS0 ... ttyS31 whether
// or not the hardware exists), each group in natural order.
std::vector<SerialDevice> serialDevices(const SerialDeviceScan& scan = {});

// One entry per device, as a person knows it: the /dev/serial/by-id link
// where there is one, the device itself otherwise.
std::vector<SerialDevice> recognisableDevices(const std::vector<SerialDevice>& devices);

// The path to keep for a mapping to `path`: for a device node, the by-id
// link among `devices` that leads to it, so that the mapping survives the
// adapter coming back under another number; else `path` as given (a link
// stays the link the user chose).
std::string lastingDevicePath(const std::string& path, const std::vector<SerialDevice>& devices);

// What a person calls the device at `device` (a link is followed): the
// product name of a USB adapter from sysfs, else the name of its driver
// ("serial8250"); empty for a device sysfs does not know (a pseudo-terminal).
std::string deviceDescription(const std::string& device,
                              const std::string& sysTtyRoot = "/sys/class/tty");

// Lines for the box's detail: the devices found, each once as
// recognisableDevices names it, and how to map COM
// `comNumber` to one in `settingsFile` (the dev.dat in use). The example
// mapping names a device the user may open, or none when there is no such
// device.
// How the reader of a port's advice picks another device: the window's user
// with the port chooser, a shell user with m8163ctl's options.
enum class PortPicker { Chooser, Options };

std::string serialDeviceListing(const std::vector<SerialDevice>& devices, int comNumber,
                                const std::string& settingsFile,
                                PortPicker picker = PortPicker::Chooser);

}  // namespace m8163
