#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "module/register_image.h"
#include "protocol/exchange_result.h"
#include "protocol/transactions.h"

// The live reading of the module (registers 0x0000-0x0006) and how the
// measured-value page presents it, as plain data the window applies.

namespace m8163 {

// Registers from reg::kMeasuredValue: IZMF (two), relative value, IZMERR and
// three that are read along but not interpreted.
inline constexpr std::size_t kMeasuredValueRegisters = 7;

// One read of the seven measurement registers, no wait before it, no retry.
// The exchange result always goes into record.exerr; the value, the
// relative value and the status only when the exchange succeeded, so a
// failed read leaves the last good reading in place.
ExchangeStatus readMeasuredValue(const ModbusLine& line, MeasurementRecord& record);

enum class PanelColour { White, Yellow, ButtonFace };

// What the four panels of the page show for one reading.
struct MeasurementView {
    std::string value;                             // Panel1
    std::string relativeValue;                     // Panel10
    PanelColour valueColour = PanelColour::White;  // Panel1 and Panel10
    std::string status;                            // Panel2
    PanelColour statusColour = PanelColour::ButtonFace;
    std::string exchange;  // Panel3
    PanelColour exchangeColour = PanelColour::ButtonFace;

    bool operator==(const MeasurementView&) const = default;
};

// The panels for the record's value and relative value, with the status word
// and exchange result the caller passes (IZMERR and the low 16 bits of EXERR).
// A faulty status word shows the texts of its bits; one without any known
// bit (0x0020) shows a lone blank, still on yellow. The value shows as
// formatShownReal() gives it; an infinite or NaN value paints the value
// panels yellow even beside a normal status.
MeasurementView measurementView(const MeasurementRecord& record, std::uint16_t status,
                                unsigned exchangeResult);

}  // namespace m8163
