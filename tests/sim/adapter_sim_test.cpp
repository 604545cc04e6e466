// The program's transactions over its termios port against a simulated
// module behind an adapter that echoes, or that hands a reply over in the
// bursts of a USB latency timer.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>

#include "link/connection_settings.h"
#include "link/termios_port.h"
#include "module/register_image.h"
#include "protocol/exchange_failure.h"
#include "protocol/transactions.h"
#include "recorders.h"
#include "sim/pty_server.h"
#include "sim_test_support.h"

namespace m8163::sim {
namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

class AdapterAgainstSim : public ::testing::Test {
  protected:
    void serve(bool echo, std::chrono::milliseconds burst, int speed) {
        ServerOptions options;
        options.link = dir.file("port");
        options.echo = echo;
        options.burst = burst;
        ModuleSetup setup;
        setup.format.speed = speed;
        options.modules.emplace_back(setup);
        server = std::make_unique<PtyServer>(std::move(options));
        server->start();
        settings.moduleAddress = 1;
        settings.speed = speed;
        settings.timeoutMs = 300;
    }
    void open(const char* words) {
        port.setOptions(parsePortOptions(words).options);
        ASSERT_TRUE(port.open(server->path(), LineSettings{settings.speed, Parity::None}, {}).ok);
    }
    ExchangeStatus readThree() {
        values = {};
        return readRegisters(modbus, 0x0408, values);  // exchange parameters
    }

    test::TempDir dir;
    std::unique_ptr<PtyServer> server;
    TermiosPort port;
    ConnectionSettings settings;
    m8163::test::FixedClock clock;
    ModbusLine modbus{port, settings, clock};
    std::array<std::uint16_t, 3> values{};
};

TEST_F(AdapterAgainstSim, EchoingAdapterWorksWithTheEchoOption) {
    serve(true, 0ms, 19200);
    open("echo");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(readThree(), ExchangeStatus{});
        EXPECT_EQ(values[0], 1);  // module number
        const std::array<std::uint16_t, 1> blink{1};
        EXPECT_EQ(writeRegisters(modbus, m8163::reg::kBlinkCommand, blink), ExchangeStatus{});
    }
    // No module at 7: the echo is there, the reply is not.
    settings.moduleAddress = 7;
    const ExchangeStatus silent = readThree();
    EXPECT_NE(silent.result & kNoReply, 0u);
    EXPECT_EQ(silent.result & kEchoMismatch, 0u);
}

TEST_F(AdapterAgainstSim, EchoingAdapterWithoutTheOptionIsPointedOut) {
    serve(true, 0ms, 19200);
    open("");
    const ExchangeStatus status = readThree();
    EXPECT_NE(status.result, 0u);
    EXPECT_TRUE(status.requestEchoed);
    const auto box = exchangeFailureBox(status);
    ASSERT_TRUE(box);
    EXPECT_NE(box->detail.find("COM1=echo"), std::string::npos) << box->detail;
}

TEST_F(AdapterAgainstSim, EchoOptionWithoutAnEchoingAdapterIsItsOwnFailure) {
    serve(false, 0ms, 19200);
    open("echo");
    // The module's reply is read as the echo and differs from the request.
    EXPECT_EQ(readThree().result, kEchoMismatch);
}

// A USB adapter without low latency hands a reply over in bursts up to its
// latency timer apart (16 ms by default). At 115200 bit/s the read interval
// of a read of registers is 12 ms, which would cut such a reply in two; the
// port raises the interval to 24 ms while low latency is not in force (on a
// pseudo-terminal it never is). A gap beyond that still ends the read.
TEST_F(AdapterAgainstSim, RepliesInLatencyBurstsAt115200) {
    struct Case {
        std::chrono::milliseconds burst;
        bool whole;
    };
    for (const Case c : {Case{16ms, true}, Case{60ms, false}}) {
        SCOPED_TRACE(c.burst.count());
        serve(false, c.burst, 115200);
        open("");
        EXPECT_FALSE(port.lowLatency());
        for (int i = 0; i < 3; ++i) {
            const auto start = Steady::now();
            const ExchangeStatus status = readThree();
            if (c.whole) {
                EXPECT_EQ(status, ExchangeStatus{});
                EXPECT_GE(Steady::now() - start, c.burst);
            } else {
                EXPECT_NE(status.result & kLengthError, 0u);
            }
            server->waitIdle(1s);
        }
        port.close();
        server.reset();
    }
}

}  // namespace
}  // namespace m8163::sim
