#pragma once

#include <termios.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "link/serial_port.h"

// The serial port on Linux: a tty device in raw mode under termios, opened
// exclusively, read with poll() under the interval / multiplier / constant
// time-out rule.
//
// A device that goes away while open (USB adapter pulled, far end of a
// pseudo-terminal gone: a hang-up, EIO, or its node deleted) is let go at
// once, so that an adapter plugged back in gets its old name. The port stays
// open for the program: exchanges fail as silence, and the next one reopens
// the same path with the same settings, at most once a second while the
// device is missing.

namespace m8163 {

class TermiosPort final : public SerialPort {
  public:
    TermiosPort() = default;
    TermiosPort(const TermiosPort&) = delete;
    TermiosPort& operator=(const TermiosPort&) = delete;
    ~TermiosPort() override;

    OpenResult open(const std::string& device, const LineSettings& line,
                    const PortTimeouts& timeouts) override;
    void close() override;
    bool isOpen() const override { return fd_ >= 0 || lost_; }
    // The device went away and the port waits to reopen it.
    bool lost() const { return lost_; }

    void setTimeouts(const PortTimeouts& timeouts) override { timeouts_ = timeouts; }
    void purge() override;
    unsigned clearErrors() override;
    void clearRtsAndDtr() override;
    void clearRtsSetDtr() override;

    std::size_t write(const std::uint8_t* data, std::size_t size) override;
    std::size_t read(std::uint8_t* buffer, std::size_t size) override;

  private:
    struct ErrorCounts {
        long parity = 0, frame = 0, overrun = 0, bufferOverrun = 0, brk = 0;
    };
    OpenResult openDevice();
    void release();
    void noticeHangUp();
    std::size_t takeRestAfterHangUp(std::uint8_t* buffer, std::size_t size);
    void reopenIfLost();
    bool readCounts(ErrorCounts& counts) const;
    void changeModemLines(unsigned long request, int lines);

    int fd_ = -1;
    std::string device_;  // what open() was given, for a reopen
    LineSettings line_;
    PortTimeouts timeouts_;
    termios saved_{};  // the device's settings before open, restored at close
    ErrorCounts baseline_;
    bool exclusiveOurs_ = false;  // this port set the tty's exclusive flag
    bool dtrOn_ = false;          // as the program last set it; a reopen restores it
    bool lost_ = false;
    std::chrono::steady_clock::time_point nextReopen_{};
};

}  // namespace m8163
