#pragma once

#include <chrono>

// Where the serial port waits for its device. Left alone the port sleeps in
// the kernel; a program with a window puts a wait of its own here that keeps
// the window painted and answering its desktop meanwhile (and that must not
// run another command of the program).

namespace m8163 {

class PortWait {
  public:
    using Deadline = std::chrono::steady_clock::time_point;

    virtual ~PortWait() = default;
    // Waits until `fd` is ready for `events` (poll() flags; 0 waits for a
    // hang-up only), the device hangs up, or `deadline` passes. Returns the
    // poll() events seen, 0 at the deadline. With `fd` below 0 it waits for
    // the deadline alone.
    virtual short wait(int fd, short events, Deadline deadline) = 0;
    // Whether the program has been asked to stop (a signal, the window
    // closing): a port gives up waits longer than an exchange's, such as a
    // connection to a server on the network.
    virtual bool stopAsked() const { return false; }
};

// The kernel's wait: ppoll() until the deadline, restarted after a signal.
short waitInKernel(int fd, short events, PortWait::Deadline deadline);

}  // namespace m8163
