#include "measure/measure_sequences.h"

#include "base/standard_boxes.h"
#include "measure/measurement_log.h"
#include "protocol/exchange_failure.h"

namespace m8163 {
namespace {

// The panels show the record's status word and the low half of EXERR.
MeasurementView viewOf(const MeasurementRecord& record) {
    return measurementView(record, record.izmerr, record.exerr & 0xFFFFu);
}

// The one place where a reading enters the trend, right after the read.
ExchangeStatus readAndKeep(const MeasureData& data, const ModbusLine& line) {
    const ExchangeStatus status = readMeasuredValue(line, data.record);
    data.trend.add(trendPoint(line.clock.now(), data.record, status));
    return status;
}

}  // namespace

void runSingleRead(const MeasureData& data, const ModbusLine& line, MessageBoxes& boxes,
                   MeasureView& view) {
    const ExchangeStatus status = readAndKeep(data, line);
    if (!status.ok()) {
        reportExchangeFailure(boxes, status);
        return;
    }
    view.showMeasurement(viewOf(data.record));
    appendMeasurementLine(data.log, data.record, line.clock);
    reportSuccess(boxes, "Прочитано измеренное значение.");
}

void runPollingTick(const MeasureData& data, const ModbusLine& line, bool firstPageActive,
                    MeasureView& view) {
    if (applyPageRule(data.polling, firstPageActive))
        view.showPollingSwitch(data.polling.polling);
    if (!data.polling.polling)
        return;
    const unsigned result = readAndKeep(data, line).result;
    view.showMeasurement(viewOf(data.record));
    view.showCounters(counterTexts(data.polling));
    countCycle(data.polling, result, data.record);
    view.showCounters(counterTexts(data.polling));
    appendMeasurementLine(data.log, data.record, line.clock);
}

}  // namespace m8163
