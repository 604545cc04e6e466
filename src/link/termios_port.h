#pragma once

#include <termios.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "link/adapter_control.h"
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
//
// An open refused for a reason that may pass without the user (another
// program holds the device, the system refuses access, the path names no
// device yet) is retried the same way: the port stays closed for the program,
// but the next exchange tries the path again, at most once a second, and
// opens it once the holder lets go, access is granted or the adapter is
// plugged in. A retry that fails for other reasons than before (another
// holder, another errno) updates the port's words and tells the listener.
//
// The port options are applied on every open, reopens included: the kernel's
// RS-485 mode where asked, low latency unless asked not to; close puts back
// what they changed. Without low latency a USB adapter holds received bytes
// for its latency timer (16 ms on common chips), so a reply may come in
// bursts that far apart: the read interval is then never below
// kBurstInterval.

namespace m8163 {

// The least read interval while the driver may hold bytes for its latency
// timer: the common 16 ms with room for the USB schedule.
inline constexpr std::chrono::milliseconds kBurstInterval{24};

class TermiosPort final : public SerialPort {
  public:
    TermiosPort() = default;
    // `control` carries the RS-485 and low-latency requests (tests record them).
    explicit TermiosPort(AdapterControl& control) : control_(&control) {}
    TermiosPort(const TermiosPort&) = delete;
    TermiosPort& operator=(const TermiosPort&) = delete;
    ~TermiosPort() override;

    OpenResult open(const std::string& device, const LineSettings& line,
                    const PortTimeouts& timeouts) override;
    void close() override;
    bool isOpen() const override { return fd_ >= 0 || lost_; }
    // The device went away and the port waits to reopen it.
    bool lost() const override { return lost_; }
    bool retrying() const override { return retrying_; }

    void setTimeouts(const PortTimeouts& timeouts) override;
    // The time-outs reads use: those set, with the interval raised to
    // kBurstInterval while low latency is not in force.
    PortTimeouts timeouts() const { return timeouts_; }
    bool lowLatency() const { return lowLatency_; }
    void purge() override;
    unsigned clearErrors() override;
    void clearRtsAndDtr() override;
    void clearRtsSetDtr() override;
    void setOptions(const PortOptions& options) override { options_ = options; }
    bool echoes() const override { return options_.echo; }

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
    void reopenIfDue();
    void noteRetryFailure(const OpenResult& result);
    bool readCounts(ErrorCounts& counts) const;
    void changeModemLines(unsigned long request, int lines);
    int setUpAdapterOptions(int fd);
    void useTimeouts();

    AdapterControl* control_ = &kernelAdapterControl();

    int fd_ = -1;
    std::string device_;  // what open() was given, for a reopen
    LineSettings line_;
    PortOptions options_;
    PortTimeouts requestedTimeouts_;  // as set
    PortTimeouts timeouts_;           // as reads use them
    termios saved_{};                 // the device's settings before open, restored at close
    ErrorCounts baseline_;
    bool exclusiveOurs_ = false;  // this port set the tty's exclusive flag
    bool dtrOn_ = false;          // as the program last set it; a reopen restores it
    bool lost_ = false;
    bool retrying_ = false;          // the last open was refused for a passing reason
    AdapterRestore adapterRestore_;  // what the options changed on the device
    bool lowLatency_ = false;
    std::string rs485Reported_;  // the device whose refused RS-485 mode was reported
    std::chrono::steady_clock::time_point nextReopen_{};  // of a lost or refused device
};

}  // namespace m8163
