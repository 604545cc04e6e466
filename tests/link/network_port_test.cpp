// The network port against TCP servers in the test: the allowance bridges
// a reply that the network delivers in two pieces, a refused connection is a
// failed open that names the reason, a connection outlives close() for the
// next open, and a hostile server cannot hold a wait past its deadline.

#include "link/network_port.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

#include "hostile_server.h"

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

// The server takes one connection only: the second open works because it
// takes up the connection the close kept.
TEST(NetworkPortTest, CloseKeepsTheConnectionForTheNextOpenOfTheSameUrl) {
    SplittingServer server({1, 2, 3}, {}, 0ms);
    NetworkPort port;
    PortTimeouts timeouts;
    timeouts.readInterval = 20;
    timeouts.readConstant = 500;
    const std::uint8_t request = 0x01;
    std::uint8_t reply[3] = {};
    for (int open = 0; open < 3; ++open) {
        ASSERT_TRUE(port.open(server.url(), {9600 * (open + 1), Parity::None}, timeouts).ok);
        ASSERT_EQ(port.write(&request, 1), 1u);
        EXPECT_EQ(port.read(reply, sizeof reply), 3u) << "open " << open;
        port.close();
        EXPECT_FALSE(port.isOpen());
    }
    // Another URL ends the kept connection and fails on its own.
    EXPECT_FALSE(port.open("socket://127.0.0.1:1", {19200, Parity::None}, timeouts).ok);
    port.disconnect();
}

// RS-485 words of the options are a local port's: told of once per URL, with
// the reason, and the port opens all the same.
TEST(NetworkPortTest, Rs485WordsAreToldOfOncePerUrl) {
    SplittingServer server({1}, {}, 0ms);
    NetworkPort port;
    PortOptions options;
    options.rs485 = true;
    port.setOptions(options);
    const OpenResult first = port.open(server.url(), {19200, Parity::None}, {});
    ASSERT_TRUE(first.ok);
    EXPECT_EQ(first.rs485Refused, EOPNOTSUPP);
    EXPECT_NE(first.reason.find("режим RS-485 задаётся на сервере"), std::string::npos);
    port.close();
    const OpenResult again = port.open(server.url(), {19200, Parity::None}, {});
    ASSERT_TRUE(again.ok);
    EXPECT_EQ(again.rs485Refused, 0);
}

// Whatever the server does, an open ends within its connection limit and a
// read within its time limit, each with a second to spare for a loaded
// machine; what a flood sends beyond what is kept is reported as an overrun.
TEST(NetworkPortTest, AHostileServerCannotHoldTheProgram) {
    using test::Hostility;
    using Clock = std::chrono::steady_clock;
    for (const Hostility h : test::kAllHostilities) {
        for (const std::string scheme : {"socket", "rfc2217"}) {
            SCOPED_TRACE(std::string(test::hostilityName(h)) + " " + scheme);
            test::HostileServer server(h);
            NetworkPort port;
            PortTimeouts timeouts;
            timeouts.readInterval = 2;
            timeouts.readMultiplier = 2;
            timeouts.readConstant = 300;
            auto start = Clock::now();
            const OpenResult opened =
                port.open(server.url(scheme), {19200, Parity::None}, timeouts);
            EXPECT_LT(Clock::now() - start, kConnectLimit + 1s);
            if (!opened.ok)
                continue;
            for (int exchange = 0; exchange < 3; ++exchange) {
                start = Clock::now();
                port.purge();
                port.clearErrors();
                const std::uint8_t request[8] = {1, 3, 0, 0, 0, 7, 0x04, 0x08};
                port.write(request, sizeof request);
                std::uint8_t reply[256];
                const std::size_t got = port.read(reply, sizeof reply);
                EXPECT_LT(Clock::now() - start,
                          kCommandReplyLimit + readTimeLimit(port.timeouts(), sizeof reply) + 1s);
                if (h == Hostility::FloodData && scheme == "socket") {
                    EXPECT_EQ(got, sizeof reply);
                    EXPECT_NE(port.clearErrors() & kRxBufferOverrun, 0u);
                }
            }
        }
    }
}

// A subnegotiation that never ends, once the port is open: the connection
// is let go, and the exchanges that fail meanwhile name the server.
TEST(NetworkPortTest, AnEndlessSubnegotiationEndsTheConnectionNamingTheServer) {
    test::HostileServer server(test::Hostility::EndlessSub);
    NetworkPort port;
    PortTimeouts timeouts;
    timeouts.readConstant = 300;
    ASSERT_TRUE(port.open(server.url("rfc2217"), {19200, Parity::None}, timeouts).ok);
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (!port.lost() && std::chrono::steady_clock::now() < end) {
        port.purge();
        std::uint8_t reply[8];
        port.read(reply, sizeof reply);
    }
    ASSERT_TRUE(port.lost());
    EXPECT_NE(port.notOpenReason().find(server.url("rfc2217")), std::string::npos)
        << port.notOpenReason();
    EXPECT_NE(port.notOpenReason().find("согласование RFC 2217 длиннее 1024 байт"),
              std::string::npos)
        << port.notOpenReason();
}

// A stop asked of the program ends a connection attempt within a fraction
// of a second, not at the connection limit.
TEST(NetworkPortTest, AStopEndsAConnectionAttemptAtOnce) {
    class StoppingWait final : public PortWait {
      public:
        short wait(int fd, short events, Deadline deadline) override {
            return waitInKernel(fd, events, deadline);
        }
        bool stopAsked() const override { return std::chrono::steady_clock::now() >= stopAt; }
        std::chrono::steady_clock::time_point stopAt = std::chrono::steady_clock::now() + 300ms;
    };
    test::HostileServer server(test::Hostility::ByteASecond);  // never negotiates
    StoppingWait wait;
    NetworkPort port;
    port.setWait(&wait);
    const auto start = std::chrono::steady_clock::now();
    const OpenResult opened = port.open(server.url("rfc2217"), {19200, Parity::None}, {});
    EXPECT_FALSE(opened.ok);
    EXPECT_EQ(opened.error, EINTR);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

}  // namespace
}  // namespace m8163
