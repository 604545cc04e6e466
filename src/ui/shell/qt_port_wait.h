#pragma once

#include <functional>
#include <memory>

#include "base/port_wait.h"

// The window's wait for the serial port: while a transaction waits for its
// device, a local event loop keeps the window painted, resizable and
// answering the desktop (its liveness ping, a close request, which the
// command guard records). The user's input that arrives meanwhile (clicks,
// keys, wheel, shortcuts) is held back and handed on in order when the wait
// ends, so that no command's reaction runs inside a transaction; a timer
// tick that falls due runs, and the polling tick defers itself to the end of
// the command that holds the line.

namespace m8163 {

class QtPortWait final : public PortWait {
  public:
    QtPortWait();
    ~QtPortWait() override;
    QtPortWait(const QtPortWait&) = delete;
    QtPortWait& operator=(const QtPortWait&) = delete;

    short wait(int fd, short events, Deadline deadline) override;
    // The program is to stop when `check` says so (a close is waiting).
    void setStopCheck(std::function<bool()> check) { stopCheck_ = std::move(check); }
    bool stopAsked() const override { return stopCheck_ && stopCheck_(); }

    // Asked when held input is due to be handed on: false drops it (a close
    // has been accepted). Left empty, held input is always handed on.
    void setHandOnCheck(std::function<bool()> handOn);

  private:
    class HandOnTarget;
    // Where the input held during a wait is posted to be handed on.
    std::unique_ptr<HandOnTarget> handOn_;
    std::function<bool()> stopCheck_;
};

}  // namespace m8163
