#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "base/port_wait.h"
#include "link/line_format.h"
#include "link/port_options.h"

// The serial-port seam: what the program asks of its one serial device. The
// real port is termios; tests use a scripted port.

namespace m8163 {

// Read and write time-outs in milliseconds. A read of N bytes returns when
// N bytes are in; or, once a byte has arrived, when the gap after the last
// byte exceeds readInterval; or when readConstant + readMultiplier * N have
// passed since the read began (see readTimeLimit). The write values are
// always 0 here.
struct PortTimeouts {
    std::uint32_t readInterval = 0;
    std::uint32_t readMultiplier = 0;
    std::uint32_t readConstant = 0;
    std::uint32_t writeMultiplier = 0;
    std::uint32_t writeConstant = 0;

    bool operator==(const PortTimeouts&) const = default;
};

// No single read waits longer than this, whatever the time-outs say: a
// TimeOut of 0x7FFFFFFF ms in dev.dat would freeze the window for 24 days.
inline constexpr std::chrono::milliseconds kLongestRead{60'000};

// How long a read of `size` bytes may take in all: readConstant +
// readMultiplier * size, at most kLongestRead.
constexpr std::chrono::milliseconds readTimeLimit(const PortTimeouts& timeouts, std::size_t size) {
    const auto longest = static_cast<std::uint64_t>(kLongestRead.count());
    std::uint64_t total = timeouts.readConstant;
    // Compared before multiplying, so that the product cannot overflow.
    if (timeouts.readMultiplier != 0 && size > longest / timeouts.readMultiplier)
        total = longest;
    else
        total += std::uint64_t{timeouts.readMultiplier} * size;
    return std::chrono::milliseconds(static_cast<std::int64_t>(std::min(total, longest)));
}

// Line format. Data bits are always 8 and there is one stop bit.
struct LineSettings {
    int speed = 19200;             // bit/s
    Parity parity = Parity::None;  // odd and even are checked

    bool operator==(const LineSettings&) const = default;
};

// Receive errors reported by the device since the last clearErrors().
enum ReceiveError : unsigned {
    kRxParity = 0x01,
    kRxFrame = 0x02,
    kRxOverrun = 0x04,
    kRxBufferOverrun = 0x08,
    kRxBreak = 0x10,
};

struct OpenResult {
    bool ok = false;
    int error = 0;       // errno of the failed step
    std::string reason;  // the system's text for it
    // An open that succeeded although the device refused the kernel's RS-485
    // mode that the options ask for: its errno, given once per device path
    // (later opens of the same path set it no more), else 0. `reason` may
    // then say why in the user's words.
    int rs485Refused = 0;
};

class SerialPort {
  public:
    virtual ~SerialPort() = default;

    // How the adapter drives the line, for the next open and every reopen
    // after it.
    virtual void setOptions(const PortOptions& options) = 0;
    // Opens the device exclusively and applies line settings, time-outs and
    // the options. The caller closes a previous device first.
    virtual OpenResult open(const std::string& device, const LineSettings& line,
                            const PortTimeouts& timeouts) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The device went away while open and the port waits to reopen it: it
    // counts as open for the program, yet no byte reaches a module.
    virtual bool lost() const { return false; }
    // An open was refused for a reason that may pass (the device busy,
    // access refused, no device yet): the port is not open, but tries the
    // device again before exchanges until it opens or is closed.
    virtual bool retrying() const { return false; }
    // The line format is the far end's own and open() cannot change it (a
    // device server reached over plain TCP).
    virtual bool lineFormatFixed() const { return false; }

    virtual void setTimeouts(const PortTimeouts& timeouts) = 0;
    // Drops whatever waits in the transmit and receive buffers.
    virtual void purge() = 0;
    // Returns the ReceiveError bits seen since the previous call and starts
    // counting afresh.
    virtual unsigned clearErrors() = 0;
    // Modem-control lines. Opening a tty raises both; the module's line wants
    // both off after every open, and start-up then clears RTS and sets DTR.
    virtual void clearRtsAndDtr() = 0;
    virtual void clearRtsSetDtr() = 0;
    // The adapter hands back every byte sent (the "echo" option of the open
    // device): a transaction reads its request back before the reply.
    virtual bool echoes() const = 0;

    // One write of the whole buffer; returns the bytes written (0 when not open).
    virtual std::size_t write(const std::uint8_t* data, std::size_t size) = 0;
    // One timed read under the current time-outs; returns the bytes received
    // (0 when not open).
    virtual std::size_t read(std::uint8_t* buffer, std::size_t size) = 0;

    // Where reads and writes wait for the device: `wait`, or the kernel when
    // it is null. The wait must outlive its use here. A port that wraps
    // another hands it on.
    virtual void setWait(PortWait* wait) { wait_ = wait; }

    // Called when the port loses its device or gets it back on its own (not
    // for open and close, which the caller sees): the window's state line
    // follows it.
    void setStateListener(std::function<void()> listener) { stateListener_ = std::move(listener); }

    // Why no device is open, in the user's words, for the box of an exchange
    // that could not reach the line; set by whoever opens the port or loses
    // the device.
    const std::string& notOpenReason() const { return notOpenReason_; }
    void setNotOpenReason(std::string reason) { notOpenReason_ = std::move(reason); }

    // The outcome of the latest attempt to open the device, the retries of a
    // refused open included: what the state line says after a change the
    // port made by itself.
    const OpenResult& lastOpen() const { return lastOpen_; }

  protected:
    void setLastOpen(OpenResult result) { lastOpen_ = std::move(result); }
    void stateChanged() const {
        if (stateListener_)
            stateListener_();
    }

    // Waits as PortWait::wait does, through the wait set here.
    short waitFor(int fd, short events, PortWait::Deadline deadline) const {
        return wait_ != nullptr ? wait_->wait(fd, events, deadline)
                                : waitInKernel(fd, events, deadline);
    }

    // The wait set here has been asked to stop the program.
    bool stopAsked() const { return wait_ != nullptr && wait_->stopAsked(); }

  private:
    PortWait* wait_ = nullptr;
    std::function<void()> stateListener_;
    std::string notOpenReason_;
    OpenResult lastOpen_;
};

}  // namespace m8163
