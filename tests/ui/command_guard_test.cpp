// The command guard without a window: the line as a lease that only one
// command holds, released however the command ends.
#include "ui/shell/command_guard.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "recorders.h"
#include "scripted_port.h"
#include "ui/shell/page_context.h"

namespace m8163 {
namespace {

// Nothing that pages get hands out the port or the line.
template <class T>
concept OffersThePort = requires(T t) {
    t.port;
}
|| requires(T t) {
    t.line();
};
static_assert(!OffersThePort<PageContext>);

class CommandGuardTest : public ::testing::Test {
  protected:
    test::ScriptedPort port;
    ConnectionSettings settings;
    test::FixedClock clock;
    test::OpenBoxes boxes;
    test::RecordingPump pump;
    CommandGuard guard{boxes, pump, LineParts{port, settings, clock}};

    void SetUp() override {
        ASSERT_TRUE(guard.runStartup([](LineLease&) { return true; }));
    }
};

TEST_F(CommandGuardTest, TheLineIsTakenOnceAndFreedWhenItsLeaseEnds) {
    {
        std::optional<LineLease> first = guard.takeLine();
        ASSERT_TRUE(first);
        EXPECT_EQ(&first->port(), &port);
        EXPECT_EQ(&first->line().settings, &settings);
        EXPECT_FALSE(guard.takeLine());
        EXPECT_FALSE(guard.runWithLine([](LineLease&) { FAIL() << "ran beside the holder"; }));

        // Handed on, the hold moves with it; the moved-from lease frees nothing.
        LineLease moved = std::move(*first);
        first.reset();
        EXPECT_FALSE(guard.takeLine());
    }
    EXPECT_TRUE(guard.takeLine());
}

TEST_F(CommandGuardTest, AnErrorOfAnyTypeIsShownAndFreesTheLine) {
    struct NotAStandardError {};
    const std::vector<std::function<void()>> throws = {
        [] { throw std::runtime_error("Файл занят."); },
        [] { throw NotAStandardError{}; },
        [] { throw 42; },
    };
    for (const auto& error : throws) {
        boxes.shown.clear();
        EXPECT_TRUE(guard.runWithLine([&](LineLease&) { error(); }));
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Error);
        EXPECT_EQ(boxes.shown[0].caption, "8163");
        EXPECT_TRUE(guard.takeLine());
    }
    EXPECT_EQ(boxes.shown.back().text, "Непредвиденная ошибка.");
}

TEST_F(CommandGuardTest, ACloseWaitingEndsTheCommandAtItsNextStepThenRunsOnce) {
    int closes = 0;
    guard.onCloseDue([&] {
        ++closes;
        // The close sequence itself gets the line; no command does now.
        EXPECT_FALSE(guard.runWithLine([](LineLease&) {}));
        guard.runClose([](LineLease&) {});
    });
    std::vector<std::string> steps;
    guard.runWithLine([&](LineLease& line) {
        steps.push_back("step 1");
        EXPECT_EQ(guard.askClose(), LifeOutcome::Record);
        EXPECT_EQ(guard.askClose(), LifeOutcome::Nothing);  // asked twice, runs once
        line.pump().pause(std::chrono::milliseconds(100));
        steps.push_back("step 2");
    });
    EXPECT_EQ(steps, std::vector<std::string>{"step 1"});
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(boxes.shown.empty());
    // Closed: nothing starts any more.
    EXPECT_FALSE(guard.takeLine());
    EXPECT_EQ(guard.lifecycle().phase(), LifePhase::Closed);
}

TEST_F(CommandGuardTest, AWriteRunsToItsEndWhenACloseIsAsked) {
    int closes = 0;
    guard.onCloseDue([&] { ++closes; });
    std::vector<std::string> steps;
    guard.runWithLine(
        [&](LineLease& line) {
            EXPECT_EQ(guard.askClose(), LifeOutcome::Record);
            line.pump().pause(std::chrono::milliseconds(300));
            steps.push_back("block 1");
            line.pump().pause(std::chrono::milliseconds(100));
            steps.push_back("block 2");
            // Its closing box is answered at once: nobody may be there.
            EXPECT_EQ(
                guard.boxes().show(
                    {"Готово.", "Результат операции", BoxIcon::Information, BoxButtons::Ok, {}}),
                BoxAnswer::Ok);
        },
        CommandKind::Write);
    EXPECT_EQ(steps, (std::vector<std::string>{"block 1", "block 2"}));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(closes, 1);
}

TEST_F(CommandGuardTest, TicksRunOnTheHoldersLineWhileItsBoxIsOpen) {
    std::vector<std::string> steps;
    const auto tick = [&](LineLease& line) {
        EXPECT_EQ(&line.port(), &port);
        steps.push_back("tick");
    };
    boxes.whileShown = [&](const MessageBox&) {
        guard.runTick(tick);
        guard.runTick(tick);
        // The box is modal: no other command starts under it.
        EXPECT_FALSE(guard.runWithLine([](LineLease&) { FAIL(); }));
    };
    guard.runWithLine([&](LineLease&) {
        steps.push_back("exchange");
        guard.boxes().show(
            {"Чтение успешно.", "Результат операции", BoxIcon::Information, BoxButtons::Ok, {}});
        steps.push_back("after the box");
    });
    EXPECT_EQ(steps, (std::vector<std::string>{"exchange", "tick", "tick", "after the box"}));
    EXPECT_TRUE(guard.takeLine());
}

TEST_F(CommandGuardTest, ATickDueWhileTheLineIsHeldRunsOnceRightAfterTheCommand) {
    std::vector<std::string> steps;
    const auto tick = [&](LineLease&) { steps.push_back("tick"); };
    guard.runWithLine([&](LineLease&) {
        steps.push_back("command");
        guard.runTick(tick);
        guard.runTick(tick);
        steps.push_back("command ends");
    });
    EXPECT_EQ(steps, (std::vector<std::string>{"command", "command ends", "tick"}));
    guard.runTick(tick);
    EXPECT_EQ(steps.size(), 4u);
}

TEST_F(CommandGuardTest, ATakeOverRunsBesideTheHolderOnlyWhereTheHolderLetsIt) {
    int takeOvers = 0;
    const auto takeOver = [&](LineLease& line) {
        EXPECT_EQ(&line.port(), &port);
        ++takeOvers;
    };
    guard.runWithLine([&](LineLease& line) {
        EXPECT_FALSE(guard.runTakeOver(takeOver));
        line.allowTakeOver(true);
        EXPECT_TRUE(guard.runTakeOver(takeOver));
        // The borrowed line went back to the holder, who still has it.
        EXPECT_FALSE(guard.takeLine());
    });
    EXPECT_EQ(takeOvers, 1);
    // Allowed for that command only.
    std::optional<LineLease> next = guard.takeLine();
    ASSERT_TRUE(next);
    EXPECT_FALSE(guard.runTakeOver(takeOver));
    next.reset();
    EXPECT_TRUE(guard.runTakeOver(takeOver));
    EXPECT_EQ(takeOvers, 2);
}

}  // namespace
}  // namespace m8163
