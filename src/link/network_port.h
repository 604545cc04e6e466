#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "link/device_url.h"
#include "link/rfc2217_codec.h"
#include "link/serial_port.h"

// The serial port of a device server on the network, named by URL
// (device_url.h). Over RFC 2217 every open sets the server's line to the
// program's format, each purge purges the server's buffers as well, and the
// control lines follow the program's requests; over plain TCP the line
// format is the server's own and cannot be set.
//
// The server's replies to commands are waited for a bounded time only: a
// server may never acknowledge some of them (ser2net on a pseudo-terminal
// does not acknowledge the control lines, which the pseudo-terminal refuses),
// and that is not a failure. Nothing waits for those of the control lines.
//
// Reads keep the interval / multiplier / constant rule, with the constant
// and the interval lengthened by the network allowance of the port options:
// TCP may split a reply in pieces, and the server gathers bytes before it
// sends them. A connection attempt (name lookup, connect, negotiation) gives
// up after kConnectLimit. A connection that drops is let go and counts as
// a lost device: exchanges fail as silence, and the next one reconnects, at
// most once a second.

namespace m8163 {

inline constexpr std::chrono::seconds kConnectLimit{3};
// How long a reply to an RFC 2217 command is waited for.
inline constexpr std::chrono::milliseconds kCommandReplyLimit{500};

class NetworkPort final : public SerialPort {
  public:
    NetworkPort() = default;
    NetworkPort(const NetworkPort&) = delete;
    NetworkPort& operator=(const NetworkPort&) = delete;
    ~NetworkPort() override;

    // A device that is no well-formed URL fails with EINVAL; a refused or
    // silent server with the system's reason naming the server; a server
    // that will not take the COM-PORT-OPTION of an rfc2217:// URL with
    // EPROTONOSUPPORT.
    OpenResult open(const std::string& device, const LineSettings& line,
                    const PortTimeouts& timeouts) override;
    void close() override;
    bool isOpen() const override { return fd_ >= 0 || lost_; }
    bool lost() const override { return lost_; }
    bool lineFormatFixed() const override {
        return isOpen() && url_.protocol == NetworkProtocol::RawTcp;
    }

    void setTimeouts(const PortTimeouts& timeouts) override;
    // The time-outs reads use: those set, lengthened by the allowance.
    PortTimeouts timeouts() const { return timeouts_; }
    void purge() override;
    unsigned clearErrors() override;
    void clearRtsAndDtr() override;
    void clearRtsSetDtr() override;
    void setOptions(const PortOptions& options) override;
    bool echoes() const override { return options_.echo; }

    std::size_t write(const std::uint8_t* data, std::size_t size) override;
    std::size_t read(std::uint8_t* buffer, std::size_t size) override;

  private:
    using Clock = std::chrono::steady_clock;
    OpenResult connectServer();
    OpenResult negotiate(Clock::time_point deadline);
    OpenResult closedByServer();
    void applyLineFormat(Clock::time_point deadline);
    void release();
    void noticeHangUp();
    void reopenIfLost();
    void useTimeouts();
    bool rfc2217() const { return url_.protocol == NetworkProtocol::Rfc2217; }
    // Takes what the socket holds without waiting; false when the server
    // has gone (then the port is lost).
    bool receiveWaiting();
    // Receives until `done` holds or the deadline passes; false then.
    template <typename Done>
    bool receiveUntil(Done done, Clock::time_point deadline);
    // Sends all of `bytes` by the deadline; false when it could not.
    bool sendAll(const std::vector<std::uint8_t>& bytes, Clock::time_point deadline);
    void sendCommand(const std::vector<std::uint8_t>& bytes);

    int fd_ = -1;
    std::string device_;
    DeviceUrl url_;
    LineSettings line_;
    PortOptions options_;
    PortTimeouts requestedTimeouts_;
    PortTimeouts timeouts_;
    Rfc2217Codec codec_;
    std::vector<std::uint8_t> received_;  // data taken from the socket, not yet read
    bool purgeReplies_ = true;            // the server has acknowledged purges so far
    bool dtrOn_ = false;
    bool lost_ = false;
    bool connecting_ = false;  // a drop now fails the connection attempt
    Clock::time_point nextReopen_{};
};

}  // namespace m8163
