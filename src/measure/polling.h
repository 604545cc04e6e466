#pragma once

#include <chrono>
#include <string>

#include "base/message_boxes.h"
#include "measure/measure_state.h"
#include "module/register_image.h"

// Cyclic polling of the measured value: the switch, the page rule of each
// tick and the three counters. The tick itself is runPollingTick
// (measure_sequences.h); the page stops the timer before it and re-arms it
// with kPollingInterval after, so the cycle period is the interval plus the
// time the tick took.

namespace m8163 {

inline constexpr std::chrono::milliseconds kPollingInterval{1000};

// The timer runs only while polling is on, so that an idle program does not
// wake up. Started, it keeps the rhythm it would have had running freely since
// it was last armed (`sinceArmed` ago): the first tick comes at the next
// multiple of the interval from then, at most one interval after the start.
std::chrono::milliseconds firstTickDelay(std::chrono::nanoseconds sinceArmed);

// The one writer of the polling switch.
inline void setPolling(PollingState& state, bool on) {
    state.polling = on;
}

// Polling reads only while the first page is showing: on every tick that
// finds another page active, the switch goes off, whatever it was. Returns
// true when the rule applied, so the page shows the switch again.
bool applyPageRule(PollingState& state, bool firstPageActive);

// Counts one cycle that made a read: its exchange result and the status of
// the record after it (a failed read keeps the last good status, which is
// then counted again).
void countCycle(PollingState& state, unsigned exchangeResult, const MeasurementRecord& record);

void resetCounters(PollingState& state);

// The box that comes before a reset; it has only OK.
MessageBox resetCountersBox();

struct CounterTexts {
    std::string cycles;
    std::string measurementErrors;
    std::string exchangeErrors;

    bool operator==(const CounterTexts&) const = default;
};

CounterTexts counterTexts(const PollingState& state);

}  // namespace m8163
