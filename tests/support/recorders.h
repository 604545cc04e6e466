#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <vector>

#include "base/clock.h"
#include "base/event_pump.h"
#include "base/message_boxes.h"

// Test doubles for the clock, message-box and event-pump seams.

namespace m8163::test {

class FixedClock : public Clock {
  public:
    LocalTime time{2026, 12, 8, 22, 30, 5, 123};
    LocalTime now() const override { return time; }
};

// Records every box; answers from `answers` in order, then Ok / Yes.
class RecordingBoxes : public MessageBoxes {
  public:
    std::vector<MessageBox> shown;
    std::deque<BoxAnswer> answers;

    BoxAnswer show(const MessageBox& box) override {
        shown.push_back(box);
        if (!answers.empty()) {
            BoxAnswer a = answers.front();
            answers.pop_front();
            return a;
        }
        return box.buttons == BoxButtons::YesNo ? BoxAnswer::Yes : BoxAnswer::Ok;
    }
};

// Recorded boxes; `whileShown` runs while a box is open, as the window's
// messages do under a modal box.
class OpenBoxes : public RecordingBoxes {
  public:
    std::function<void(const MessageBox&)> whileShown;

    BoxAnswer show(const MessageBox& box) override {
        if (whileShown)
            whileShown(box);
        return RecordingBoxes::show(box);
    }
};

// Returns at once and records the pauses asked of it. `onPause` runs inside
// each pause, as a window message would (a timer tick, a click).
class RecordingPump : public EventPump {
  public:
    std::vector<std::chrono::milliseconds> pauses;
    int pendingRuns = 0;
    std::function<void()> onPause;

    void processPending() override { ++pendingRuns; }
    void pause(std::chrono::milliseconds duration) override {
        pauses.push_back(duration);
        if (onPause)
            onPause();
    }
};

}  // namespace m8163::test
