// libFuzzer target for the reply check of the two transactions: any bytes
// from the line, as the reply to a read of 1 ... 125 registers or to a write,
// on a port with or without an echoing adapter and parity. Properties: the
// request on the line is the frame the protocol defines; a reply is accepted
// exactly when its length, address, function and CRC are right (CRC reckoned
// here by the simulated module's own code) and the port saw no parity error;
// a wrong echo ends the exchange before the reply is read; a read hands back
// the reply's registers, zeros where no byte came.

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "fuzz_input.h"
#include "protocol/transactions.h"
#include "recorders.h"
#include "scripted_port.h"
#include "sim/frame.h"

namespace {

using m8163::fuzz::check;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kRead = 0x03;
constexpr std::uint8_t kWrite = 0x10;

// Choices in the first byte of an input.
enum Choice : std::uint8_t {
    kWriteRequest = 0x01,
    kEchoingAdapter = 0x02,
    kEchoFromInput = 0x04,  // else the adapter echoes the request exactly
    kParityOn = 0x08,
    kReceiveError = 0x10,
    kShapeReply = 0x20,  // address, function, byte count and length made right
    kRightCrc = 0x40,    // the last two bytes of the reply made its CRC
};

void putCrc(Bytes& frame) {
    if (frame.size() < 2)
        return;
    const auto crc = m8163::sim::modbusCrc(std::span(frame).first(frame.size() - 2));
    frame[frame.size() - 2] = static_cast<std::uint8_t>(crc & 0xFF);
    frame[frame.size() - 1] = static_cast<std::uint8_t>(crc >> 8);
}

Bytes requestFrame(std::uint8_t address, std::uint8_t function, std::uint16_t start,
                   const std::vector<std::uint16_t>& values) {
    Bytes frame{address,
                function,
                static_cast<std::uint8_t>(start >> 8),
                static_cast<std::uint8_t>(start & 0xFF),
                0,
                static_cast<std::uint8_t>(values.size())};
    if (function == kWrite) {
        frame.push_back(static_cast<std::uint8_t>(2 * values.size()));
        for (std::uint16_t v : values) {
            frame.push_back(static_cast<std::uint8_t>(v >> 8));
            frame.push_back(static_cast<std::uint8_t>(v & 0xFF));
        }
    }
    m8163::sim::appendCrc(frame);
    return frame;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    m8163::fuzz::FuzzInput input(data, size);
    const std::uint8_t choice = input.byte();
    const bool write = (choice & kWriteRequest) != 0;
    const std::uint8_t function = write ? kWrite : kRead;
    const std::size_t count = 1 + input.byte() % 125;
    const std::uint8_t address = input.byte();
    const auto start = static_cast<std::uint16_t>(input.byte() << 8 | input.byte());
    std::vector<std::uint16_t> values(count);
    if (write) {
        for (auto& v : values)
            v = static_cast<std::uint16_t>(input.byte() << 8 | input.byte());
    }

    m8163::test::ScriptedPort port;
    port.options.echo = (choice & kEchoingAdapter) != 0;
    m8163::ConnectionSettings settings;
    settings.moduleAddress = address;
    settings.parity = (choice & kParityOn) != 0 ? m8163::Parity::Even : m8163::Parity::None;
    const m8163::test::FixedClock clock;
    const m8163::ModbusLine line{port, settings, clock};

    const Bytes request = requestFrame(address, function, start, values);
    Bytes echo = request;
    if (port.options.echo && (choice & kEchoFromInput) != 0) {
        const auto given = input.take(request.size());
        echo.assign(given.begin(), given.end());
    }
    const std::size_t expected = write ? 8 : 5 + 2 * count;
    const auto rest = input.rest();
    Bytes reply(rest.begin(), rest.end());
    if ((choice & kShapeReply) != 0) {
        reply.resize(expected);
        reply[0] = address;
        reply[1] = function;
        if (!write)
            reply[2] = static_cast<std::uint8_t>(2 * count);
    }
    if ((choice & kRightCrc) != 0)
        putCrc(reply);
    const unsigned receiveErrors = (choice & kReceiveError) != 0 ? m8163::kRxParity : 0;
    if (port.options.echo)
        port.replies.push_back({echo, 0});
    port.replies.push_back({reply, receiveErrors});

    m8163::ExchangeStatus status;
    try {
        status = write ? m8163::writeRegisters(line, start, values)
                       : m8163::readRegisters(line, start, values);
    } catch (const std::invalid_argument&) {
        // The 256-byte frames hold 123 registers at most: more is refused
        // before anything is sent.
        check(count > 123 && port.written.empty(), "a request was refused or sent half");
        return 0;
    }
    check(count <= 123, "a request too long for the frame was sent");
    check(port.written.size() == 1 && port.written[0] == request, "the request is not the frame");

    if (port.options.echo && echo != request) {
        check(status.result == m8163::kEchoMismatch, "a wrong echo was not told");
        check(port.readSizes.size() == 1, "the reply was read after a wrong echo");
        return 0;
    }

    // The reply as the check sees it: what the read returned, then zeros.
    const std::size_t readSize = write ? expected : expected + 2;
    const std::size_t received = std::min(reply.size(), readSize);
    std::array<std::uint8_t, 258> seen{};
    std::copy_n(reply.begin(), received, seen.begin());
    const std::size_t crcAt = expected - 2;
    const auto crc = m8163::sim::modbusCrc(std::span(seen).first(crcAt));
    const bool crcRight = seen[crcAt] == (crc & 0xFF) && seen[crcAt + 1] == (crc >> 8);
    const bool parityError = settings.parity != m8163::Parity::None && receiveErrors != 0;
    const bool sound = received == expected && seen[0] == address && seen[1] == function &&
                       crcRight && !parityError;

    check(status.ok() == sound,
          sound ? "a sound reply was refused" : "a faulty reply was accepted");
    check(((status.result & m8163::kCrcError) != 0) == !crcRight, "CRC error told wrongly");
    check(((status.result & m8163::kLengthError) != 0) == (received != expected),
          "length error told wrongly");
    check(((status.result & m8163::kNoReply) != 0) == (received == 0), "no reply told wrongly");
    check(((status.result & m8163::kParityError) != 0) == parityError, "parity error told wrongly");
    if (seen[1] == (function | 0x80))
        check((status.result & m8163::kDeviceException) != 0 && status.exceptionCode == seen[2],
              "exception reply not told");
    if (!write) {
        for (std::size_t i = 0; i < count; ++i) {
            const auto value = static_cast<std::uint16_t>(seen[3 + 2 * i] << 8 | seen[4 + 2 * i]);
            check(values[i] == value, "a value is not the reply's register");
        }
    }
    return 0;
}
