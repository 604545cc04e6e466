#pragma once

#include <array>
#include <string>

// "COM1" ... "COM8" on Linux: each name stands for a device path. The
// mapping is kept in dev.dat (section COM_PORTS); these are its defaults.

namespace m8163 {

struct ComPortMap {
    std::array<std::string, 8> devices = {
        "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyUSB3",
        "/dev/ttyUSB4", "/dev/ttyUSB5", "/dev/ttyUSB6", "/dev/ttyUSB7",
    };
};

}  // namespace m8163
