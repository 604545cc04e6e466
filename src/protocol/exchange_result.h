#pragma once

#include <cstdint>
#include <string>

// The outcome of one Modbus transaction: a bit set (0 for a normal exchange)
// and the exception code that an exception reply carries.

namespace m8163 {

enum ExchangeResultBit : unsigned {
    kParityError = 0x01,
    kLengthError = 0x02,
    kAddressMismatch = 0x04,
    kFunctionMismatch = 0x08,
    kDeviceException = 0x10,
    kCrcError = 0x20,
    kNoReply = 0x40,
    // The adapter's echo of the request (the port's "echo" option) did not
    // come, or came different: the wiring or the option is wrong, not the
    // module. The reply is not read then.
    kEchoMismatch = 0x80,
};

struct ExchangeStatus {
    unsigned result = 0;             // ExchangeResultBit set
    std::uint8_t exceptionCode = 0;  // reply byte 2 of an exception reply, else 0
    // A failed reply began with the request itself: an adapter that echoes
    // while the port does not expect it. A hint for the message only.
    bool requestEchoed = false;
    // Why the port had no device open, when it had none: the request never
    // reached the line, whatever the bits say. A hint for the message only.
    std::string portNotOpen{};

    // An exchange succeeded only when both are 0.
    bool ok() const { return result == 0 && exceptionCode == 0; }
    bool operator==(const ExchangeStatus&) const = default;
};

}  // namespace m8163
