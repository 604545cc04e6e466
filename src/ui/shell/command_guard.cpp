#include "ui/shell/command_guard.h"

#include <exception>
#include <utility>

#include "base/message_boxes.h"
#include "base/standard_boxes.h"

namespace m8163 {

MessageBox errorBox(const std::exception& error) {
    return {error.what(), caption::kProgram, BoxIcon::Error, BoxButtons::Ok, {}};
}

LineLease::LineLease(LineLease&& other) noexcept
    : guard_(std::exchange(other.guard_, nullptr)), owns_(other.owns_) {}

LineLease::~LineLease() {
    if (guard_ != nullptr && owns_)
        guard_->release();
}

SerialPort& LineLease::port() const {
    return guard_->line_.port;
}

const Clock& LineLease::clock() const {
    return guard_->line_.clock;
}

ModbusLine LineLease::line() const {
    const LineParts& parts = guard_->line_;
    return {parts.port, parts.connection, parts.clock, 0, parts.observer};
}

EventPump& LineLease::pump() const {
    return guard_->commandPump_;
}

void LineLease::allowTakeOver(bool allowed) {
    if (guard_ != nullptr && owns_)
        guard_->takeOverAllowed_ = allowed;
}

CommandGuard::CommandGuard(MessageBoxes& boxes, EventPump& pump, LineParts line)
    : boxes_(boxes), commandPump_(*this, pump), line_(line) {}

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

std::optional<LineLease> CommandGuard::takeLine() {
    if (lineHeld_ || closeWaiting_)
        return std::nullopt;
    lineHeld_ = true;
    return LineLease(*this, true);
}

void CommandGuard::release() {
    lineHeld_ = false;
    takeOverAllowed_ = false;
}

void CommandGuard::shielded(const std::function<void()>& body) {
    try {
        body();
    } catch (const CommandEnded&) {
        // A close is waiting: the command stops here, without a box.
    } catch (const std::exception& error) {
        boxes_.show(errorBox(error));
    } catch (...) {
        boxes_.show(
            {"Непредвиденная ошибка.", caption::kProgram, BoxIcon::Error, BoxButtons::Ok, {}});
    }
}

void CommandGuard::run(const std::function<void()>& reaction) {
    shielded(reaction);
}

bool CommandGuard::runWithLine(const std::function<void(LineLease&)>& command) {
    {
        std::optional<LineLease> lease = takeLine();
        if (!lease)
            return false;
        shielded([&] { command(*lease); });
    }
    afterRelease();
    return true;
}

void CommandGuard::runTick(const std::function<void(LineLease&)>& tick) {
    if (lineHeld_) {
        dueTick_ = tick;
        return;
    }
    runWithLine(tick);
}

bool CommandGuard::runTakeOver(const std::function<void(LineLease&)>& takeOver) {
    if (lineHeld_ && takeOverAllowed_ && !closeWaiting_) {
        LineLease borrowed(*this, false);
        shielded([&] { takeOver(borrowed); });
        return true;
    }
    return runWithLine(takeOver);
}

void CommandGuard::afterRelease() {
    if (lineHeld_)
        return;
    if (closeWaiting_) {
        closeWaiting_ = false;
        dueTick_ = nullptr;
        if (closeNow_)
            closeNow_();
        return;
    }
    if (dueTick_) {
        const auto tick = std::exchange(dueTick_, nullptr);
        runWithLine(tick);
    }
}

bool CommandGuard::askClose() {
    if (!lineHeld_)
        return true;
    closeWaiting_ = true;
    return false;
}

}  // namespace m8163
