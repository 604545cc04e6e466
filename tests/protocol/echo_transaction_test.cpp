#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "protocol/exchange_failure.h"
#include "protocol/exchange_observer.h"
#include "protocol/transactions.h"
#include "recorders.h"
#include "scripted_port.h"

// An adapter that hands back what it sends: read back and checked where the
// port's options expect it, pointed out where they do not.

namespace m8163 {
namespace {

using test::hexBytes;
using test::withCrc;

class EchoTransaction : public ::testing::Test {
  protected:
    void SetUp() override {
        settings.moduleAddress = 1;
        settings.timeoutMs = 500;
    }
    void expectEcho() { port.options.echo = true; }
    ExchangeStatus readOne() {
        std::array<std::uint16_t, 1> values{};
        const ExchangeStatus status = readRegisters(line, 0x0000, values);
        value = values[0];
        return status;
    }

    test::ScriptedPort port;
    ConnectionSettings settings;
    test::FixedClock clock;
    ModbusLine line{port, settings, clock};
    std::uint16_t value = 0;
};

const std::string kReadRequest = "01 03 00 00 00 01 84 0A";

TEST_F(EchoTransaction, ExpectedEchoIsReadBeforeTheReply) {
    expectEcho();
    port.reply(kReadRequest);
    port.replyRegisters(1, {0x1234});
    EXPECT_EQ(readOne(), ExchangeStatus{});
    EXPECT_EQ(value, 0x1234);
    // The echo is asked for by its length, the reply as without an echo.
    EXPECT_EQ(port.readSizes, (std::vector<std::size_t>{8, 9}));

    // A write: its request of 11 bytes comes back, then the 8-byte reply.
    const std::vector<std::uint8_t> request = withCrc(hexBytes("01 10 04 16 00 01 02 00 07"));
    port.replies.push_back({request});
    port.replyWrite(1, 0x0416, 1);
    const std::array<std::uint16_t, 1> values{7};
    EXPECT_EQ(writeRegisters(line, 0x0416, values), ExchangeStatus{});
    EXPECT_EQ(port.written.back(), request);
}

TEST_F(EchoTransaction, MissingOrDifferentEchoIsItsOwnFailure) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> echo;
    };
    const std::vector<Case> cases = {
        {"nothing came back", {}},
        {"half came back", hexBytes("01 03 00 00")},
        {"one byte changed", hexBytes("01 03 00 01 00 01 84 0A")},
        // No echo at all: the module's reply is taken for it.
        {"the reply came instead", withCrc(hexBytes("01 03 02 12 34"))},
    };
    // What a watcher of the line (the trace, the monitor) is shown.
    struct Watcher final : ExchangeObserver {
        void requestSent(const SentFrame&) override {}
        void replyReceived(const ReceivedFrame& frame) override {
            received.assign(frame.bytes.begin(), frame.bytes.end());
        }
        std::vector<std::uint8_t> received;
    } watcher;
    line.observer = &watcher;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        port.replies.clear();
        port.readSizes.clear();
        expectEcho();
        port.replies.push_back({c.echo});
        port.replyRegisters(1, {0x1234});
        const ExchangeStatus status = readOne();
        EXPECT_EQ(status.result, kEchoMismatch);
        EXPECT_EQ(port.readSizes, std::vector<std::size_t>{8}) << "the reply is not read";
        // What came in place of the echo, as far as the echo was read.
        const std::size_t shown = std::min<std::size_t>(c.echo.size(), 8);
        EXPECT_EQ(watcher.received,
                  std::vector<std::uint8_t>(c.echo.begin(), c.echo.begin() + shown));
        const auto box = exchangeFailureBox(status);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->caption, "Ошибка в обмене.");
        EXPECT_NE(box->text.find("эхо"), std::string::npos) << box->text;
        EXPECT_NE(box->text.find("[COM_OPTIONS]"), std::string::npos) << box->text;
    }
}

TEST_F(EchoTransaction, UnexpectedEchoKeepsTheFailureAndSuggestsTheOption) {
    // Not expected: a read's reply begins with the 8 bytes of the request.
    port.reply(kReadRequest + " 01");
    ExchangeStatus status = readOne();
    EXPECT_TRUE(status.requestEchoed);
    EXPECT_NE(status.result & kLengthError, 0u);
    auto box = exchangeFailureBox(status);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text,
              "При приеме принято не ожидаемое число символов. Возможно, ответа просто не было.");
    EXPECT_NE(box->detail.find("echo"), std::string::npos);

    // A write's 8-byte read holds the first 8 bytes of its request.
    const std::vector<std::uint8_t> request = withCrc(hexBytes("01 10 04 16 00 01 02 00 07"));
    port.replies.push_back({{request.begin(), request.begin() + 8}});
    const std::array<std::uint16_t, 1> values{7};
    status = writeRegisters(line, 0x0416, values);
    EXPECT_TRUE(status.requestEchoed);
    EXPECT_NE(status.result, 0u);
    box = exchangeFailureBox(status);
    ASSERT_TRUE(box);
    EXPECT_NE(box->detail.find("echo"), std::string::npos);

    // Replies that fail otherwise get no such hint.
    for (const char* reply : {"", "01 03 00 00", "02 03 02 12 34 00 00", "01 83 02 C0 F1"}) {
        SCOPED_TRACE(reply);
        port.reply(reply);
        status = readOne();
        EXPECT_NE(status.result, 0u);
        EXPECT_FALSE(status.requestEchoed);
        box = exchangeFailureBox(status);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->detail, "");
    }
}

}  // namespace
}  // namespace m8163
