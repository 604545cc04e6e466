#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <thread>
#include <vector>

#include "../link/pty_pair.h"
#include "link/termios_port.h"
#include "protocol/transactions.h"
#include "recorders.h"
#include "scripted_port.h"

namespace m8163 {
namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The real termios port with a far end that answers each request with the
// next of its replies as soon as the request is in.
class TermiosTransactionTest : public ::testing::Test {
  protected:
    test::PtyPair pty;
    TermiosPort port;
    ConnectionSettings settings;
    test::FixedClock clock;
    ModbusLine line{port, settings, clock};
    std::thread peer;

    void SetUp() override {
        settings.moduleAddress = 1;
        settings.speed = 19200;
        settings.timeoutMs = 2000;
        const OpenResult opened = port.open(pty.slave, {19200, Parity::None}, {});
        ASSERT_TRUE(opened.ok) << opened.reason;
    }
    void TearDown() override {
        if (peer.joinable())
            peer.join();
    }

    // Each reply answers one request of `requestLength` bytes.
    void answer(std::size_t requestLength, std::vector<std::vector<std::uint8_t>> replies) {
        peer = std::thread([this, requestLength, replies = std::move(replies)] {
            for (const auto& reply : replies) {
                if (pty.receive(requestLength, 5s).size() != requestLength)
                    return;
                pty.send(reply);
            }
        });
    }
};

TEST_F(TermiosTransactionTest, ReadEndsByTheIntervalAfterTheReply) {
    answer(8,
           {test::withCrc(test::hexBytes("01 03 0E 00 01 00 02 00 03 00 04 00 05 00 06 80 07"))});
    std::array<std::uint16_t, 7> values{};
    const auto start = Steady::now();
    EXPECT_EQ(readRegisters(line, 0x0000, values), ExchangeStatus{});
    const auto elapsed = Steady::now() - start;
    EXPECT_EQ(values, (std::array<std::uint16_t, 7>{1, 2, 3, 4, 5, 6, 0x8007}));
    EXPECT_GE(elapsed, 24ms);    // the read interval at 19200 bit/s
    EXPECT_LT(elapsed, 1500ms);  // well before the total time-out of 2252 ms
}

// Bytes left over from one exchange are purged before the next request.
TEST_F(TermiosTransactionTest, TrailingBytesDoNotReachTheNextExchange) {
    std::vector<std::uint8_t> echoWithNoise = test::withCrc(test::hexBytes("01 10 04 02 00 01"));
    echoWithNoise.insert(echoWithNoise.end(), {0xDE, 0xAD, 0xBE, 0xEF});
    answer(11, {echoWithNoise});
    const std::array<std::uint16_t, 1> one{5};
    EXPECT_EQ(writeRegisters(line, 0x0402, one), ExchangeStatus{});
    peer.join();

    answer(8, {test::hexBytes("01 83 02 C0 F1")});
    std::array<std::uint16_t, 2> values{};
    EXPECT_EQ(readRegisters(line, 0x0000, values), (ExchangeStatus{0x1A, 2}));
    EXPECT_EQ(values, (std::array<std::uint16_t, 2>{0xC0F1, 0}));
}

TEST_F(TermiosTransactionTest, HungUpLineFailsAtOnceWithNoReply) {
    pty.closeMaster();
    const auto start = Steady::now();
    std::array<std::uint16_t, 7> values{};
    EXPECT_EQ(readRegisters(line, 0, values).result, 0x6Eu);
    EXPECT_EQ(writeRegisters(line, 0, values).result, 0x6Eu);
    EXPECT_LT(Steady::now() - start, 1000ms);  // each total time-out is over 2 s
}

}  // namespace
}  // namespace m8163
