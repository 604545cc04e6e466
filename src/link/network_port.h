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
// up after kConnectLimit, or within kStopCheck once the program is asked to
// stop. A connection that drops is let go and counts as a lost device:
// exchanges fail as silence, and the next one reconnects, at most once a
// second.
//
// Whatever a server sends, every wait ends by its deadline: a receive takes
// at most kReceiveBudget bytes from the socket before the deadline is looked
// at again, at most kKeptLimit bytes wait for a read (what arrives beyond
// that is dropped and reported as a buffer overrun), and a Telnet
// subnegotiation longer than kLongestSubNegotiation ends the connection
// with a reason that names the server.
//
// Replies are taken as soon as the server sends them: the socket does not
// delay its acknowledgements (TCP_QUICKACK, armed again around every
// receive), so a server that writes a reply byte by byte behind Nagle's
// rule is not held up for the delayed ACK of each piece.
//
// A connection outlives close(): the next open of the same URL takes it up
// again (over RFC 2217 setting the new line format in band), so a search
// that reopens the port for every trial, or a command after a command,
// does not connect anew. A server that hung up meanwhile is connected to
// afresh; disconnect() ends the connection for good, and waits (up to
// kGentleCloseLimit) for the server to end its side, so that a server that
// forks a child per connection has let the line go before the next one.

namespace m8163 {

inline constexpr std::chrono::seconds kConnectLimit{3};
// How long a reply to an RFC 2217 command is waited for.
inline constexpr std::chrono::milliseconds kCommandReplyLimit{500};
// How often a connection attempt looks whether the program is to stop.
inline constexpr std::chrono::milliseconds kStopCheck{100};
// How long ending a connection waits for the server to end its side.
inline constexpr std::chrono::milliseconds kGentleCloseLimit{600};
// The bytes kept for reads: a reply with the echo of its request.
inline constexpr std::size_t kKeptLimit = 512;
// The most one receive takes from the socket before looking at the clock.
inline constexpr std::size_t kReceiveBudget = 64 * 1024;

class NetworkPort final : public SerialPort {
  public:
    NetworkPort() = default;
    NetworkPort(const NetworkPort&) = delete;
    NetworkPort& operator=(const NetworkPort&) = delete;
    ~NetworkPort() override;

    // A device that is no well-formed URL fails with EINVAL; a refused or
    // silent server with the system's reason naming the server; a server
    // that will not take the COM-PORT-OPTION of an rfc2217:// URL with
    // EPROTONOSUPPORT. RS-485 words of the options are told of once per URL
    // (rs485Refused, with the reason): the server sets its own line.
    OpenResult open(const std::string& device, const LineSettings& line,
                    const PortTimeouts& timeouts) override;
    // Closes the port for the program; the connection stays for the next
    // open of the same URL (see above), unless the program is to stop.
    void close() override;
    // Closes the port and its connection.
    void disconnect();
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
    bool resume();
    OpenResult closedByServer();
    void applyLineFormat(Clock::time_point deadline);
    void release();
    void releaseKept();
    void noticeHangUp(const std::string& why = {});
    void keep(const std::uint8_t* bytes, std::size_t size);
    void armQuickAck() const;
    // Waits through the port's wait; while connecting, in slices that look
    // whether the program is to stop (0 then, as at the deadline).
    short waitBounded(int fd, short events, Clock::time_point deadline);
    void reopenIfLost();
    void useTimeouts();
    bool rfc2217() const { return url_.protocol == NetworkProtocol::Rfc2217; }
    // Takes what the socket holds without waiting, up to kReceiveBudget;
    // false when the server has gone (then the port is lost) or the answers
    // the negotiation needs could not be sent by `deadline`.
    bool receiveWaiting(Clock::time_point deadline);
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
    LineSettings serverLine_;  // the line format last set on the server
    Rfc2217Codec codec_;
    std::vector<std::uint8_t> received_;  // data taken from the socket, not yet read
    bool overflowed_ = false;             // bytes beyond kKeptLimit were dropped
    std::string fault_;                   // why the server was left, when it broke the protocol
    int keptFd_ = -1;                     // the connection after close()
    std::string keptDevice_;              // ... and its URL
    bool purgeReplies_ = true;            // the server has acknowledged purges so far
    bool stopped_ = false;                // a connection attempt gave up for a stop
    std::string rs485Told_;               // the URL whose RS-485 words were told of
    bool dtrOn_ = false;
    bool lost_ = false;
    bool connecting_ = false;  // a drop now fails the connection attempt
    Clock::time_point nextReopen_{};
};

}  // namespace m8163
