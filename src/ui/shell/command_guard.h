#pragma once

#include <QObject>
#include <chrono>
#include <exception>
#include <functional>
#include <optional>

#include "base/clock.h"
#include "base/event_pump.h"
#include "base/message_boxes.h"
#include "link/connection_settings.h"
#include "link/serial_port.h"
#include "protocol/transactions.h"
#include "ui/shell/command_lifecycle.h"

// Every reaction of the window runs through one guard:
// - an error of any type escaping the reaction is shown in the standard
//   error box and the program goes on;
// - one line at a time: the line (the port with its connection settings,
//   the clock and the command pump) is handed out as a move-only lease. A
//   command that talks to the module, reopens the port or changes the
//   register image takes it for its exchanges and pauses; while it is
//   taken another such command does not start (its click does nothing), the
//   polling tick runs right after the holding command, and a take-over from
//   the found-device list runs only where the holder lets it;
// - no box holds the line: while a box of the holding command is open (the
//   box is modal, so no other command can start) polling ticks run on its
//   line;
// - start-up, the commands, a close and the end of the program follow one
//   state machine (CommandLifecycle): a close waits for start-up; a read
//   ends at its next pause, message pass or search trial and a write runs to
//   its end, then the close runs once; once a close is accepted nothing new
//   starts and held input is dropped.

namespace m8163 {

class CommandGuard;

// The standard error box for an error that escapes a reaction or ends a
// sequence: its message, the application's title as caption.
MessageBox errorBox(const std::exception& error);

// Thrown at a command's next step once a close is waiting. Not a
// std::exception, so that no error box shows it.
struct CommandEnded {};

// What the line is made of. The guard hands it out only inside a lease.
struct LineParts {
    SerialPort& port;
    const ConnectionSettings& connection;
    const Clock& clock;
    // Told of every frame on the line (the exchange monitor); may be null.
    ExchangeObserver* observer = nullptr;
};

// The line, held. Released when the lease goes out of scope, however the
// scope is left (a return, an error of any type, the end of a command for a
// close). Moving it hands the hold on; a moved-from lease holds nothing.
class LineLease {
  public:
    LineLease(LineLease&& other) noexcept;
    LineLease& operator=(LineLease&&) = delete;
    LineLease(const LineLease&) = delete;
    LineLease& operator=(const LineLease&) = delete;
    ~LineLease();

    SerialPort& port() const;
    const Clock& clock() const;
    // Port, connection settings and clock, as the transactions take them.
    ModbusLine line() const;
    // The command pump: a pause or message pass in it ends the command once
    // a close is waiting.
    EventPump& pump() const;

    // While allowed, a take-over from the found-device list may use the line
    // at this command's message passes (the search, between module numbers).
    void allowTakeOver(bool allowed);

  private:
    friend class CommandGuard;
    // `owns`: this lease took the line and ends the command when it is
    // released; a borrowed one (a tick under the holder's box, a take-over
    // during a search, the start-up and close sequences) does not.
    LineLease(CommandGuard& guard, bool owns) : guard_(&guard), owns_(owns) {}

    CommandGuard* guard_;
    bool owns_;
};

class CommandGuard {
  public:
    // `pump` is the window's event pump and `boxes` its boxes; commands use
    // the lease's pump and the guard's boxes.
    CommandGuard(MessageBoxes& boxes, EventPump& pump, LineParts line);
    CommandGuard(const CommandGuard&) = delete;
    CommandGuard& operator=(const CommandGuard&) = delete;

    // The command pump (also the lease's): the window's pump, ending a read
    // that holds the line once a close is waiting.
    EventPump& pump() { return commandPump_; }
    // The boxes every reaction shows: a box of the holding command lets
    // polling ticks use its line while it is open; after a close has been
    // accepted a box of the ending command is answered at once (its text
    // goes to stderr).
    MessageBoxes& boxes() { return guardedBoxes_; }

    const CommandLifecycle& lifecycle() const { return lifecycle_; }

    // Runs the start-up sequence with the line; `startup` returns false when
    // it failed (a settings file refused). A close asked for meanwhile runs
    // right after a start-up that succeeded. False when start-up failed.
    bool runStartup(const std::function<bool(LineLease&)>& startup);

