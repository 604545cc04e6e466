#include "ui/qt_event_pump.h"

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
    timer_.start(duration);
    while (timer_.isActive()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

}  // namespace m8163
