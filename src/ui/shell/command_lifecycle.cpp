#include "ui/shell/command_lifecycle.h"

namespace m8163 {

using P = LifePhase;
using O = LifeOutcome;

LifeOutcome CommandLifecycle::handle(LifeEvent event) {
    switch (event) {
        case LifeEvent::StartupDone:
            return startupDone();
        case LifeEvent::StartupFailed:
            return startupFailed();
        case LifeEvent::LineCommand:
            return lineCommand();
        case LifeEvent::Tick:
            return tick();
        case LifeEvent::TakeOver:
            return takeOver();
        case LifeEvent::BoxOpened:
            return boxOpened();
        case LifeEvent::BoxClosed:
            return boxClosed();
        case LifeEvent::CommandDone:
            return commandDone();
        case LifeEvent::CloseAsked:
            return closeAsked();
        case LifeEvent::Signal:
            return signal();
        case LifeEvent::HeldInput:
            return heldInput();
        case LifeEvent::CloseDone:
            return closeDone();
    }
    return O::Nothing;
}

LifeOutcome CommandLifecycle::startupDone() {
    switch (phase_) {
        case P::Starting:
            phase_ = P::Idle;
            return O::Nothing;
        case P::StartingCloseAsked:
            phase_ = P::Closing;
            return O::RunClose;
        default:
            return O::Nothing;
    }
}

LifeOutcome CommandLifecycle::startupFailed() {
    switch (phase_) {
        case P::Starting:
        case P::StartingCloseAsked:
            phase_ = P::StartFailed;
            return O::ExitFailed;
        default:
            return O::Nothing;
    }
}

LifeOutcome CommandLifecycle::lineCommand(CommandKind kind) {
    if (phase_ != P::Idle)
        return O::Nothing;
    phase_ = P::Running;
    holderKind_ = kind;
    tickDue_ = false;
    takeOverAllowed_ = false;
    return O::Run;
}

LifeOutcome CommandLifecycle::tick() {
    switch (phase_) {
        case P::Idle:
            return lineCommand(CommandKind::Read);
        case P::Running:
            tickDue_ = true;
            return O::Defer;
        case P::RunningInBox:
            phase_ = P::TickInBox;
            tickDue_ = false;
            return O::RunOnHolder;
        default:
            return O::Nothing;
    }
}

LifeOutcome CommandLifecycle::takeOver() {
    switch (phase_) {
        case P::Idle:
            return lineCommand(CommandKind::Read);
        case P::Running:
            return takeOverAllowed_ ? O::RunOnHolder : O::Nothing;
        default:
            return O::Nothing;
    }
}

LifeOutcome CommandLifecycle::boxOpened() {
    switch (phase_) {
        case P::Running:
            // A tick due meanwhile stays due: it runs at its timer's next
            // tick under the box, or right after the command.
            phase_ = P::RunningInBox;
            return O::ShowBox;
        case P::StartingCloseAsked:
        case P::RunningCloseAsked:
        case P::TickInBoxCloseAsked:
            return O::AnswerBox;
        default:
            // A box of a reaction without the line, of a tick, of the
            // start-up or of the close sequence.
            return O::ShowBox;
    }
}

LifeOutcome CommandLifecycle::boxClosed() {
    if (phase_ == P::RunningInBox)
        phase_ = P::Running;
    return O::Nothing;
}

LifeOutcome CommandLifecycle::commandDone() {
    switch (phase_) {
        case P::Running:
        case P::RunningInBox:
            phase_ = P::Idle;
            if (tickDue_) {
                tickDue_ = false;
                phase_ = P::Running;
                holderKind_ = CommandKind::Read;
                return O::RunDueTick;
            }
            return O::Nothing;
        case P::TickInBox:
            phase_ = P::RunningInBox;
            return O::Nothing;
        case P::TickInBoxCloseAsked:
            phase_ = P::RunningCloseAsked;
            return O::Nothing;
        case P::RunningCloseAsked:
            phase_ = P::Closing;
            return O::RunClose;
        default:
            return O::Nothing;
    }
}

LifeOutcome CommandLifecycle::closeAsked() {
    switch (phase_) {
        case P::Starting:
            phase_ = P::StartingCloseAsked;
            return O::Record;
        case P::Idle:
            phase_ = P::Closing;
            return O::RunClose;
        case P::Running:
        case P::RunningInBox:
            phase_ = P::RunningCloseAsked;
            tickDue_ = false;
            return O::Record;
        case P::TickInBox:
            phase_ = P::TickInBoxCloseAsked;
            return O::Record;
        default:
            return O::Nothing;
    }
}

LifeOutcome CommandLifecycle::signal() {
    switch (phase_) {
        case P::Closing:
        case P::Closed:
            return O::ExitNow;
        case P::StartFailed:
            return O::Nothing;
        default:
            return O::CloseAndEnd;
    }
}

LifeOutcome CommandLifecycle::heldInput() const {
    switch (phase_) {
        case P::Starting:
        case P::Idle:
        case P::Running:
        case P::RunningInBox:
        case P::TickInBox:
            return O::Deliver;
        default:
            return O::Drop;
    }
}

LifeOutcome CommandLifecycle::closeDone() {
    if (phase_ != P::Closing)
        return O::Nothing;
    phase_ = P::Closed;
    return O::Quit;
}

bool CommandLifecycle::endsAtNextStep() const {
    switch (phase_) {
        case P::RunningCloseAsked:
            return holderKind_ == CommandKind::Read;
        case P::TickInBoxCloseAsked:
            return true;
        default:
            return false;
    }
}

bool CommandLifecycle::closeAccepted() const {
    switch (phase_) {
        case P::StartingCloseAsked:
        case P::StartFailed:
        case P::RunningCloseAsked:
        case P::TickInBoxCloseAsked:
        case P::Closing:
        case P::Closed:
            return true;
        default:
            return false;
    }
}

void CommandLifecycle::allowTakeOver(bool allowed) {
    takeOverAllowed_ = allowed && phase_ == P::Running;
}

std::string phaseName(LifePhase phase) {
    switch (phase) {
        case P::Starting:
            return "starting";
        case P::StartingCloseAsked:
            return "starting, close asked";
        case P::StartFailed:
            return "start failed";
        case P::Idle:
            return "idle";
        case P::Running:
            return "running";
        case P::RunningInBox:
            return "running, box open";
        case P::TickInBox:
            return "tick under a box";
        case P::RunningCloseAsked:
            return "running, close asked";
        case P::TickInBoxCloseAsked:
            return "tick under a box, close asked";
        case P::Closing:
            return "closing";
        case P::Closed:
            return "closed";
    }
    return "?";
}

std::string outcomeName(LifeOutcome outcome) {
    switch (outcome) {
        case O::Nothing:
            return "nothing";
        case O::Run:
            return "run";
        case O::Defer:
            return "defer";
        case O::RunOnHolder:
            return "run on holder";
        case O::RunDueTick:
            return "run due tick";
        case O::ShowBox:
            return "show box";
        case O::AnswerBox:
            return "answer box";
        case O::Record:
            return "record";
        case O::CloseAndEnd:
            return "close and end box";
        case O::RunClose:
            return "run close";
        case O::Deliver:
            return "deliver";
        case O::Drop:
            return "drop";
        case O::Quit:
            return "quit";
        case O::ExitFailed:
            return "exit failed";
        case O::ExitNow:
            return "exit now";
    }
    return "?";
}

std::string eventName(LifeEvent event) {
    switch (event) {
        case LifeEvent::StartupDone:
            return "start-up done";
        case LifeEvent::StartupFailed:
            return "start-up failed";
        case LifeEvent::LineCommand:
            return "line command";
        case LifeEvent::Tick:
            return "tick";
        case LifeEvent::TakeOver:
            return "take-over";
        case LifeEvent::BoxOpened:
            return "box opened";
        case LifeEvent::BoxClosed:
            return "box closed";
        case LifeEvent::CommandDone:
            return "command done";
        case LifeEvent::CloseAsked:
            return "close asked";
        case LifeEvent::Signal:
            return "signal";
        case LifeEvent::HeldInput:
            return "held input";
        case LifeEvent::CloseDone:
            return "close done";
    }
    return "?";
}

}  // namespace m8163
