#pragma once

#include <array>
#include <string>

#include "link/port_options.h"

// "COM1" ... "COM8" on Linux: each name stands for a device path and the
// options of the adapter there. The mapping is kept in dev.dat (sections
// COM_PORTS and COM_OPTIONS); these are its defaults.

namespace m8163 {

struct ComPortMap {
    std::array<std::string, 8> devices = {
        "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyUSB3",
        "/dev/ttyUSB4", "/dev/ttyUSB5", "/dev/ttyUSB6", "/dev/ttyUSB7",
    };
    std::array<PortOptions, 8> options{};
    // The dev.dat the mapping was read from, for the boxes that tell the
    // user where to change it; empty when it came from no file.
    std::string file;
};

}  // namespace m8163
