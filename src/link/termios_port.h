#pragma once

#include <termios.h>

#include <cstdint>

#include "link/serial_port.h"

// The serial port on Linux: a tty device in raw mode under termios, opened
// exclusively, read with poll() under the interval / multiplier / constant
// time-out rule.

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
    bool isOpen() const override { return fd_ >= 0; }

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
    bool readCounts(ErrorCounts& counts) const;
    void changeModemLines(unsigned long request, int lines);

    int fd_ = -1;
    PortTimeouts timeouts_;
    termios saved_{};  // the device's settings before open, restored at close
    ErrorCounts baseline_;
};

}  // namespace m8163
