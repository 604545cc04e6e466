// The program's own transactions over its termios port against the
// simulator: the result bits each fault of the module gives.

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "link/connection_settings.h"
#include "link/termios_port.h"
#include "protocol/transactions.h"
#include "recorders.h"
#include "sim/pty_server.h"
#include "sim_test_support.h"

namespace m8163::sim {
namespace {

using namespace std::chrono_literals;
using test::TempDir;

constexpr unsigned kSilent =
    kNoReply | kLengthError | kFunctionMismatch | kCrcError | kAddressMismatch;

class TransactionsAgainstSim : public ::testing::Test {
  protected:
    void SetUp() override {
        ServerOptions options;
        options.link = dir.file("port");
        server = std::make_unique<PtyServer>(std::move(options));
        server->start();
        settings.moduleAddress = 1;
        settings.speed = 19200;
        settings.parity = Parity::None;
        settings.timeoutMs = 500;
        reopen();
    }

    void reopen() {
        port.close();
        ASSERT_TRUE(
            port.open(server->path(), LineSettings{settings.speed, settings.parity}, PortTimeouts{})
                .ok);
    }

    void fault(const Fault& f) {
        server->withModule(1, [&](ModuleModel& m) {
            m.faults.clear();
            m.faults.push_back(f);
        });
    }

    // Reads the exchange parameters (3 registers: an 11-byte reply).
    ExchangeStatus readThree(std::array<std::uint16_t, 3>& values) {
        return readRegisters(line, 0x0408, values);
    }

    TempDir dir;
    std::unique_ptr<PtyServer> server;
    TermiosPort port;
    ConnectionSettings settings;
    m8163::test::FixedClock clock;
    ModbusLine line{port, settings, clock};
};

TEST_F(TransactionsAgainstSim, FaultsGiveTheirResultBits) {
    // The normal reply, to know which CRC byte a truncation drops.
    std::vector<std::uint8_t> normal =
        test::withCrc({0x01, 0x03, 0x06, 0x00, 0x01, 0x00, 0x07, 0x00, 0x00});
    const unsigned lastByteCrc = normal.back() != 0 ? kCrcError : 0u;

    struct Case {
        const char* what;
        Fault fault;
        unsigned result;
        std::uint8_t code;
    };
    const Case cases[] = {
        {"no fault", {FaultKind::Delay, 0}, 0, 0},
        {"silence", {FaultKind::Silence}, kSilent, 0},
        {"corrupt CRC", {FaultKind::CorruptCrc}, kCrcError, 0},
        {"wrong address", {FaultKind::WrongAddress}, kAddressMismatch, 0},
        {"CRC high byte missing", {FaultKind::Truncate, 1}, kLengthError | lastByteCrc, 0},
        {"CRC missing", {FaultKind::Truncate, 2}, kLengthError | kCrcError, 0},
        {"one extra byte", {FaultKind::ExtraBytes, 1}, kLengthError, 0},
        {"two extra bytes", {FaultKind::ExtraBytes, 2}, kLengthError, 0},
        {"exception 4",
         {FaultKind::Exception, 4},
         kDeviceException | kFunctionMismatch | kLengthError,
         4},
        {"delay within the time-out", {FaultKind::Delay, 100}, 0, 0},
        {"delay past the time-out", {FaultKind::Delay, 1500}, kSilent, 0},
        {"gap past the interval", {FaultKind::Gap, 400}, kLengthError | kCrcError, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fault(c.fault);
        std::array<std::uint16_t, 3> values{};
        ExchangeStatus status = readThree(values);
        EXPECT_EQ(status.result, c.result);
        EXPECT_EQ(status.exceptionCode, c.code);
        if (c.result == 0) {
            EXPECT_EQ(values, (std::array<std::uint16_t, 3>{1, 7, 0}));
        }
        // Once the late part of a reply is out, the next exchange purges it
        // and succeeds.
        fault({FaultKind::Delay, 0});
        EXPECT_TRUE(server->waitIdle(5s));
        EXPECT_TRUE(readThree(values).ok());
    }
}

TEST_F(TransactionsAgainstSim, ModuleExceptionsReachTheCaller) {
    std::array<std::uint16_t, 1> one{};
    ExchangeStatus read = readRegisters(line, 0x0100, one);
    EXPECT_EQ(read.result, kDeviceException | kFunctionMismatch | kLengthError);
    EXPECT_EQ(read.exceptionCode, 2);

    std::array<std::uint16_t, 1> model = {0x1234};
    ExchangeStatus write = writeRegisters(line, 0x0400, model);
    EXPECT_EQ(write.result, kDeviceException | kFunctionMismatch | kLengthError);
    EXPECT_EQ(write.exceptionCode, 2);

    std::array<std::uint16_t, 1> blink = {1};
    EXPECT_TRUE(writeRegisters(line, 0x0416, blink).ok());
    server->withModule(1, [](ModuleModel& m) { EXPECT_EQ(m.counters.blinks, 1u); });
}

TEST_F(TransactionsAgainstSim, NoAnswerAtAnotherSpeedOrParity) {
    struct Case {
        int speed;
        int parity;
        bool answers;
    };
    for (Case c : {Case{19200, kParityNone, true}, Case{9600, kParityNone, false},
                   Case{115200, kParityNone, false}, Case{19200, kParityOdd, false},
                   Case{19200, kParityEven, false}}) {
        SCOPED_TRACE(std::to_string(c.speed) + " parity " + std::to_string(c.parity));
        settings.speed = c.speed;
        settings.parity = parityFromCode(c.parity);
        reopen();
        std::array<std::uint16_t, 3> values{};
        ExchangeStatus status = readThree(values);
        EXPECT_EQ(status.result, c.answers ? 0u : kSilent);
    }
}

TEST_F(TransactionsAgainstSim, WrittenParametersAreFollowedAfterTheReopen) {
    std::array<std::uint16_t, 3> parameters = {12, 10, kParityOdd};  // 115200, odd
    ASSERT_TRUE(writeRegisters(line, 0x0408, parameters).ok());
    std::array<std::uint16_t, 3> values{};
    EXPECT_EQ(readThree(values).result, kSilent);

    settings.moduleAddress = 12;
    settings.speed = 115200;
    settings.parity = Parity::Odd;
    reopen();
    ASSERT_TRUE(readThree(values).ok());
    EXPECT_EQ(values, parameters);
}

}  // namespace
}  // namespace m8163::sim
