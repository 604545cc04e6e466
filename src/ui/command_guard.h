#pragma once

#include <QObject>
#include <chrono>
#include <exception>
#include <functional>

#include "base/event_pump.h"

// Every reaction of the window runs through one guard:
// - an error escaping the reaction is shown in the standard error box and the
//   program goes on;
// - one line at a time: while a command holds the line (it talks to the
//   module or changes the register image, from its start to its end, pauses
//   included), another such command does not start: its click does nothing;
// - a close asked for while a command holds the line waits: the command ends
//   at its next pause or message pass, then the close runs once.

namespace m8163 {

class MessageBoxes;
struct MessageBox;

// The standard error box for an error that escapes a reaction or ends a
// sequence: its message, the application's title as caption.
MessageBox errorBox(const std::exception& error);

enum class CommandKind {
    Line,   // talks to the module, reopens the port or changes the register image
    Local,  // touches neither: runs whenever it is asked
};

// Thrown from the command pump at a command's next step once a close is
// waiting. Not a std::exception, so that no error box shows it.
struct CommandEnded {};

class CommandGuard {
  public:
    // `pump` is the window's event pump; commands use pump() instead.
    CommandGuard(MessageBoxes& boxes, EventPump& pump);
    CommandGuard(const CommandGuard&) = delete;
    CommandGuard& operator=(const CommandGuard&) = delete;

    // The pump that commands pause with and let messages through with: the
    // window's pump, ending the command once a close is waiting.
    EventPump& pump() { return commandPump_; }

    bool lineHeld() const { return lineHeld_; }
    bool closeWaiting() const { return closeWaiting_; }

    // Runs `reaction` under the rules above; false when it did not start.
    bool run(CommandKind kind, const std::function<void()>& reaction);

    // Connects `signal` of `sender` to `reaction` (taking no arguments) through run().
    template <class Sender, class Signal>
    void connect(Sender* sender, Signal signal, QObject* context, CommandKind kind,
                 std::function<void()> reaction) {
        QObject::connect(sender, signal, context,
                         [this, kind, reaction = std::move(reaction)] { run(kind, reaction); });
    }

    // The window asks to close: true when the close may run now; otherwise the
    // close is remembered and `closeNow` runs once the holding command ended.
    bool askClose();
    void onCloseDue(std::function<void()> closeNow) { closeNow_ = std::move(closeNow); }

  private:
    class CommandPump : public EventPump {
      public:
        CommandPump(CommandGuard& guard, EventPump& pump) : guard_(guard), pump_(pump) {}
        void processPending() override;
        void pause(std::chrono::milliseconds duration) override;

      private:
        CommandGuard& guard_;
        EventPump& pump_;
    };

    void endIfCloseWaits() const;

    MessageBoxes& boxes_;
    CommandPump commandPump_;
    std::function<void()> closeNow_;
    bool lineHeld_ = false;
    bool closeWaiting_ = false;
};

}  // namespace m8163
