#pragma once

#include <chrono>

#include "base/event_pump.h"
#include "module/register_image.h"
#include "protocol/exchange_result.h"
#include "protocol/transactions.h"

// The operations that move named groups of registers between the module and
// the register image. Each step pauses first (window messages keep running),
// then runs one transaction; the first failing step ends the operation with
// its status. A read stores its registers only when its exchange succeeded,
// so a failure keeps what the earlier steps stored and leaves the rest as it
// was. Writes send the image's values as they are at each step and change
// nothing in the image.

namespace m8163 {

// Quiet time for the module before each request.
inline constexpr std::chrono::milliseconds kPauseBeforeRead{100};
inline constexpr std::chrono::milliseconds kPauseBeforeFirstWrite{300};
inline constexpr std::chrono::milliseconds kPauseBeforeNextWrite{100};

// Offset and adjustment (14 registers from 0x050C), the 0x0500 block (sensor
// type to range maximum), the construction-limited range, UserText, TypeName.
ExchangeStatus readSensorSettings(const ModbusLine& line, EventPump& pump, RegisterImage& image);
// Averaging, then offset and adjustment, then UserText.
ExchangeStatus writeSensorSettings(const ModbusLine& line, EventPump& pump,
                                   const RegisterImage& image);

// NetworkNumber, SpeedCode, ParityCode, 0x040B and WatchdogTime (words 8-12).
ExchangeStatus readExchangeParameters(const ModbusLine& line, EventPump& pump,
                                      RegisterImage& image);
// NetworkNumber, SpeedCode, ParityCode from words 8-10.
ExchangeStatus writeExchangeParameters(const ModbusLine& line, EventPump& pump,
                                       const RegisterImage& image);
ExchangeStatus readModelCode(const ModbusLine& line, EventPump& pump, RegisterImage& image);
// Factory number (words 1-2), then the manufacturing date (words 5-7).
ExchangeStatus readFactoryData(const ModbusLine& line, EventPump& pump, RegisterImage& image);
// Hardware and software versions (words 3-4); pauses once more after success.
ExchangeStatus readVersions(const ModbusLine& line, EventPump& pump, RegisterImage& image);
ExchangeStatus readWatchdog(const ModbusLine& line, EventPump& pump, RegisterImage& image);

// The reads of the exchange-parameters page in their order: exchange
// parameters, factory data, versions, watchdog, model code; stops at the
// first failure.
ExchangeStatus readExchangePage(const ModbusLine& line, EventPump& pump, RegisterImage& image);

}  // namespace m8163
