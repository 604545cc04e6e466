#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <vector>

#include "protocol/exchange_observer.h"

// The frames of the line as the exchange monitor keeps them: the raw bytes,
// the time and the outcome, nothing formatted. The newest kMonitorFrames are
// kept; older ones are dropped. Recording costs a copy of the bytes, so the
// store can watch the line all the time while the window is closed.

namespace m8163 {

inline constexpr std::size_t kMonitorFrames = 10000;

struct MonitorFrame {
    std::uint64_t serial = 0;  // counts every frame recorded, from 1
    LocalTime time;
    bool reply = false;
    // False for both frames of an exchange whose request the port did not
    // take (not open): nothing went out, nothing was awaited.
    bool sent = true;
    std::vector<std::uint8_t> bytes;
    // A reply: the request it answers, for the decoding.
    std::vector<std::uint8_t> request;
    // The exchange's outcome, on both of its frames once the reply is in.
    ExchangeStatus status;
    bool finished = false;
    std::chrono::microseconds duration{0};

    bool failed() const { return finished && !status.ok(); }
};

class FrameStore final : public ExchangeObserver {
  public:
    // What a watching view needs to follow the store, told around each
    // change as a Qt item model must be.
    class Listener {
      public:
        virtual ~Listener() = default;
        virtual void aboutToDrop(std::size_t count) = 0;  // from the front
        virtual void dropped() = 0;
        virtual void aboutToAppend() = 0;  // one frame at the back
        virtual void appended() = 0;
        virtual void outcomeSet(std::size_t index) = 0;
    };

    explicit FrameStore(std::size_t capacity = kMonitorFrames) : capacity_(capacity) {}

    void requestSent(const SentFrame& frame) override;
    void replyReceived(const ReceivedFrame& frame) override;

    const std::deque<MonitorFrame>& frames() const { return frames_; }
    // Callers that watch reset their view around it.
    void clear() { frames_.clear(); }
    // Null while nobody watches: then nothing is called per frame.
    void setListener(Listener* listener) { listener_ = listener; }

  private:
    void append(MonitorFrame frame);

    std::size_t capacity_;
    std::deque<MonitorFrame> frames_;
    Listener* listener_ = nullptr;
    std::uint64_t serial_ = 0;
};

}  // namespace m8163
