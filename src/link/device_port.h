#pragma once

#include "link/network_port.h"
#include "link/termios_port.h"

// The program's one port, whatever the device string names: a URL of a
// device server opens the network port, anything else the local tty. The
// choice is made at each open; everything else goes to the port chosen.

namespace m8163 {

class DevicePort final : public SerialPort {
  public:
    DevicePort();
    DevicePort(const DevicePort&) = delete;
    DevicePort& operator=(const DevicePort&) = delete;

    void setOptions(const PortOptions& options) override;
    OpenResult open(const std::string& device, const LineSettings& line,
                    const PortTimeouts& timeouts) override;
    void close() override { active_->close(); }
    bool isOpen() const override { return active_->isOpen(); }
    bool lost() const override { return active_->lost(); }
    bool retrying() const override { return active_->retrying(); }
    bool lineFormatFixed() const override { return active_->lineFormatFixed(); }
    void setTimeouts(const PortTimeouts& timeouts) override { active_->setTimeouts(timeouts); }
    void purge() override { active_->purge(); }
    unsigned clearErrors() override { return active_->clearErrors(); }
    void clearRtsAndDtr() override { active_->clearRtsAndDtr(); }
    void clearRtsSetDtr() override { active_->clearRtsSetDtr(); }
    bool echoes() const override { return active_->echoes(); }
    std::size_t write(const std::uint8_t* data, std::size_t size) override {
        return active_->write(data, size);
    }
    std::size_t read(std::uint8_t* buffer, std::size_t size) override {
        return active_->read(buffer, size);
    }
    void setWait(PortWait* wait) override;

  private:
    // A port that loses or regains its device on its own: its words and
    // the news go on to whoever listens to this one.
    void relay(const SerialPort& from);

    TermiosPort termios_;
    NetworkPort network_;
    SerialPort* active_ = &termios_;
};

}  // namespace m8163
