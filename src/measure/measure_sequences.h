#pragma once

#include "base/message_boxes.h"
#include "measure/measure_state.h"
#include "measure/measured_value.h"
#include "measure/polling.h"
#include "measure/trend_history.h"
#include "module/register_image.h"
#include "protocol/transactions.h"

// The commands of the measured-value page as sequences over the state, the
// line and a small view that the page implements, so that their order is
// tested without a window.

namespace m8163 {

class MeasureView {
  public:
    virtual ~MeasureView() = default;
    // Button18 enabled exactly when polling is off, Button19 when it is on.
    virtual void showPollingSwitch(bool on) = 0;
    // Panel1, Panel10, Panel2 and Panel3.
    virtual void showMeasurement(const MeasurementView& view) = 0;
    // Label54, Label55 and Label56.
    virtual void showCounters(const CounterTexts& texts) = 0;
};

// What the measured-value commands work on.
struct MeasureData {
    PollingState& polling;
    MeasurementRecord& record;
    const MeasurementLogSettings& log;
    // Every reading, failed ones included, goes into it as it is made.
    TrendHistory& trend;
};

// "Прочитать однократно": one read, kept in the trend. A failed exchange shows its one box and
// ends the command; otherwise the reading is shown, logged, and the success
// box follows. Polling and the counters are left as they are.
void runSingleRead(const MeasureData& data, const ModbusLine& line, MessageBoxes& boxes,
                   MeasureView& view);

// One polling tick: the page rule first (on another page the switch goes
// off, shown again); then, while the switch is on: read (kept in the trend), show the reading,
// show the counters, count the cycle, show the counters, append the log line.
// A failed read shows no box. Whether the tick may use the line at all is the
// caller's to decide.
void runPollingTick(const MeasureData& data, const ModbusLine& line, bool firstPageActive,
                    MeasureView& view);

}  // namespace m8163
