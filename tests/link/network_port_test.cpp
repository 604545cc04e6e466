// The network port against a plain TCP server in the test: the allowance
// bridges a reply that the network delivers in two pieces, and a refused
// connection is a failed open that names the reason.

#include "link/network_port.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

namespace m8163 {
namespace {

using namespace std::chrono_literals;

// Accepts one connection; for each byte received sends `first`, waits
// `gap`, then sends `second`.
class SplittingServer {
  public:
    SplittingServer(std::vector<std::uint8_t> first, std::vector<std::uint8_t> second,
                    std::chrono::milliseconds gap) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 1) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("no listening socket");
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this, first, second, gap] {
            const int fd = ::accept(listener_, nullptr, nullptr);
            std::uint8_t byte = 0;
            while (fd >= 0 && ::recv(fd, &byte, 1, 0) == 1) {
                ::send(fd, first.data(), first.size(), MSG_NOSIGNAL);
                std::this_thread::sleep_for(gap);
                ::send(fd, second.data(), second.size(), MSG_NOSIGNAL);
            }
            if (fd >= 0)
                ::close(fd);
        });
    }
    ~SplittingServer() {
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        thread_.join();
    }
    std::string url() const { return "socket://127.0.0.1:" + std::to_string(port_); }

  private:
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
};

TEST(NetworkPortTest, AllowanceBridgesAReplySplitByTheNetwork) {
    struct Case {
        std::uint32_t allowanceMs;
        std::size_t expected;
    };
    // A 10 ms read interval alone cuts a reply whose second piece comes
    // 60 ms after its first; an allowance of 150 ms bridges that gap.
    for (const Case c : {Case{0, 3}, Case{150, 6}}) {
        SplittingServer server({1, 2, 3}, {4, 0xFF, 6}, 60ms);
        NetworkPort port;
        PortOptions options;
        options.networkAllowanceMs = c.allowanceMs;
        port.setOptions(options);
        PortTimeouts timeouts;
        timeouts.readInterval = 10;
        timeouts.readConstant = 500;
        ASSERT_TRUE(port.open(server.url(), {19200, Parity::None}, timeouts).ok);
        EXPECT_EQ(port.timeouts().readInterval, 10 + c.allowanceMs);
        EXPECT_EQ(port.timeouts().readConstant, 500 + c.allowanceMs);
        EXPECT_TRUE(port.lineFormatFixed());

        const std::uint8_t request = 0x01;
        ASSERT_EQ(port.write(&request, 1), 1u);
        std::uint8_t reply[8] = {};
        EXPECT_EQ(port.read(reply, sizeof reply), c.expected) << c.allowanceMs;
        port.close();
    }
}

TEST(NetworkPortTest, RefusedOrMalformedUrlIsAFailedOpen) {
    NetworkPort port;
    OpenResult refused = port.open("socket://127.0.0.1:1", {19200, Parity::None}, {});
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.error, ECONNREFUSED);
    EXPECT_FALSE(port.isOpen());
    std::uint8_t byte = 0;
    EXPECT_EQ(port.write(&byte, 1), 0u);
    EXPECT_EQ(port.read(&byte, 1), 0u);

    const OpenResult malformed = port.open("rfc2217://no-port", {19200, Parity::None}, {});
    EXPECT_FALSE(malformed.ok);
    EXPECT_EQ(malformed.error, EINVAL);
    EXPECT_NE(malformed.reason.find("rfc2217://"), std::string::npos);
}

}  // namespace
}  // namespace m8163
