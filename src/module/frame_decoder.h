#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "protocol/exchange_result.h"

// Frames of the line in words: what a request asks, what a reply carries,
// named by the module's register map, and what is wrong with a bad reply.
// Shared by the window's exchange monitor and the trace of m8163ctl.

namespace m8163 {

// "01 03 00 00 00 07 04 08": upper-case pairs, one blank between them.
std::string frameHex(std::span<const std::uint8_t> bytes);

// "0x0408 сетевой номер", or the address alone where no register of the
// map starts there.
std::string registerName(std::uint16_t address);

// A request of function 03 or 16: module, function, first register with its
// name, count and, for a write, the values (as registers, then typed where
// the map gives the fields whole).
std::string describeRequest(std::span<const std::uint8_t> request);

// The reply read for `request`, judged by the transaction's `status`: the
// values it carries (as for a request), an exception with its meaning, an
// echo of the request, or that nothing came. Faults of the frame are left
// to exchangeOutcome().
std::string describeReply(std::span<const std::uint8_t> request,
                          std::span<const std::uint8_t> reply, const ExchangeStatus& status);

// "норма" for a normal exchange; else every fault in the words of the
// failure box, the box's own first, and the result bits.
std::string exchangeOutcome(const ExchangeStatus& status);

}  // namespace m8163
