#pragma once

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

// A serial device server on 127.0.0.1 that misbehaves on purpose, one
// connection after the other, until it is destroyed. Every send and wait of
// its thread is short, so that it ends at once whatever the client does.

namespace m8163::test {

enum class Hostility {
    FloodRandom,    // random bytes, as fast as TCP takes them
    FloodData,      // plain data (no Telnet escape), as fast as TCP takes them
    EndlessSub,     // agrees to RFC 2217, then (0.8 s on) a subnegotiation that never ends
    ByteASecond,    // one data byte a second, never a whole reply
    ResetMidReply,  // three bytes of a reply to each request, then a reset
    CloseAtOnce,    // accepts and closes
};

// A program's peak memory says nothing of it under AddressSanitizer, whose
// shadow memory it counts.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kPeakMemoryMeasured = false;
#else
inline constexpr bool kPeakMemoryMeasured = true;
#endif

inline constexpr Hostility kAllHostilities[] = {Hostility::FloodRandom,   Hostility::FloodData,
                                                Hostility::EndlessSub,    Hostility::ByteASecond,
                                                Hostility::ResetMidReply, Hostility::CloseAtOnce};

inline const char* hostilityName(Hostility h) {
    switch (h) {
        case Hostility::FloodRandom:
            return "FloodRandom";
        case Hostility::FloodData:
            return "FloodData";
        case Hostility::EndlessSub:
            return "EndlessSub";
        case Hostility::ByteASecond:
            return "ByteASecond";
        case Hostility::ResetMidReply:
            return "ResetMidReply";
        case Hostility::CloseAtOnce:
            return "CloseAtOnce";
    }
    return "?";
}

class HostileServer {
  public:
    explicit HostileServer(Hostility hostility) : hostility_(hostility) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listener_ < 0 ||
            ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 4) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("no listening socket");
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~HostileServer() {
        stop_ = true;
        thread_.join();
        ::close(listener_);
    }
    HostileServer(const HostileServer&) = delete;
    HostileServer& operator=(const HostileServer&) = delete;

    std::string url(const std::string& scheme) const {
        return scheme + "://127.0.0.1:" + std::to_string(port_);
    }
    int connections() const { return connections_; }

  private:
    using Clock = std::chrono::steady_clock;

    bool ready(int fd, short events, int ms) {
        pollfd p{fd, events, 0};
        return ::poll(&p, 1, ms) > 0 && (p.revents & events) != 0;
    }

    // Sends what the socket takes now; false once the client has gone.
    bool sendSome(int fd, const std::vector<std::uint8_t>& bytes) {
        if (!ready(fd, POLLOUT, 20))
            return true;
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        return n >= 0 || errno == EAGAIN || errno == EWOULDBLOCK;
    }

    // Drains what the client sent; false once it has gone.
    bool drain(int fd, int ms, std::size_t* got = nullptr) {
        if (!ready(fd, POLLIN, ms))
            return true;
        std::uint8_t buffer[4096];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got != nullptr && n > 0)
            *got = static_cast<std::size_t>(n);
        return n > 0 || (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
    }

    void serve() {
        while (!stop_) {
            if (!ready(listener_, POLLIN, 50))
                continue;
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            ++connections_;
            talk(fd);
            ::close(fd);
        }
    }

    void talk(int fd) {
        std::mt19937 random(7);
        std::vector<std::uint8_t> block(16384);
        switch (hostility_) {
            case Hostility::CloseAtOnce:
                return;
            case Hostility::FloodRandom:
            case Hostility::FloodData:
                for (std::uint8_t& b : block) {
                    b = hostility_ == Hostility::FloodData ? 'A'
                                                           : static_cast<std::uint8_t>(random());
                }
                while (!stop_ && drain(fd, 0) && sendSome(fd, block)) {
                }
                return;
            case Hostility::EndlessSub: {
                // IAC DO COM-PORT-OPTION, no reply to any command; once the
                // client has given up waiting for those (it is open then),
                // IAC SB COM-PORT-OPTION and data for ever.
                if (!sendSome(fd, {255, 253, 44}))
                    return;
                const auto start = Clock::now() + std::chrono::milliseconds(800);
                while (!stop_ && Clock::now() < start) {
                    if (!drain(fd, 20))
                        return;
                }
                if (!sendSome(fd, {255, 250, 44}))
                    return;
                block.assign(block.size(), 'x');
                while (!stop_ && drain(fd, 0) && sendSome(fd, block)) {
                }
                return;
            }
            case Hostility::ByteASecond: {
                auto next = Clock::now();
                while (!stop_ && drain(fd, 50)) {
                    if (Clock::now() >= next) {
                        if (!sendSome(fd, {0x01}))
                            return;
                        next += std::chrono::seconds(1);
                    }
                }
                return;
            }
            case Hostility::ResetMidReply:
                for (;;) {
                    std::size_t got = 0;
                    while (!stop_ && got == 0) {
                        if (!drain(fd, 50, &got))
                            return;
                    }
                    if (stop_)
                        return;
                    sendSome(fd, {0x01, 0x03, 0x0E});
                    const linger reset{1, 0};
                    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
                    return;
                }
        }
    }

    Hostility hostility_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::thread thread_;
};

}  // namespace m8163::test
