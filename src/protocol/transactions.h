#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "base/clock.h"
#include "link/connection_settings.h"
#include "link/serial_port.h"
#include "protocol/exchange_observer.h"
#include "protocol/exchange_result.h"

// The two Modbus RTU transactions of the program: function 03 (read holding
// registers) and function 16 (write multiple registers). One request, one
// timed read, no retries. Address, speed, parity, time-out and the exchange
// log switch are read from the settings at each call.

namespace m8163 {

struct ModbusLine {
    SerialPort& port;
    const ConnectionSettings& settings;
    const Clock& clock;  // time stamps of the exchange log
    // The speed the port is opened at when it is not the settings' own (a
    // search trial), else 0. The read's times still come from the settings'
    // speed; only where a reply at this speed could not arrive within them do
    // they grow to what it needs.
    int lineSpeed = 0;
    // Told of every request and reply when set (the exchange monitor, a
    // trace); null costs nothing.
    ExchangeObserver* observer = nullptr;
};

// CRC-16/MODBUS; appended to a frame low byte first.
std::uint16_t crc16(const std::uint8_t* bytes, std::size_t length);

// Reads values.size() registers (1 ... 16 in this program) from `start`.
// Fills every value in every case from the reply buffer (0 where no byte came).
ExchangeStatus readRegisters(const ModbusLine& line, std::uint16_t start,
                             std::span<std::uint16_t> values);

// Writes values.size() registers (1 ... 16) from `start`.
ExchangeStatus writeRegisters(const ModbusLine& line, std::uint16_t start,
                              std::span<const std::uint16_t> values);

}  // namespace m8163
