#include "ui/shell/qt_event_pump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace m8163 {

QtEventPump::QtEventPump(QTimer& pauseTimer) : timer_(pauseTimer) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
}

void QtEventPump::processPending() {
    QCoreApplication::processEvents();
}

void QtEventPump::pause(std::chrono::milliseconds duration) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + duration;
    auto left = duration;
    // A pause started from a message during this one re-arms the shared
    // timer; when it has ended, this one waits out what is left of its own.
    while (left > std::chrono::milliseconds::zero()) {
        timer_.start(left);
        while (timer_.isActive()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now());
    }
}

}  // namespace m8163
