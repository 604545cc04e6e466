#include "ui/command_guard.h"

#include <exception>

#include "base/message_boxes.h"

namespace m8163 {

MessageBox errorBox(const std::exception& error) {
    return {error.what(), "8163", BoxIcon::Error, BoxButtons::Ok, {}};
}

CommandGuard::CommandGuard(MessageBoxes& boxes, EventPump& pump)
    : boxes_(boxes), commandPump_(*this, pump) {}

void CommandGuard::CommandPump::processPending() {
    guard_.endIfCloseWaits();
    pump_.processPending();
    guard_.endIfCloseWaits();
}

void CommandGuard::CommandPump::pause(std::chrono::milliseconds duration) {
    guard_.endIfCloseWaits();
    pump_.pause(duration);
    guard_.endIfCloseWaits();
}

void CommandGuard::endIfCloseWaits() const {
    if (closeWaiting_ && lineHeld_)
        throw CommandEnded{};
}

bool CommandGuard::run(CommandKind kind, const std::function<void()>& reaction) {
    const bool holds = kind == CommandKind::Line;
    if (holds && (lineHeld_ || closeWaiting_))
        return false;
    if (holds)
        lineHeld_ = true;
    try {
        reaction();
    } catch (const CommandEnded&) {
        // A close is waiting: the command stops here, without a box.
    } catch (const std::exception& error) {
        boxes_.show(errorBox(error));
    }
    if (!holds)
        return true;
    lineHeld_ = false;
    if (closeWaiting_ && closeNow_) {
        closeWaiting_ = false;
        closeNow_();
    }
    return true;
}

bool CommandGuard::askClose() {
    if (!lineHeld_)
        return true;
    closeWaiting_ = true;
    return false;
}

}  // namespace m8163
