#include "ui/shell/qt_event_pump.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <vector>

#include "link/connection_settings.h"
#include "module/block_operations.h"
#include "recorders.h"
#include "scripted_port.h"

namespace m8163 {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Generous upper bounds: they only catch a pause that never ends or that
// waits for the wrong tick, on a loaded machine.
constexpr auto kSlack = 2000ms;

class QtEventPumpTest : public ::testing::Test {
  protected:
    QTimer timer5;  // as the window creates it: a plain, repeating timer
    QtEventPump pump{timer5};
};

TEST_F(QtEventPumpTest, PauseLastsAtLeastItsTimeAndEndsAtTheFirstTick) {
    for (auto duration : {1ms, 100ms, 300ms}) {
        SCOPED_TRACE(duration.count());
        auto start = Clock::now();
        pump.pause(duration);
        auto elapsed = Clock::now() - start;
        EXPECT_GE(elapsed, duration);
        EXPECT_LT(elapsed, duration + kSlack);
        EXPECT_FALSE(timer5.isActive());
    }
}

TEST_F(QtEventPumpTest, WindowMessagesRunDuringAPause) {
    int ticks = 0;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] { ++ticks; });
    poll.start();
    bool posted = false;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { posted = true; }, Qt::QueuedConnection);

    pump.pause(200ms);

    EXPECT_TRUE(posted);
    EXPECT_GE(ticks, 2);
}

TEST_F(QtEventPumpTest, APauseInsideAPauseCutsNeitherShort) {
    struct Case {
        std::chrono::milliseconds outer, inner;
    };
    // A shorter pause inside a longer one, and a longer one inside a shorter.
    for (const Case c : {Case{300ms, 100ms}, Case{100ms, 250ms}}) {
        SCOPED_TRACE(c.outer.count());
        Clock::time_point innerStart, innerEnd;
        QTimer::singleShot(20ms, [&] {
            innerStart = Clock::now();
            pump.pause(c.inner);
            innerEnd = Clock::now();
        });

        auto outerStart = Clock::now();
        pump.pause(c.outer);
        auto outerEnd = Clock::now();

        ASSERT_NE(innerEnd, Clock::time_point{});
        EXPECT_GE(innerEnd - innerStart, c.inner);
        EXPECT_GE(outerEnd - outerStart, c.outer);
        EXPECT_GE(outerEnd, innerEnd);
        EXPECT_LT(outerEnd - outerStart, std::max(c.outer, 20ms + c.inner) + kSlack);
    }
}

TEST_F(QtEventPumpTest, ProcessPendingRunsPostedMessagesOnce) {
    int runs = 0;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { ++runs; }, Qt::QueuedConnection);
    pump.processPending();
    EXPECT_EQ(runs, 1);
}

// Block operations on the real pump: the pauses really wait, and what the
// window does meanwhile runs to its end before the operation goes on.
class PausedOperationTest : public QtEventPumpTest {
  protected:
    PausedOperationTest() { settings.moduleAddress = 1; }

    test::ScriptedPort port;
    ConnectionSettings settings;
    test::FixedClock clock;
    ModbusLine line{port, settings, clock};
    RegisterImage image;
};

TEST_F(PausedOperationTest, ReadVersionsWaitsTwiceOnSuccessAndOnceOnFailure) {
    port.replyRegisters(1, {3, 12});
    auto start = Clock::now();
    EXPECT_EQ(readVersions(line, pump, image), ExchangeStatus{});
    EXPECT_GE(Clock::now() - start, 200ms);

    port.reply("01 83 02 C0 F1");
    start = Clock::now();
    EXPECT_EQ(readVersions(line, pump, image).exceptionCode, 2);
    auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, 100ms);
    EXPECT_LT(elapsed, 200ms + kSlack);
}

TEST_F(PausedOperationTest, ACommandDuringAPauseRunsCompletelyFirst) {
    // A click during the first pause of ReadFactoryData reads the model code,
    // with its own pause inside the outer one.
    port.replyRegisters(1, {0x8163});
    port.replyRegisters(1, {11, 22});
    port.replyRegisters(1, {1, 2, 7});
    QTimer::singleShot(10ms, [&] { EXPECT_TRUE(readModelCode(line, pump, image).ok()); });

    EXPECT_EQ(readFactoryData(line, pump, image), ExchangeStatus{});

    ASSERT_EQ(port.written.size(), 3u);
    EXPECT_EQ(port.written[0], test::withCrc({1, 0x03, 0x04, 0x00, 0x00, 0x01}));
    EXPECT_EQ(port.written[1], test::withCrc({1, 0x03, 0x04, 0x01, 0x00, 0x02}));
    EXPECT_EQ(image.words[0], 0x8163);
    EXPECT_EQ(image.words[7], 7);
}

}  // namespace
}  // namespace m8163
