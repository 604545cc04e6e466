#pragma once

#include <chrono>

// Lets pending window messages run from inside a long operation. The real
// pump is the Qt event loop; tests use an immediate or recording one.

namespace m8163 {

class EventPump {
  public:
    virtual ~EventPump() = default;
    // Runs the messages that are pending now, once.
    virtual void processPending() = 0;
    // Waits at least `duration` on the one-shot pause timer while pending
    // messages keep running. A pause started inside another one never cuts
    // the outer one short.
    virtual void pause(std::chrono::milliseconds duration) = 0;
};

}  // namespace m8163
