#include "ui/window/close_on_signal.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QSocketNotifier>
#include <QWidget>
#include <array>
#include <cerrno>
#include <stdexcept>

namespace m8163 {

namespace {

constexpr std::array kCloseSignals = {SIGTERM, SIGINT, SIGHUP};

// The one thing a signal handler may touch: the write end of the pair that
// carries the signal into the event loop. Set while a SignalCloser lives.
volatile sig_atomic_t signalWriteEnd = -1;

void onSignal(int number) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    // Non-blocking: when the pair is full, a close is on its way already.
    [[maybe_unused]] const ssize_t written = ::write(signalWriteEnd, &byte, 1);
    errno = saved;
}

class SignalCloser : public QObject {
  public:
    explicit SignalCloser(QWidget& window) : QObject(&window), window_(window) {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends_.data()) != 0)
            throw std::runtime_error("no socket pair for the close signals");
        signalWriteEnd = ends_[0];
        notifier_ = new QSocketNotifier(ends_[1], QSocketNotifier::Read, this);
        QObject::connect(notifier_, &QSocketNotifier::activated, this, [this] { onSignals(); });
        window_.installEventFilter(this);
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        // Slow calls the signal interrupts go on by themselves.
        action.sa_flags = SA_RESTART;
        for (int number : kCloseSignals) {
            struct sigaction previous {};
            sigaction(number, &action, &previous);
            // A signal ignored by whoever started us (nohup) stays ignored.
            if (previous.sa_handler == SIG_IGN)
                sigaction(number, &previous, nullptr);
        }
    }
    // The handlers stay: once the window is gone there is nothing left to
    // close, and a signal then must not end the process half-way through its
    // exit (the write to -1 fails harmlessly).
    ~SignalCloser() override {
        signalWriteEnd = -1;
        ::close(ends_[0]);
        ::close(ends_[1]);
    }
    SignalCloser(const SignalCloser&) = delete;
    SignalCloser& operator=(const SignalCloser&) = delete;

  protected:
    // A signal during a box of the start-up sequence closes the window before
    // it is shown; showing it then would leave the program running without
    // end. It closes again once shown (the close sequence ran already).
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (closeAsked_ && watched == &window_ && event->type() == QEvent::Show)
            QMetaObject::invokeMethod(&window_, &QWidget::close, Qt::QueuedConnection);
        // A box that a command shows after the signal (its port could not
        // be opened, as the connection gave up for the close) is dismissed
        // as one open at the signal is.
        auto* box = qobject_cast<QWidget*>(watched);
        if (closeAsked_ && box != nullptr && box != &window_ && box->isWindow() && box->isModal() &&
            event->type() == QEvent::Show)
            QMetaObject::invokeMethod(box, &QWidget::close, Qt::QueuedConnection);
        return false;
    }

  private:
    void onSignals() {
        std::array<unsigned char, 64> bytes{};
        while (::read(ends_[1], bytes.data(), bytes.size()) > 0) {
        }
        // A box waits for an answer nobody may give: a logout does not wait.
        // Its command (or the close sequence) then goes on to its end.
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
        if (!closeAsked_) {
            closeAsked_ = true;
            QCoreApplication::instance()->installEventFilter(this);
            window_.close();
        }
    }

    QWidget& window_;
    std::array<int, 2> ends_{-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    bool closeAsked_ = false;
};

}  // namespace

void closeWindowOnSignals(QWidget& window) {
    new SignalCloser(window);
}

}  // namespace m8163
