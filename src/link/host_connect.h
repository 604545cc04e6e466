#pragma once

#include <functional>
#include <string>

#include "base/port_wait.h"

// A TCP connection to a serial device server, made without blocking the
// caller past a deadline: the name is resolved on a helper thread (the C
// library's resolver cannot be given a time limit), the connection is made
// without blocking, and every wait goes through `wait`, so that a window
// keeps painting meanwhile.

namespace m8163 {

// Waits as PortWait::wait does; 0 before the deadline gives the attempt up.
using WaitForFd = std::function<short(int fd, short events, PortWait::Deadline deadline)>;

struct HostConnection {
    int fd = -1;         // connected, non-blocking, close-on-exec; -1 on failure
    int error = 0;       // errno-like reason of a failure (ETIMEDOUT past the deadline)
    std::string reason;  // in the user's words, naming what failed
};

HostConnection connectToHost(const std::string& host, const std::string& port,
                             PortWait::Deadline deadline, const WaitForFd& wait);

}  // namespace m8163
