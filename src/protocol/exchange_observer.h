#pragma once

#include <chrono>
#include <cstdint>
#include <span>

#include "base/clock.h"
#include "protocol/exchange_result.h"

// Someone who watches the frames of the line: the exchange monitor of the
// window, the trace of m8163ctl. The transactions call it only when one is
// set on the line, so a line nobody watches pays one pointer test a frame.

namespace m8163 {

// The request of one exchange, just written to the port, or meant to be.
struct SentFrame {
    LocalTime time;
    std::span<const std::uint8_t> bytes;  // CRC included
    // False when the port took none of it (not open, or gone): the exchange
    // then ends with the port's reason in its status.
    bool sent = true;
};

// The bytes the read returned for that request, and how the exchange ended.
struct ReceivedFrame {
    LocalTime time;
    std::span<const std::uint8_t> request;  // what was sent, for the decoding
    std::span<const std::uint8_t> bytes;    // may be empty
    ExchangeStatus status;
    std::uint8_t moduleAddress = 0;         // the address the request carried
    std::chrono::microseconds duration{0};  // from before the write to after the read
};

class ExchangeObserver {
  public:
    virtual ~ExchangeObserver() = default;
    virtual void requestSent(const SentFrame& frame) = 0;
    // Every request sent is followed by exactly one call here, also when the
    // reply was not read (a wrong adapter echo): then `bytes` holds what came
    // in place of the echo.
    virtual void replyReceived(const ReceivedFrame& frame) = 0;
};

}  // namespace m8163
