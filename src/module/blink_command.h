#pragma once

#include "protocol/exchange_result.h"
#include "protocol/transactions.h"

namespace m8163 {

// Makes the module blink its indicator: the value 1 written to the blink
// command register in one write of one register, with no pause before it.
ExchangeStatus blinkModule(const ModbusLine& line);

}  // namespace m8163
