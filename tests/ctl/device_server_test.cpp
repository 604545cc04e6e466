// m8163ctl reaching the simulated module through ser2net, the serial device
// server, over RFC 2217 and over plain TCP, through sredird and socat's raw
// bridge; and m8163ctl against servers that misbehave on purpose.

#include <gtest/gtest.h>

#include "../sim/child_process.h"
#include "../sim/ser2net_server.h"
#include "../sim/sim_test_support.h"
#include "../sim/socat_servers.h"
#include "hostile_server.h"
#include "link/network_port.h"
#include "protocol/transactions.h"

namespace m8163 {
namespace {

using namespace std::chrono_literals;
using sim::test::ChildProcess;
using sim::test::Ser2net;
using sim::test::TempDir;

struct CtlRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The modules run without parity: ser2net carries speed changes to the
// pseudo-terminal, but the kernel drops parity there.
class DeviceServerCtlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!Ser2net::installed())
            GTEST_SKIP() << "ser2net is not installed (scripts/ensure-packages.sh)";
        sim_ = std::make_unique<ChildProcess>(std::vector<std::string>{
            M8163_SIM_PATH, "--link", dir_.file("port"), "--state", dir_.file("state.json"),
            "--module", "1:19200:N", "--module", "5:9600:N", "--status", "1,0xFFFF"});
        ASSERT_EQ(sim_->waitForLine("READY", 10s), "READY " + dir_.file("port")) << sim_->err;
        server_ = std::make_unique<Ser2net>(dir_.file(""), dir_.file("port"));
        server_->start();
    }

    CtlRun ctl(const std::string& device, std::vector<std::string> args,
               std::vector<std::string> line = {"--speed", "19200", "--parity", "none", "--address",
                                                "1", "--timeout", "300"}) {
        std::vector<std::string> all = {M8163_CTL_PATH, "--device", device};
        all.insert(all.end(), line.begin(), line.end());
        all.insert(all.end(), args.begin(), args.end());
        ChildProcess program(all);
        CtlRun run;
        run.exitCode = program.wait(60s);
        run.out = program.out;
        run.err = program.err;
        return run;
    }

    TempDir dir_;
    std::unique_ptr<ChildProcess> sim_;
    std::unique_ptr<Ser2net> server_;
};

// The status register of module 1 is forced to 0xFFFF: both its bytes are
// the Telnet escape, which must come through intact.
TEST_F(DeviceServerCtlTest, ReadAndIdentityThroughBothKindsOfServer) {
    // A host name is looked up (on the port's helper thread) and each of its
    // addresses tried: localhost may name ::1 first, where nothing listens.
    const std::string byName = "rfc2217://localhost:" + std::to_string(server_->rfc2217Port());
    for (const std::string& url : {server_->rfc2217Url(), server_->rawUrl(), byName}) {
        const CtlRun read = ctl(url, {"read", "--json"});
        EXPECT_EQ(read.exitCode, 0) << url << "\n" << read.err;
        EXPECT_TRUE(contains(read.out, "\"status\":65535")) << url << "\n" << read.out;
        EXPECT_TRUE(contains(read.out, "\"exchange\":0")) << url << "\n" << read.out;
    }
    for (const std::string& url : {server_->rfc2217Url(), server_->rawUrl()}) {
        const CtlRun identity = ctl(url, {"identity"});
        EXPECT_EQ(identity.exitCode, 0) << url << "\n" << identity.err;
        EXPECT_TRUE(contains(identity.out, "model code: 8163")) << url << "\n" << identity.out;
        EXPECT_TRUE(contains(identity.out, "speed: 19200")) << url << "\n" << identity.out;
    }
}

// "я" is 0xFF in Windows-1251: a user text of them is registers of 0xFFFF,
// written and read back through the server.
TEST_F(DeviceServerCtlTest, RegistersOf0xFFAreWrittenAndReadBackIntact) {
    const CtlRun write = ctl(server_->rfc2217Url(), {"sensor", "set", "--text", "яяяяzяяя"});
    ASSERT_EQ(write.exitCode, 0) << write.err;
    const CtlRun read = ctl(server_->rfc2217Url(), {"sensor", "--json"});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    EXPECT_TRUE(contains(read.out, "\"userText\":\"яяяяzяяя")) << read.out;
}