    // The line, when no command holds it and no close waits.
    std::optional<LineLease> takeLine(CommandKind kind = CommandKind::Read);

    // Runs a reaction that does not touch the line; any error it lets out is
    // shown. Runs whenever it is asked.
    void run(const std::function<void()>& reaction);
    // Runs a command with the line; false when it did not start (the line
    // is taken, or a close has been accepted). `kind` says how a close meets
    // it: a read ends at its next step, a write runs to its end.
    bool runWithLine(const std::function<void(LineLease&)>& command,
                     CommandKind kind = CommandKind::Read);
    // The polling tick: runs now with the line; while a command holds it,
    // under the command's open box, or else once right after the command
    // (ticks due meanwhile are one tick).
    void runTick(const std::function<void(LineLease&)>& tick);
    // A take-over from the found-device list: runs with the line when it is
    // free, or with the holder's line when the holder allows take-overs;
    // false when it did not run.
    bool runTakeOver(const std::function<void(LineLease&)>& takeOver);

    // Connects `signal` of `sender` to a reaction without the line.
    template <class Sender, class Signal>
    void connect(Sender* sender, Signal signal, QObject* context, std::function<void()> reaction) {
        QObject::connect(sender, signal, context,
                         [this, reaction = std::move(reaction)] { run(reaction); });
    }
    // Connects `signal` of `sender` to a command with the line.
    template <class Sender, class Signal>
    void connectLine(Sender* sender, Signal signal, QObject* context,
                     std::function<void(LineLease&)> command,
                     CommandKind kind = CommandKind::Read) {
        QObject::connect(sender, signal, context, [this, command = std::move(command), kind] {
            runWithLine(command, kind);
        });
    }

    // Ends a read that holds the line (throws CommandEnded) once a close is
    // waiting: for steps that are neither pauses nor message passes.
    void endIfCloseWaits() const;

    // The window asks to close (its button, the window manager, a signal):
    // RunClose when the close sequence may run now (run it with runClose);
    // Record when it waits for start-up or the holding command, after which
    // `closeNow` runs; Nothing when it is under way or done already.
    LifeOutcome askClose();
    void onCloseDue(std::function<void()> closeNow) { closeNow_ = std::move(closeNow); }
    // Runs the close sequence with the line, once, after askClose said so or
    // `closeNow` was called.
    void runClose(const std::function<void(LineLease&)>& close);
    // A close signal: ExitNow while the close sequence runs or has run (the
    // process ends at once), Nothing after a failed start-up, else
    // CloseAndEnd (the open box is ended and the window asked to close).
    LifeOutcome signal() { return lifecycle_.signal(); }
    // Whether input held back during a wait is handed on (else dropped).
    bool handsOnHeldInput() const { return lifecycle_.heldInput() == LifeOutcome::Deliver; }

  private:
    friend class LineLease;

    class CommandPump : public EventPump {
      public:
        CommandPump(CommandGuard& guard, EventPump& pump) : guard_(guard), pump_(pump) {}
        void processPending() override;
        void pause(std::chrono::milliseconds duration) override;

      private:
        CommandGuard& guard_;
        EventPump& pump_;
    };

    class GuardedBoxes : public MessageBoxes {
      public:
        GuardedBoxes(CommandGuard& guard, MessageBoxes& boxes) : guard_(guard), boxes_(boxes) {}
        BoxAnswer show(const MessageBox& box) override;

      private:
        CommandGuard& guard_;
        MessageBoxes& boxes_;
    };

    // Runs `body`, showing whatever it lets out; CommandEnded ends it quietly.
    void shielded(const std::function<void()>& body);
    // Runs `command` with a lease the lifecycle has already given.
    void runHolding(const std::function<void(LineLease&)>& command);
    // The holding command has ended: the lifecycle says what follows.
    void release();
    void follow(LifeOutcome outcome);

    CommandPump commandPump_;
    GuardedBoxes guardedBoxes_;
    LineParts line_;
    CommandLifecycle lifecycle_;
    std::function<void()> closeNow_;
    std::function<void(LineLease&)> dueTick_;
    // The context of a due tick posted to run under a box.
    QObject ticker_;
};

}  // namespace m8163
