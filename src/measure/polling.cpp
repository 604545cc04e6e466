#include "measure/polling.h"
#include "base/standard_boxes.h"

namespace m8163 {

std::chrono::milliseconds firstTickDelay(std::chrono::nanoseconds sinceArmed) {
    if (sinceArmed < std::chrono::nanoseconds::zero())
        return kPollingInterval;
    const std::chrono::nanoseconds intoInterval = sinceArmed % kPollingInterval;
    // Rounded up: a tick never comes before its place in the rhythm.
    return std::chrono::ceil<std::chrono::milliseconds>(kPollingInterval - intoInterval);
}

bool applyPageRule(PollingState& state, bool firstPageActive) {
    if (firstPageActive)
        return false;
    setPolling(state, false);
    return true;
}

void countCycle(PollingState& state, unsigned exchangeResult, const MeasurementRecord& record) {
    ++state.cycles;
    if (exchangeResult != 0)
        ++state.exchangeErrors;
    if (record.izmerr != 0)
        ++state.measurementErrors;
}

void resetCounters(PollingState& state) {
    state.cycles = 0;
    state.measurementErrors = 0;
    state.exchangeErrors = 0;
}

MessageBox resetCountersBox() {
    return {"Счетчики циклов и ошибок будут сброшены!",
            caption::kWarning,
            BoxIcon::Information,
            BoxButtons::Ok,
            {}};
}

CounterTexts counterTexts(const PollingState& state) {
    return {std::to_string(state.cycles), std::to_string(state.measurementErrors),
            std::to_string(state.exchangeErrors)};
}

}  // namespace m8163
