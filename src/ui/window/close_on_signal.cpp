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

#include "ui/shell/command_guard.h"

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
    SignalCloser(QWidget& window, CommandGuard& commands)
        : QObject(&window), window_(window), commands_(commands) {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends_.data()) != 0)
            throw std::runtime_error("no socket pair for the close signals");
        signalWriteEnd = ends_[0];
        notifier_ = new QSocketNotifier(ends_[1], QSocketNotifier::Read, this);
        QObject::connect(notifier_, &QSocketNotifier::activated, this, [this] { onSignals(); });
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

  private:
    void onSignals() {
        std::array<unsigned char, 64> bytes{};
        int number = 0;
        for (ssize_t got; (got = ::read(ends_[1], bytes.data(), bytes.size())) > 0;)
            number = bytes[static_cast<std::size_t>(got - 1)];
        if (number == 0)
            return;
        switch (commands_.signal()) {
            case LifeOutcome::ExitNow:
                // The close sequence is running (a box of it open): asked
                // again, the process ends at once, as the signal would end
                // it. Once the sequence has run, nothing was cut short.
                ::_exit(commands_.lifecycle().phase() == LifePhase::Closed ? 0 : 128 + number);
            case LifeOutcome::CloseAndEnd:
                // A box waits for an answer nobody may give: a logout does
                // not wait. Its command goes on to its end.
                if (QWidget* box = QApplication::activeModalWidget())
                    box->close();
                window_.close();
                return;
            default:
                return;
        }
    }

    QWidget& window_;
    CommandGuard& commands_;
    std::array<int, 2> ends_{-1, -1};
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace

void closeWindowOnSignals(QWidget& window, CommandGuard& commands) {
    new SignalCloser(window, commands);
}

}  // namespace m8163
