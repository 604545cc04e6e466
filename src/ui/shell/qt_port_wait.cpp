#include "ui/shell/qt_port_wait.h"

#include <poll.h>

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>
#include <functional>
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

// One piece of held input. A mouse or wheel event shares its point with the
// pointing device, which the next event from that device changes: such an
// event is kept as plain values and made again when it is handed on. Other
// input is kept as a copy.
class HeldEvent {
  public:
    explicit HeldEvent(const QEvent& event) {
        if (const auto* mouse = dynamic_cast<const QMouseEvent*>(&event)) {
            const QMouseEvent& m = *mouse;
            make_ = [type = m.type(), at = m.position(), scene = m.scenePosition(),
                     global = m.globalPosition(), button = m.button(), buttons = m.buttons(),
                     modifiers = m.modifiers(), device = m.pointingDevice()] {
                return std::unique_ptr<QEvent>(
                    new QMouseEvent(type, at, scene, global, button, buttons, modifiers, device));
            };
        } else if (const auto* wheel = dynamic_cast<const QWheelEvent*>(&event)) {
            const QWheelEvent& w = *wheel;
            make_ = [at = w.position(), global = w.globalPosition(), pixels = w.pixelDelta(),
                     angle = w.angleDelta(), buttons = w.buttons(), modifiers = w.modifiers(),
                     phase = w.phase(), inverted = w.inverted(), source = w.source(),
                     device = w.pointingDevice()] {
                return std::unique_ptr<QEvent>(new QWheelEvent(at, global, pixels, angle, buttons,
                                                               modifiers, phase, inverted, source,
                                                               device));
            };
        } else {
            copy_.reset(event.clone());
        }
    }
    std::unique_ptr<QEvent> take() { return make_ ? make_() : std::move(copy_); }

  private:
    std::function<std::unique_ptr<QEvent>()> make_;
    std::unique_ptr<QEvent> copy_;
};

// Whether a modal window (a box the command opened after its wait) blocks
// input to `receiver`, as it blocks what the window system delivers: such
// input is dropped, not run beside the box.
bool blockedByModal(QObject* receiver) {
    const QWindow* modal = QGuiApplication::modalWindow();
    if (modal == nullptr)
        return false;
    const QWindow* window = qobject_cast<QWindow*>(receiver);
    if (const auto* widget = qobject_cast<QWidget*>(receiver))
        window = widget->window()->windowHandle();
    for (const QWindow* w = window; w != nullptr; w = w->transientParent()) {
        if (w == modal)
            return false;
    }
    return true;
}

using HeldQueue = std::vector<std::pair<QPointer<QObject>, HeldEvent>>;

// Posted when a wait ends: hands the held input on, one event after the
// other, once the program's own event loop gets to it.
class HandOn final : public QEvent {
  public:
    static QEvent::Type kind() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    explicit HandOn(HeldQueue held) : QEvent(kind()), held(std::move(held)) {}
    HeldQueue held;
};

}  // namespace

class QtPortWait::HandOnTarget final : public QObject {
  public:
    std::function<bool()> handOn;

  protected:
    bool event(QEvent* event) override {
        if (event->type() != HandOn::kind())
            return QObject::event(event);
        HeldQueue held = std::move(static_cast<HandOn*>(event)->held);
        for (auto& [receiver, input] : held) {
            // Asked before each event: an earlier one may have closed the
            // window, and nothing is handed on after that.
            if (handOn && !handOn())
                return true;
            std::unique_ptr<QEvent> handed = input.take();
            if (receiver && handed && !blockedByModal(receiver))
                QCoreApplication::sendEvent(receiver, handed.get());
        }
        return true;
    }
};

namespace {

// Holds the user's input back while it exists, and hands it on, in order,
// once it ends. Input handed on from an earlier wait that reaches this one
// is held again, ahead of what comes later.
class HeldInput final : public QObject {
  public:
    explicit HeldInput(QObject& handOnTarget) : handOnTarget_(handOnTarget) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~HeldInput() override {
        QCoreApplication::instance()->removeEventFilter(this);
        if (!held_.empty())
            QCoreApplication::postEvent(&handOnTarget_, new HandOn(std::move(held_)));
    }
    HeldInput(const HeldInput&) = delete;
    HeldInput& operator=(const HeldInput&) = delete;

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        if (event->type() == HandOn::kind()) {
            HeldQueue& earlier = static_cast<HandOn*>(event)->held;
            held_.insert(held_.begin(), std::make_move_iterator(earlier.begin()),
                         std::make_move_iterator(earlier.end()));
            earlier.clear();
            return true;
        }
        if (!isHeldBack(receiver, event->type()))
            return false;
        held_.emplace_back(receiver, HeldEvent(*event));
        return true;
    }

  private:
    QObject& handOnTarget_;
    HeldQueue held_;
};

// Waits shorter than this leave the window unpainted for at most this long.
constexpr std::chrono::milliseconds kShortWait{30};

short readyNow(int fd, short events) {
    if (fd < 0)
        return 0;
    pollfd p{fd, events, 0};
    return ::poll(&p, 1, 0) > 0 ? p.revents : 0;
}

}  // namespace

QtPortWait::QtPortWait() : handOn_(std::make_unique<HandOnTarget>()) {}

QtPortWait::~QtPortWait() = default;

void QtPortWait::setHandOnCheck(std::function<bool()> handOn) {
    handOn_->handOn = std::move(handOn);
}

short QtPortWait::wait(int fd, short events, Deadline deadline) {
    if (const short ready = readyNow(fd, events); ready != 0)
        return ready;
    // The loop's timer counts whole milliseconds: it runs for those, and the
    // kernel waits out the fraction that is left, so that a read's interval
    // ends when it should. A short wait (the rest of a reply coming in, the
    // interval after its last byte) is the kernel's: nobody sees the window
    // wait that long, and the loop would cost more than the wait. So is every
    // wait without an event loop (a program with no application object).
    const auto left =
        std::chrono::floor<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left < kShortWait || QCoreApplication::instance() == nullptr)
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
        HeldInput held(*handOn_);
        loop.exec();
    }
    if (const short ready = readyNow(fd, events); ready != 0)
        return ready;
    return waitInKernel(fd, events, deadline);
}

}  // namespace m8163