// The speed changes of the search reach the simulator through ser2net.
TEST_F(DeviceServerCtlTest, SearchOverRfc2217FindsModulesAtBothSpeeds) {
    const CtlRun scan =
        ctl(server_->rfc2217Url(),
            {"scan", "--speeds", "9600,19200", "--parities", "none", "--from", "1", "--to", "5"},
            {"--timeout", "200"});
    EXPECT_EQ(scan.exitCode, 0) << scan.err;
    EXPECT_TRUE(contains(scan.out, "module 5, 9600, parity none")) << scan.out;
    EXPECT_TRUE(contains(scan.out, "module 1, 19200, parity none")) << scan.out;
}

// Over plain TCP the speed cannot change: the search says so and tries the
// line's own format only, so that nobody is reported at a format it does
// not use.
TEST_F(DeviceServerCtlTest, SearchOverPlainTcpTriesTheServersFormatOnly) {
    const CtlRun scan =
        ctl(server_->rawUrl(),
            {"scan", "--speeds", "9600,19200", "--parities", "none", "--from", "1", "--to", "5"},
            {"--speed", "19200", "--parity", "none", "--timeout", "200"});
    EXPECT_EQ(scan.exitCode, 0) << scan.err;
    EXPECT_EQ(scan.out, "found: module 1, 19200, parity none\n");
    EXPECT_TRUE(contains(scan.err, "Поиск идёт только на скорости 19200")) << scan.err;
    EXPECT_FALSE(contains(scan.err, "скорость 9600")) << scan.err;
}

// A server that is not there, and one that does not speak RFC 2217 (the
// plain port addressed as rfc2217://), are ports that cannot be opened, with
// the server and the reason named.
TEST_F(DeviceServerCtlTest, RefusedOrWrongServerIsAPortThatCannotBeOpened) {
    const std::string closedPort = "rfc2217://127.0.0.1:1";
    const std::string plainAsRfc = "rfc2217://" + server_->rawUrl().substr(9);
    struct Case {
        std::string url;
        std::string reason;
    };
    for (const Case& c : {Case{closedPort, "Причина: "}, Case{plainAsRfc, "RFC 2217"}}) {
        const auto start = std::chrono::steady_clock::now();
        const CtlRun run = ctl(c.url, {"read"});
        EXPECT_EQ(run.exitCode, 3) << c.url;
        EXPECT_TRUE(contains(run.err, "Невозможно открыть последовательный порт")) << run.err;
        EXPECT_TRUE(contains(run.err, c.url)) << run.err;
        EXPECT_TRUE(contains(run.err, c.reason)) << run.err;
        // The connection attempt is bounded (3 s), with room for a loaded machine.
        EXPECT_LT(std::chrono::steady_clock::now() - start, 10s) << c.url;
    }
}

using sim::test::SocatServer;

// sredird (RFC 2217, writing replies byte by byte) and socat's raw bridge
// (one child per connection), each started through socat's fork listener.
class SocatServerCtlTest : public ::testing::TestWithParam<SocatServer::Kind> {
  protected:
    void SetUp() override {
        if (!SocatServer::installed(GetParam()))
            GTEST_SKIP() << "socat or sredird is not installed (scripts/ensure-packages.sh)";
        sim_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{M8163_SIM_PATH, "--link", dir_.file("port"), "--module",
                                     "1:19200:N", "--module", "5:19200:N"});
        ASSERT_EQ(sim_->waitForLine("READY", 10s), "READY " + dir_.file("port")) << sim_->err;
        server_ = std::make_unique<SocatServer>(GetParam(), dir_.file(""), dir_.file("port"));
        server_->start();
    }

    ChildProcess run(std::vector<std::string> args) {
        std::vector<std::string> all = {M8163_CTL_PATH, "--device",  server_->url(),
                                        "--speed",      "19200",     "--parity",
                                        "none",         "--address", "1"};
        all.insert(all.end(), args.begin(), args.end());
        return ChildProcess(all);
    }

    TempDir dir_;
    std::unique_ptr<ChildProcess> sim_;
    std::unique_ptr<SocatServer> server_;
};

// 300 cycles at 100 ms with the default allowance, none failed; then two
// calls right after each other, and a search that finds both modules.
TEST_P(SocatServerCtlTest, PollingCallsAndSearchWithoutAFailure) {
    // The 300 cycles are a timing promise: the sanitizers' build, several
    // times slower and sharing the cores with other tests, does not keep it.
#if !defined(__SANITIZE_ADDRESS__)
    ChildProcess poll = run({"--timeout", "300", "poll", "--interval", "100", "--count", "300"});
    ASSERT_EQ(poll.wait(120s), 0) << poll.out << poll.err;
    EXPECT_TRUE(contains(poll.out + poll.err, "exchange errors 0")) << poll.out << poll.err;
#endif

    for (int call = 0; call < 2; ++call) {
        ChildProcess read = run({"--timeout", "300", "read"});
        EXPECT_EQ(read.wait(30s), 0) << "call " << call << "\n" << read.err;
    }

    ChildProcess scan = run({"--timeout", "200", "scan", "--speeds", "19200", "--parities", "none",
                             "--from", "1", "--to", "6"});
    EXPECT_EQ(scan.wait(60s), 0) << scan.err;
    EXPECT_TRUE(contains(scan.out, "module 1, 19200, parity none")) << scan.out;
    EXPECT_TRUE(contains(scan.out, "module 5, 19200, parity none")) << scan.out;
}

