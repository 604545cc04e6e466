#pragma once

#include <chrono>

#include "base/event_pump.h"

class QTimer;

// The event pump of the window: pending messages run through the Qt event
// loop, and a pause waits on the window's one-shot pause timer while the
// window stays live.

namespace m8163 {

class QtEventPump : public EventPump {
  public:
    // The timer is the window's pause timer and must outlive the pump. It is
    // made single-shot and precise here: a pause ends at its first tick, and
    // that tick never comes before the interval has passed.
    explicit QtEventPump(QTimer& pauseTimer);

    void processPending() override;
    // Arms the timer with `duration` and runs window messages, sleeping in
    // the event loop between them, until `duration` has passed. A pause
    // started from one of those messages re-arms the same timer; the outer
    // pause then arms it again for the time it still has, so no pause is cut
    // short by another.
    void pause(std::chrono::milliseconds duration) override;

  private:
    QTimer& timer_;
};

}  // namespace m8163
