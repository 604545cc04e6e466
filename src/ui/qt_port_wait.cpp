#include "ui/qt_port_wait.h"

#include <poll.h>

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace m8163 {
namespace {

// The user's input during a wait, held back: events of these kinds that go
// to a window (where the window system delivers them; the window hands them
// to its widgets), and shortcuts, which go to the widget they trigger.
bool isHeldBack(const QObject* receiver, QEvent::Type type) {
    switch (type) {
        case QEvent::Shortcut:
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
        case QEvent::ContextMenu:
            return receiver->isWindowType();
        default:
            return false;
    }
}

// Holds the user's input back while it exists; posts it, in order, to where
// it was going when it ends. A later wait holds the posted events back again,
// so they reach the window only once no transaction waits.
class HeldInput final : public QObject {
  public:
    HeldInput() { QCoreApplication::instance()->installEventFilter(this); }
    ~HeldInput() override {
        QCoreApplication::instance()->removeEventFilter(this);
        for (auto& [receiver, event] : held_) {
            if (receiver)
                QCoreApplication::postEvent(receiver, event.release());
        }
    }
    HeldInput(const HeldInput&) = delete;
    HeldInput& operator=(const HeldInput&) = delete;

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        if (!isHeldBack(receiver, event->type()))
            return false;
        held_.emplace_back(receiver, std::unique_ptr<QEvent>(event->clone()));
        return true;
    }

  private:
    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> held_;
};

short readyNow(int fd, short events) {
    if (fd < 0)
        return 0;
    pollfd p{fd, events, 0};
    return ::poll(&p, 1, 0) > 0 ? p.revents : 0;
}

}  // namespace

short QtPortWait::wait(int fd, short events, Deadline deadline) {
    if (const short ready = readyNow(fd, events); ready != 0)
        return ready;
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left <= std::chrono::milliseconds::zero())
        return 0;
    // Without an event loop (a program with no application object) the
    // kernel waits.
    if (QCoreApplication::instance() == nullptr)
        return waitInKernel(fd, events, deadline);

    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    // A notifier reports a hang-up as readable or writable. A wait for a
    // hang-up alone (the sleep through the rest of a reply) runs to its
    // deadline, which is short, and the hang-up is seen at its end.
    std::optional<QSocketNotifier> readable;
    std::optional<QSocketNotifier> writable;
    if (fd >= 0 && (events & POLLIN) != 0) {
        readable.emplace(fd, QSocketNotifier::Read);
        QObject::connect(&*readable, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    }
    if (fd >= 0 && (events & POLLOUT) != 0) {
        writable.emplace(fd, QSocketNotifier::Write);
        QObject::connect(&*writable, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    }
    timer.start(left);
    {
        HeldInput held;
        loop.exec();
    }
    return readyNow(fd, events);
}

}  // namespace m8163
