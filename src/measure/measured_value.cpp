#include "measure/measured_value.h"

#include <array>
#include <cmath>

#include "base/number_text.h"
#include "module/register_codec.h"

namespace m8163 {

ExchangeStatus readMeasuredValue(const ModbusLine& line, MeasurementRecord& record) {
    std::array<std::uint16_t, kMeasuredValueRegisters> registers{};
    ExchangeStatus status = readRegisters(line, reg::kMeasuredValue, registers);
    record.exerr = status.result;
    if (status.ok()) {
        record.izmf = joinF32(registers[0], registers[1]);
        record.relativeValue = registers[2];
        record.izmerr = registers[3];
    }
    return status;
}

MeasurementView measurementView(const MeasurementRecord& record, std::uint16_t status,
                                unsigned exchangeResult) {
    MeasurementView view;
    view.value = formatShownReal(record.izmf);
    view.relativeValue = std::to_string(record.relativeValue);
    // A value that is no number is no measurement, whatever the status says.
    view.valueColour = std::isfinite(record.izmf) ? PanelColour::White : PanelColour::Yellow;
    if (status == 0) {
        view.status = "Нормальное измерение";
        view.statusColour = PanelColour::ButtonFace;
    } else {
        view.valueColour = PanelColour::Yellow;
        view.status = statusBitsText(status);
        view.statusColour = PanelColour::Yellow;
    }
    if (exchangeResult == 0) {
        view.exchange = "Нормальный обмен";
        view.exchangeColour = PanelColour::ButtonFace;
    } else {
        view.exchange = "Ошибка в обмене";
        view.exchangeColour = PanelColour::Yellow;
    }
    return view;
}

}  // namespace m8163
