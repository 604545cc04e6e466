#include "link/device_port.h"

#include "link/device_url.h"

namespace m8163 {

DevicePort::DevicePort() {
    termios_.setStateListener([this] { relay(termios_); });
    network_.setStateListener([this] { relay(network_); });
}

void DevicePort::setOptions(const PortOptions& options) {
    termios_.setOptions(options);
    network_.setOptions(options);
}

OpenResult DevicePort::open(const std::string& device, const LineSettings& line,
                            const PortTimeouts& timeouts) {
    active_->close();
    // The network port keeps its connection for its next open; a local
    // device opened instead ends it.
    if (!isNetworkDevice(device))
        network_.disconnect();
    active_ = isNetworkDevice(device) ? static_cast<SerialPort*>(&network_) : &termios_;
    return active_->open(device, line, timeouts);
}

void DevicePort::setWait(PortWait* wait) {
    SerialPort::setWait(wait);
    termios_.setWait(wait);
    network_.setWait(wait);
}

void DevicePort::relay(const SerialPort& from) {
    setNotOpenReason(from.notOpenReason());
    setLastOpen(from.lastOpen());
    stateChanged();
}

}  // namespace m8163
