#pragma once

#include <cstdint>
#include <string>

#include "link/line_format.h"

// How the program reaches the module: one process-wide instance, loaded from
// and saved to dev.dat, changed by the connection bar, the search and the
// exchange page.

namespace m8163 {

struct ConnectionSettings {
    int portNumber = 1;  // 1 ... 8 select COM1 ... COM8
    int speed = 19200;   // bit/s, one of the eight line speeds
    Parity parity = Parity::None;
    int moduleAddress = 0;    // Modbus address of every request, 0 ... 255
    int timeoutMs = 1000;     // fixed part of every read time-out
    int stopBits = 1;         // as stored; the port always opens with one stop bit
    int useLogFile = 0;       // 1 = exchange log on
    std::string logFileName;  // exchange log file, as stored
    // The exchange log is moved aside to "<name>.1" once it has reached this
    // many bytes; 0 lets it grow without end.
    std::uint64_t logRotateBytes = kDefaultLogRotateBytes;

    static constexpr std::uint64_t kDefaultLogRotateBytes = 50ull * 1024 * 1024;
};

}  // namespace m8163