INSTANTIATE_TEST_SUITE_P(Servers, SocatServerCtlTest,
                         ::testing::Values(SocatServer::Kind::Sredird,
                                           SocatServer::Kind::RawBridge),
                         [](const auto& info) {
                             return info.param == SocatServer::Kind::Sredird ? "Sredird"
                                                                             : "SocatBridge";
                         });

// A module whose registers are all 0xFFFF, reached over plain TCP: its
// value is a NaN with the sign bit set, printed and traced as "nan" alike.
TEST(NanCtlTest, ANotANumberIsSpelledTheSameInTheOutputAndTheTrace) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::thread server([listener] {
        std::vector<std::uint8_t> reply = {1, 3, 14};
        reply.insert(reply.end(), 14, 0xFF);
        const std::uint16_t crc = crc16(reply.data(), reply.size());
        reply.push_back(static_cast<std::uint8_t>(crc & 0xFF));
        reply.push_back(static_cast<std::uint8_t>(crc >> 8));
        const int fd = ::accept(listener, nullptr, nullptr);
        std::uint8_t request[8];
        while (fd >= 0 && ::recv(fd, request, sizeof request, MSG_WAITALL) == 8)
            ::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
        if (fd >= 0)
            ::close(fd);
    });
    ChildProcess read({M8163_CTL_PATH, "--device",
                       "socket://127.0.0.1:" + std::to_string(ntohs(address.sin_port)), "--address",
                       "1", "--timeout", "300", "-v", "read"});
    read.wait(30s);
    ::shutdown(listener, SHUT_RDWR);
    server.join();
    ::close(listener);
    EXPECT_TRUE(contains(read.out, "value: nan\n")) << read.out;
    EXPECT_TRUE(contains(read.err, "измеренное значение = nan")) << read.err;
    EXPECT_FALSE(contains(read.out + read.err, "-nan")) << read.out << read.err;
}

// Whatever the server does, a reading ends by the connection limit and one
// exchange's time (with a second to spare), in little memory, and a SIGTERM
// ends polling within a second wherever it is: connecting, negotiating,
// reading.
TEST(HostileServerCtlTest, EndsByItsLimitsInLittleMemoryAndObeysSigterm) {
    using test::Hostility;
    using Clock = std::chrono::steady_clock;
    constexpr long kMemoryLimitKb = 64 * 1024;
    for (const Hostility h : test::kAllHostilities) {
        for (const std::string scheme : {"socket", "rfc2217"}) {
            SCOPED_TRACE(std::string(test::hostilityName(h)) + " " + scheme);
            test::HostileServer server(h);
            const std::vector<std::string> line = {M8163_CTL_PATH, "--device",  server.url(scheme),
                                                   "--speed",      "19200",     "--parity",
                                                   "none",         "--address", "1",
                                                   "--timeout",    "300"};
            auto args = line;
            args.push_back("read");
            auto start = Clock::now();
            ChildProcess read(args);
            const int code = read.wait(30s);
            EXPECT_TRUE(code == 1 || code == 3) << code << "\n" << read.err;
            EXPECT_LT(Clock::now() - start, kConnectLimit + kCommandReplyLimit + 300ms + 1s);
            if (test::kPeakMemoryMeasured) {
                EXPECT_LT(read.peakKb, kMemoryLimitKb);
            }

            args = line;
            args.push_back("poll");
            ChildProcess poll(args);
            std::this_thread::sleep_for(1200ms);
            start = Clock::now();
            poll.signal(SIGTERM);
            const int stopped = poll.wait(10s);
            EXPECT_LT(Clock::now() - start, 1s);
            // Ended by the signal, or before it by a failed open.
            EXPECT_TRUE(stopped == 130 || stopped == 3) << stopped << "\n" << poll.err;
            if (test::kPeakMemoryMeasured) {
                EXPECT_LT(poll.peakKb, kMemoryLimitKb);
            }
        }
    }
}

}  // namespace
}  // namespace m8163
