#pragma once

#include <cstdint>
#include <string>

// The rules that tie start-up, the commands, their boxes, held input and a
// close together, as one state machine without a window. The command guard
// asks it what each event does and does that; the table of states and
// events is in docs/architecture.md ("Command lifecycle") and tested as a
// table.

namespace m8163 {

// How a close meets the command that holds the line.
enum class CommandKind : std::uint8_t {
    // Reads, ticks, searches, reopens: ended at the next step.
    Read,
    // Writes to the module: run to their end (they are bounded), so that a
    // close never leaves a module half-written.
    Write,
};

enum class LifePhase : std::uint8_t {
    Starting,             // the start-up sequence runs
    StartingCloseAsked,   // ... and a close waits for its end
    StartFailed,          // a settings file was refused: the program ends, writing nothing
    Idle,                 // nothing holds the line
    Running,              // a command holds the line: an exchange, a pause, a message pass
    RunningInBox,         // ... and one of its boxes is open
    TickInBox,            // a polling tick runs on the line of a command whose box is open
    RunningCloseAsked,    // a command holds the line and a close waits for its end
    TickInBoxCloseAsked,  // a tick under a command's box, and a close waits
    Closing,              // the close sequence runs
    Closed,               // the close sequence has run: the program ends
};

enum class LifeEvent : std::uint8_t {
    StartupDone,
    StartupFailed,
    LineCommand,  // a click on a command that uses the line, live or handed on
    Tick,         // the polling tick
    TakeOver,     // a take-over from the found-device list
    BoxOpened,    // a box of the command that holds the line opens
    BoxClosed,    // ... and is answered
    CommandDone,  // the command that holds the line (or a tick under its box) has ended
    CloseAsked,   // the window's close: its button, the window manager, or a signal
    Signal,       // a close signal (SIGTERM, SIGINT, SIGHUP), first or further
    HeldInput,    // input held back during a wait is handed on
    CloseDone,    // the close sequence has ended
};

enum class LifeOutcome : std::uint8_t {
    Nothing,      // the event does nothing
    Run,          // runs now and takes the line
    Defer,        // a tick: runs once right after the holding command
    RunOnHolder,  // runs now on the line of the holder (a tick under its box;
                  // a take-over where the holder allows it)
    RunDueTick,   // the event's own effect, then the tick that was due runs
    ShowBox,      // the box is shown
    AnswerBox,    // the box is answered at once, as a signal answers it: a close waits
    Record,       // a close is recorded: an open box is ended, a read ends at
                  // its next step, a write runs to its end
    CloseAndEnd,  // a signal: the open box is ended and the window asked to close
    RunClose,     // the close sequence runs now
    Deliver,      // held input goes on to its control, where the live rules apply
    Drop,         // held input is dropped
    Quit,         // the program's event loop ends
    ExitFailed,   // the program ends with a non-zero status, writing nothing
    ExitNow,      // the process ends at once, writing nothing more
};

class CommandLifecycle {
  public:
    LifePhase phase() const { return phase_; }

    // The event's outcome in the current phase; the phase moves on. One
    // function per event, dispatched by `handle` for the table.
    LifeOutcome handle(LifeEvent event);

    LifeOutcome startupDone();
    LifeOutcome startupFailed();
    // `kind`: how a close meets the command, when it runs.
    LifeOutcome lineCommand(CommandKind kind = CommandKind::Read);
    LifeOutcome tick();
    LifeOutcome takeOver();
    LifeOutcome boxOpened();
    LifeOutcome boxClosed();
    LifeOutcome commandDone();
    LifeOutcome closeAsked();
    LifeOutcome signal();
    LifeOutcome heldInput() const;
    LifeOutcome closeDone();

    // Whether the command running now ends at its next step (a close waits
    // and the command is a read; a tick under a box is a read).
    bool endsAtNextStep() const;
    // Whether a close has been accepted: nothing new starts.
    bool closeAccepted() const;
    // Whether the holder lets a take-over use its line (the search, between
    // module numbers); only while it runs.
    void allowTakeOver(bool allowed);

  private:
    LifePhase phase_ = LifePhase::Starting;
    CommandKind holderKind_ = CommandKind::Read;
    bool tickDue_ = false;
    bool takeOverAllowed_ = false;
};

// The phase's and the outcome's names, for the table and for test messages.
std::string phaseName(LifePhase phase);
std::string outcomeName(LifeOutcome outcome);
std::string eventName(LifeEvent event);

}  // namespace m8163
