#pragma once

#include <QObject>
#include <chrono>
#include <exception>
#include <functional>
#include <optional>

#include "base/clock.h"
#include "base/event_pump.h"
#include "link/connection_settings.h"
#include "link/serial_port.h"
#include "protocol/transactions.h"

// Every reaction of the window runs through one guard:
// - an error of any type escaping the reaction is shown in the standard
//   error box and the program goes on;
// - one line at a time: the line (the port with its connection settings,
//   the clock and the command pump) is handed out as a move-only lease. A
//   command that talks to the module, reopens the port or changes the
//   register image takes it for its whole run, pauses included; while it is
//   taken another such command does not start (its click does nothing), the
//   polling tick runs right after the holding command, and a take-over from
//   the found-device list runs only where the holder lets it;
// - a close asked for while the line is taken waits: the command ends at its
//   next pause, message pass or search trial, then the close runs once.

namespace m8163 {

class CommandGuard;
class MessageBoxes;
struct MessageBox;

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
    // `owns`: this lease took the line and releases it; a borrowed one (a
    // take-over during a search) does not.
    LineLease(CommandGuard& guard, bool owns) : guard_(&guard), owns_(owns) {}

    CommandGuard* guard_;
    bool owns_;
};

class CommandGuard {
  public:
    // `pump` is the window's event pump; commands use the lease's pump.
    CommandGuard(MessageBoxes& boxes, EventPump& pump, LineParts line);
    CommandGuard(const CommandGuard&) = delete;
    CommandGuard& operator=(const CommandGuard&) = delete;

    // The command pump (also the lease's): the window's pump, ending the
    // command that holds the line once a close is waiting.
    EventPump& pump() { return commandPump_; }

    bool lineHeld() const { return lineHeld_; }
    bool closeWaiting() const { return closeWaiting_; }

    // The line, when no command holds it and no close waits.
    std::optional<LineLease> takeLine();

    // Runs a reaction that does not touch the line; any error it lets out is
    // shown. Runs whenever it is asked.
    void run(const std::function<void()>& reaction);
    // Runs a command with the line; false when the line is taken (the
    // command did not start).
    bool runWithLine(const std::function<void(LineLease&)>& command);
    // The polling tick: runs now with the line, or, while a command holds
    // it, once right after that command has ended (ticks due meanwhile are
    // one tick).
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
                     std::function<void(LineLease&)> command) {
        QObject::connect(sender, signal, context,
                         [this, command = std::move(command)] { runWithLine(command); });
    }

    // Ends the command that holds the line (throws CommandEnded) once a
    // close is waiting: for steps that are neither pauses nor message passes.
    void endIfCloseWaits() const;

    // The window asks to close: true when the close may run now; otherwise the
    // close is remembered and `closeNow` runs once the holding command ended.
    bool askClose();
    void onCloseDue(std::function<void()> closeNow) { closeNow_ = std::move(closeNow); }

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

    // Runs `body`, showing whatever it lets out; CommandEnded ends it quietly.
    void shielded(const std::function<void()>& body);
    // After a command has let the line go: the waiting close, else a due tick.
    void afterRelease();
    void release();

    MessageBoxes& boxes_;
    CommandPump commandPump_;
    LineParts line_;
    std::function<void()> closeNow_;
    std::function<void(LineLease&)> dueTick_;
    bool lineHeld_ = false;
    bool takeOverAllowed_ = false;
    bool closeWaiting_ = false;
};

}  // namespace m8163
