#include "ui/shell/command_guard.h"

#include <QTimer>
#include <cstdio>
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
        guard_->lifecycle_.allowTakeOver(allowed);
}

CommandGuard::CommandGuard(MessageBoxes& boxes, EventPump& pump, LineParts line)
    : commandPump_(*this, pump), guardedBoxes_(*this, boxes), line_(line) {}

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

BoxAnswer CommandGuard::GuardedBoxes::show(const MessageBox& box) {
    CommandLifecycle& lifecycle = guard_.lifecycle_;
    const LifePhase before = lifecycle.phase();
    if (lifecycle.boxOpened() == LifeOutcome::AnswerBox) {
        // A close waits and nobody may be there to answer: the box is
        // answered as a signal answers an open one, and its text is kept.
        std::fprintf(stderr, "8163: %s%s%s\n", box.text.c_str(), box.detail.empty() ? "" : " ",
                     box.detail.c_str());
        return box.buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
    }
    const bool holdersBox = lifecycle.phase() != before;
    // A tick that fell due while the command ran need not wait for the
    // answer: it runs under the box as soon as the box's messages run.
    if (holdersBox && guard_.dueTick_) {
        QTimer::singleShot(0, &guard_.ticker_, [guard = &guard_] {
            if (guard->dueTick_)
                guard->runTick(guard->dueTick_);
        });
    }
    struct Answered {
        CommandLifecycle& lifecycle;
        bool counted;
        ~Answered() {
            if (counted)
                lifecycle.boxClosed();
        }
    } answered{lifecycle, holdersBox};
    return boxes_.show(box);
}

void CommandGuard::endIfCloseWaits() const {
    if (lifecycle_.endsAtNextStep())
        throw CommandEnded{};
}

bool CommandGuard::runStartup(const std::function<bool(LineLease&)>& startup) {
    bool started = false;
    {
        LineLease lease(*this, false);
        shielded([&] { started = startup(lease); });
    }
    if (!started) {
        lifecycle_.startupFailed();
        return false;
    }
    follow(lifecycle_.startupDone());
    return true;
}

std::optional<LineLease> CommandGuard::takeLine(CommandKind kind) {
    if (lifecycle_.lineCommand(kind) != LifeOutcome::Run)
        return std::nullopt;
    return LineLease(*this, true);
}

void CommandGuard::release() {
    follow(lifecycle_.commandDone());
}

void CommandGuard::follow(LifeOutcome outcome) {
    switch (outcome) {
        case LifeOutcome::RunClose:
            dueTick_ = nullptr;
            if (closeNow_)
                closeNow_();
            return;
        case LifeOutcome::RunDueTick:
            // The lifecycle has given the line to the tick already.
            if (const auto tick = std::exchange(dueTick_, nullptr))
                runHolding(tick);
            else
                follow(lifecycle_.commandDone());
            return;
        default:
            return;
    }
}

void CommandGuard::shielded(const std::function<void()>& body) {
    try {
        body();
    } catch (const CommandEnded&) {
        // A close is waiting: the command stops here, without a box.
    } catch (const std::exception& error) {
        guardedBoxes_.show(errorBox(error));
    } catch (...) {
        guardedBoxes_.show(
            {"Непредвиденная ошибка.", caption::kProgram, BoxIcon::Error, BoxButtons::Ok, {}});
    }
}

void CommandGuard::run(const std::function<void()>& reaction) {
    shielded(reaction);
}

void CommandGuard::runHolding(const std::function<void(LineLease&)>& command) {
    LineLease lease(*this, true);
    shielded([&] { command(lease); });
}

bool CommandGuard::runWithLine(const std::function<void(LineLease&)>& command, CommandKind kind) {
    if (lifecycle_.lineCommand(kind) != LifeOutcome::Run)
        return false;
    runHolding(command);
    return true;
}

void CommandGuard::runTick(const std::function<void(LineLease&)>& tick) {
    switch (lifecycle_.tick()) {
        case LifeOutcome::Run:
            dueTick_ = nullptr;
            runHolding(tick);
            return;
        case LifeOutcome::Defer:
            dueTick_ = tick;
            return;
        case LifeOutcome::RunOnHolder: {
            dueTick_ = nullptr;
            {
                LineLease borrowed(*this, false);
                shielded([&] { tick(borrowed); });
            }
            follow(lifecycle_.commandDone());
            return;
        }
        default:
            return;
    }
}

bool CommandGuard::runTakeOver(const std::function<void(LineLease&)>& takeOver) {
    switch (lifecycle_.takeOver()) {
        case LifeOutcome::Run:
            runHolding(takeOver);
            return true;
        case LifeOutcome::RunOnHolder: {
            LineLease borrowed(*this, false);
            shielded([&] { takeOver(borrowed); });
            return true;
        }
        default:
            return false;
    }
}

LifeOutcome CommandGuard::askClose() {
    const LifeOutcome outcome = lifecycle_.closeAsked();
    if (outcome == LifeOutcome::Record)
        dueTick_ = nullptr;
    return outcome;
}

void CommandGuard::runClose(const std::function<void(LineLease&)>& close) {
    if (lifecycle_.phase() != LifePhase::Closing)
        return;
    {
        LineLease lease(*this, false);
        shielded([&] { close(lease); });
    }
    lifecycle_.closeDone();
}

}  // namespace m8163
