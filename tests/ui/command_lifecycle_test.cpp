// The lifecycle of start-up, commands, boxes, held input and a close, without
// a window: every event in every state, as the table in docs/architecture.md
// gives it.
#include "ui/shell/command_lifecycle.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace m8163 {
namespace {

using E = LifeEvent;

constexpr std::array kEvents = {
    E::StartupDone, E::StartupFailed, E::LineCommand, E::Tick,   E::TakeOver,  E::BoxOpened,
    E::BoxClosed,   E::CommandDone,   E::CloseAsked,  E::Signal, E::HeldInput, E::CloseDone,
};

struct Row {
    const char* state;
    // How the state is reached from a fresh lifecycle.
    std::vector<LifeEvent> path;
    // For each event of kEvents, in order: "outcome -> next state".
    std::array<const char*, kEvents.size()> cells;
};

// Shorthands for the cells where the event changes nothing.
#define STAY(state) "nothing -> " state

const Row kTable[] = {
    {"starting",
     {},
     {"nothing -> idle", "exit failed -> start failed", STAY("starting"), STAY("starting"),
      STAY("starting"), "show box -> starting", STAY("starting"), STAY("starting"),
      "record -> starting, close asked", "close and end box -> starting", "deliver -> starting",
      STAY("starting")}},
    {"starting, close asked",
     {E::CloseAsked},
     {"run close -> closing", "exit failed -> start failed", STAY("starting, close asked"),
      STAY("starting, close asked"), STAY("starting, close asked"),
      "answer box -> starting, close asked", STAY("starting, close asked"),
      STAY("starting, close asked"), STAY("starting, close asked"),
      "close and end box -> starting, close asked", "drop -> starting, close asked",
      STAY("starting, close asked")}},
    {"start failed",
     {E::StartupFailed},
     {STAY("start failed"), STAY("start failed"), STAY("start failed"), STAY("start failed"),
      STAY("start failed"), "show box -> start failed", STAY("start failed"), STAY("start failed"),
      STAY("start failed"), STAY("start failed"), "drop -> start failed", STAY("start failed")}},
    {"idle",
     {E::StartupDone},
     {STAY("idle"), STAY("idle"), "run -> running", "run -> running", "run -> running",
      "show box -> idle", STAY("idle"), STAY("idle"), "run close -> closing",
      "close and end box -> idle", "deliver -> idle", STAY("idle")}},
    {"running",
     {E::StartupDone, E::LineCommand},
     {STAY("running"), STAY("running"), STAY("running"), "defer -> running", STAY("running"),
      "show box -> running, box open", STAY("running"), STAY("idle"),
      "record -> running, close asked", "close and end box -> running", "deliver -> running",
      STAY("running")}},
    {"running, box open",
     {E::StartupDone, E::LineCommand, E::BoxOpened},
     {STAY("running, box open"), STAY("running, box open"), STAY("running, box open"),
      "run on holder -> tick under a box", STAY("running, box open"),
      "show box -> running, box open", STAY("running"), STAY("idle"),
      "record -> running, close asked", "close and end box -> running, box open",
      "deliver -> running, box open", STAY("running, box open")}},
    {"tick under a box",
     {E::StartupDone, E::LineCommand, E::BoxOpened, E::Tick},
     {STAY("tick under a box"), STAY("tick under a box"), STAY("tick under a box"),
      STAY("tick under a box"), STAY("tick under a box"), "show box -> tick under a box",
      STAY("tick under a box"), STAY("running, box open"),
      "record -> tick under a box, close asked", "close and end box -> tick under a box",
      "deliver -> tick under a box", STAY("tick under a box")}},
    {"running, close asked",
     {E::StartupDone, E::LineCommand, E::CloseAsked},
     {STAY("running, close asked"), STAY("running, close asked"), STAY("running, close asked"),
      STAY("running, close asked"), STAY("running, close asked"),
      "answer box -> running, close asked", STAY("running, close asked"), "run close -> closing",
      STAY("running, close asked"), "close and end box -> running, close asked",
      "drop -> running, close asked", STAY("running, close asked")}},
    {"tick under a box, close asked",
     {E::StartupDone, E::LineCommand, E::BoxOpened, E::Tick, E::CloseAsked},
     {STAY("tick under a box, close asked"), STAY("tick under a box, close asked"),
      STAY("tick under a box, close asked"), STAY("tick under a box, close asked"),
      STAY("tick under a box, close asked"), "answer box -> tick under a box, close asked",
      STAY("tick under a box, close asked"), STAY("running, close asked"),
      STAY("tick under a box, close asked"), "close and end box -> tick under a box, close asked",
      "drop -> tick under a box, close asked", STAY("tick under a box, close asked")}},
    {"closing",
     {E::StartupDone, E::CloseAsked},
     {STAY("closing"), STAY("closing"), STAY("closing"), STAY("closing"), STAY("closing"),
      "show box -> closing", STAY("closing"), STAY("closing"), STAY("closing"),
      "exit now -> closing", "drop -> closing", "quit -> closed"}},
    {"closed",
     {E::StartupDone, E::CloseAsked, E::CloseDone},
     {STAY("closed"), STAY("closed"), STAY("closed"), STAY("closed"), STAY("closed"),
      "show box -> closed", STAY("closed"), STAY("closed"), STAY("closed"), "exit now -> closed",
      "drop -> closed", STAY("closed")}},
};

#undef STAY

CommandLifecycle reached(const std::vector<LifeEvent>& path) {
    CommandLifecycle lifecycle;
    for (LifeEvent event : path)
        lifecycle.handle(event);
    return lifecycle;
}

TEST(CommandLifecycle, EveryEventHasOneOutcomeInEveryState) {
    // Every phase has its row.
    EXPECT_EQ(std::size(kTable), 11u);
    for (const Row& row : kTable) {
        ASSERT_EQ(phaseName(reached(row.path).phase()), row.state);
        for (std::size_t i = 0; i < kEvents.size(); ++i) {
            CommandLifecycle lifecycle = reached(row.path);
            const LifeOutcome outcome = lifecycle.handle(kEvents[i]);
            EXPECT_EQ(outcomeName(outcome) + " -> " + phaseName(lifecycle.phase()), row.cells[i])
                << "in \"" << row.state << "\" on " << eventName(kEvents[i]);
        }
    }
}

TEST(CommandLifecycle, ACloseEndsAReadAtItsNextStepAndLetsAWriteRunToItsEnd) {
    for (CommandKind kind : {CommandKind::Read, CommandKind::Write}) {
        CommandLifecycle lifecycle = reached({E::StartupDone});
        ASSERT_EQ(lifecycle.lineCommand(kind), LifeOutcome::Run);
        EXPECT_FALSE(lifecycle.endsAtNextStep());
        EXPECT_FALSE(lifecycle.closeAccepted());
        lifecycle.closeAsked();
        EXPECT_TRUE(lifecycle.closeAccepted());
        EXPECT_EQ(lifecycle.endsAtNextStep(), kind == CommandKind::Read);
        // A tick under the write's box is a read: it ends at its next step,
        // the write goes on after it.
        EXPECT_EQ(lifecycle.commandDone(), LifeOutcome::RunClose);
    }
    CommandLifecycle lifecycle = reached({E::StartupDone});
    lifecycle.lineCommand(CommandKind::Write);
    lifecycle.boxOpened();
    lifecycle.tick();
    lifecycle.closeAsked();
    EXPECT_TRUE(lifecycle.endsAtNextStep());
    lifecycle.commandDone();
    EXPECT_EQ(lifecycle.phase(), LifePhase::RunningCloseAsked);
    EXPECT_FALSE(lifecycle.endsAtNextStep());
}

TEST(CommandLifecycle, ATickDueDuringACommandRunsOnceAfterItOrUnderItsBox) {
    CommandLifecycle lifecycle = reached({E::StartupDone, E::LineCommand});
    EXPECT_EQ(lifecycle.tick(), LifeOutcome::Defer);
    EXPECT_EQ(lifecycle.tick(), LifeOutcome::Defer);  // ticks due meanwhile are one
    EXPECT_EQ(lifecycle.commandDone(), LifeOutcome::RunDueTick);
    EXPECT_EQ(lifecycle.phase(), LifePhase::Running);  // the tick holds the line
    EXPECT_EQ(lifecycle.commandDone(), LifeOutcome::Nothing);
    EXPECT_EQ(lifecycle.phase(), LifePhase::Idle);

    // Run under the box, it is no longer due after the command.
    lifecycle = reached({E::StartupDone, E::LineCommand, E::Tick, E::BoxOpened});
    EXPECT_EQ(lifecycle.tick(), LifeOutcome::RunOnHolder);
    lifecycle.commandDone();
    lifecycle.boxClosed();
    EXPECT_EQ(lifecycle.commandDone(), LifeOutcome::Nothing);

    // A close drops the due tick.
    lifecycle = reached({E::StartupDone, E::LineCommand, E::Tick, E::CloseAsked});
    EXPECT_EQ(lifecycle.commandDone(), LifeOutcome::RunClose);
}

TEST(CommandLifecycle, ATakeOverUsesTheHoldersLineOnlyWhereTheHolderAllowsIt) {
    CommandLifecycle lifecycle = reached({E::StartupDone, E::LineCommand});
    EXPECT_EQ(lifecycle.takeOver(), LifeOutcome::Nothing);
    lifecycle.allowTakeOver(true);
    EXPECT_EQ(lifecycle.takeOver(), LifeOutcome::RunOnHolder);
    lifecycle.closeAsked();
    EXPECT_EQ(lifecycle.takeOver(), LifeOutcome::Nothing);
    // The next command starts without the allowance.
    lifecycle = reached({E::StartupDone, E::LineCommand});
    lifecycle.allowTakeOver(true);
    lifecycle.commandDone();
    lifecycle.lineCommand();
    EXPECT_EQ(lifecycle.takeOver(), LifeOutcome::Nothing);
}

}  // namespace
}  // namespace m8163
