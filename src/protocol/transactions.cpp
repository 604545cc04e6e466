#include "protocol/transactions.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <stdexcept>

#include "link/exchange_log.h"
#include "link/line_format.h"

namespace m8163 {
namespace {

constexpr std::uint8_t kReadFunction = 0x03;
constexpr std::uint8_t kWriteFunction = 0x10;
constexpr std::uint8_t kExceptionFlag = 0x80;

// Both frames fit the 256-byte buffers up to this many registers (a write
// request takes 9 + 2n bytes, a read asks for 7 + 2n).
constexpr std::size_t kMaxRegisters = 123;

using Frame = std::array<std::uint8_t, 256>;

PortTimeouts timeoutsFor(const ConnectionSettings& settings, std::uint8_t function) {
    // Every caller passes a listed speed; timingFormat() still gives an
    // unlisted one the slower neighbour's longer times.
    const LineFormat& format = timingFormat(settings.speed);
    const auto interval = function == kReadFunction ? format.readInterval : format.perByte;
    PortTimeouts timeouts;
    timeouts.readInterval = static_cast<std::uint32_t>(interval.count());
    timeouts.readMultiplier = static_cast<std::uint32_t>(format.perByte.count());
    timeouts.readConstant = static_cast<std::uint32_t>(std::max(settings.timeoutMs, 0));
    return timeouts;
}

// A search trial reads with the times of the connection's speed while its
// bytes travel at the trial's: a slower trial speed may need more time than
// they give. The read then gets what one exchange takes at the trial's speed
// (11 bits a byte): the request on the wire, the 3.5 characters of silence
// by which the module knows the request has ended, TimeOut for its answer,
// the reply, and the read interval, at least two byte times of that speed.
void fitToLineSpeed(PortTimeouts& timeouts, int lineSpeed, std::size_t readSize,
                    std::size_t bytesOnTheLine) {
    constexpr std::uint64_t kBitsPerByte = 11;
    constexpr std::uint64_t kFrameEndBits = 7 * kBitsPerByte / 2;
    const auto lineMs = [lineSpeed](std::uint64_t bits) {
        const auto speed = static_cast<std::uint64_t>(lineSpeed);
        return static_cast<std::uint32_t>((bits * 1000 + speed - 1) / speed);
    };
    const std::uint32_t interval = std::max(timeouts.readInterval, lineMs(2 * kBitsPerByte));
    const std::uint64_t needed = lineMs(bytesOnTheLine * kBitsPerByte + kFrameEndBits) +
                                 std::uint64_t{timeouts.readConstant} + interval;
    const std::uint64_t total =
        timeouts.readConstant + std::uint64_t{timeouts.readMultiplier} * readSize;
    if (needed <= total)
        return;
    timeouts.readInterval = interval;
    timeouts.readConstant += static_cast<std::uint32_t>(needed - total);
}

void appendCrc(Frame& frame, std::size_t length) {
    std::uint16_t crc = crc16(frame.data(), length);
    frame[length] = static_cast<std::uint8_t>(crc & 0xFF);  // low byte first on the wire
    frame[length + 1] = static_cast<std::uint8_t>(crc >> 8);
}

// Frame sizes of the two functions: address, function, start and count
// make the six-byte header of a request; a function 16 request adds a byte
// count and two bytes a register; a reply to 03 has address, function and
// byte count before its registers, one to 16 echoes the header; the CRC
// closes every frame.
constexpr std::size_t kHeaderBytes = 6;
constexpr std::size_t kCrcBytes = 2;
constexpr std::size_t kReadReplyHead = 3;

struct Exchange {
    std::uint8_t function;
    std::size_t requestLength;   // CRC included
    std::size_t expectedLength;  // a normal reply
    std::size_t readSize;        // bytes asked of the read
    std::size_t crcPosition;     // of the reply
    ReplyStamp stamp;
};

// Reads back the adapter's echo of the request under the time-outs of the
// exchange; true when all of it came, unchanged.
// Reads the echo into `echo`; how many bytes came, whatever they were.
std::size_t readEcho(SerialPort& port, std::size_t length, Frame& echo) {
    return std::min(port.read(echo.data(), length), length);
}

// Tells the line's observer, if any, of the reply and hands the status on.
class Watch {
  public:
    Watch(const ModbusLine& line, const Frame& request, std::size_t length)
        : line_(line), request_(request.data(), length) {
        if (line_.observer != nullptr)
            start_ = std::chrono::steady_clock::now();
    }
    void sent(bool written) const {
        if (line_.observer != nullptr)
            line_.observer->requestSent({line_.clock.now(), request_, written});
    }
    ExchangeStatus received(const Frame& reply, std::size_t count, ExchangeStatus status) const {
        if (line_.observer == nullptr)
            return status;
        const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - start_);
        line_.observer->replyReceived(
            {line_.clock.now(), request_, {reply.data(), count}, status, request_[0], took});
        return status;
    }

  private:
    const ModbusLine& line_;
    std::span<const std::uint8_t> request_;
    std::chrono::steady_clock::time_point start_{};
};

// Sends the request built in `request` and checks the reply left in `reply`.
// Every check reads the reply buffer at fixed positions, so bytes that did not
// arrive count as the zeros the buffer was cleared to.
ExchangeStatus transact(const ModbusLine& line, const Exchange& ex, const Frame& request,
                        Frame& reply) {
    const Watch watch(line, request, ex.requestLength);
    const ConnectionSettings& settings = line.settings;
    SerialPort& port = line.port;
    const auto address = static_cast<std::uint8_t>(settings.moduleAddress);

    PortTimeouts timeouts = timeoutsFor(settings, ex.function);
    if (line.lineSpeed > 0 && line.lineSpeed != settings.speed)
        fitToLineSpeed(timeouts, line.lineSpeed, ex.readSize, ex.requestLength + ex.expectedLength);
    port.purge();
    port.setTimeouts(timeouts);
    port.clearErrors();
    const bool written = port.write(request.data(), ex.requestLength) > 0;
    port.clearErrors();
    logRequest(settings, line.clock, request.data(), ex.requestLength);
    watch.sent(written);
    if (port.echoes()) {
        // What came instead of the echo (often the module's reply, from an
        // adapter that does not echo) is what the watcher sees.
        const std::size_t echoed = readEcho(port, ex.requestLength, reply);
        if (echoed != ex.requestLength ||
            !std::equal(reply.begin(), reply.begin() + ex.requestLength, request.begin())) {
            port.clearErrors();
            ExchangeStatus status;
            status.result = kEchoMismatch;
            return watch.received(reply, echoed, status);
        }
        reply = Frame{};
    }
    const std::size_t received = std::min(port.read(reply.data(), ex.readSize), ex.readSize);
    logReply(settings, line.clock, reply.data(), received, ex.stamp);
    const unsigned receiveErrors = port.clearErrors();

    ExchangeStatus status;
    const bool parityOn = settings.parity != Parity::None;
    if (parityOn && receiveErrors != 0)
        status.result |= kParityError;
    if (received != ex.expectedLength)
        status.result |= kLengthError;
    if (reply[0] != address)
        status.result |= kAddressMismatch;
    if (reply[1] != ex.function)
        status.result |= kFunctionMismatch;
    if (reply[1] == (ex.function | kExceptionFlag)) {
        status.result |= kDeviceException;
        status.exceptionCode = reply[2];
    }
    const std::uint16_t crc = crc16(reply.data(), ex.crcPosition);
    const std::uint16_t carried =
        static_cast<std::uint16_t>(reply[ex.crcPosition] | (reply[ex.crcPosition + 1] << 8));
    if (crc != carried)
        status.result |= kCrcError;
    if (received == 0)
        status.result |= kNoReply;
    // Every request is at least 8 bytes, and so is every reply read.
    const std::size_t compared = std::min(received, ex.requestLength);
    status.requestEchoed = status.result != 0 && compared >= 8 &&
                           std::equal(reply.begin(), reply.begin() + compared, request.begin());
    if (status.result != 0 && (!port.isOpen() || port.lost()))
        status.portNotOpen = port.notOpenReason().empty() ? "Порт закрыт." : port.notOpenReason();
    return watch.received(reply, received, status);
}

void checkCount(std::size_t count) {
    if (count > kMaxRegisters)
        throw std::invalid_argument("too many registers for one frame");
}

void putHeader(Frame& request, std::uint8_t address, std::uint8_t function, std::uint16_t start,
               std::size_t count) {
    request[0] = address;
    request[1] = function;
    request[2] = static_cast<std::uint8_t>(start >> 8);
    request[3] = static_cast<std::uint8_t>(start & 0xFF);
    request[4] = 0x00;
    request[5] = static_cast<std::uint8_t>(count);
}

}  // namespace

ExchangeStatus readRegisters(const ModbusLine& line, std::uint16_t start,
                             std::span<std::uint16_t> values) {
    const std::size_t count = values.size();
    checkCount(count);
    Frame request{};
    Frame reply{};
    putHeader(request, static_cast<std::uint8_t>(line.settings.moduleAddress), kReadFunction, start,
              count);
    appendCrc(request, kHeaderBytes);

    const std::size_t replyBody = kReadReplyHead + 2 * count;
    const Exchange ex{.function = kReadFunction,
                      .requestLength = kHeaderBytes + kCrcBytes,
                      .expectedLength = replyBody + kCrcBytes,
                      // Two bytes more than a normal reply: the read then ends
                      // by silence after the reply, not by its byte count.
                      .readSize = replyBody + kCrcBytes + 2,
                      .crcPosition = replyBody,
                      .stamp = ReplyStamp::Hyphens};
    const ExchangeStatus status = transact(line, ex, request, reply);

    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = kReadReplyHead + 2 * i;
        values[i] = static_cast<std::uint16_t>((reply[at] << 8) | reply[at + 1]);
    }
    return status;
}

ExchangeStatus writeRegisters(const ModbusLine& line, std::uint16_t start,
                              std::span<const std::uint16_t> values) {
    const std::size_t count = values.size();
    checkCount(count);
    Frame request{};
    Frame reply{};
    putHeader(request, static_cast<std::uint8_t>(line.settings.moduleAddress), kWriteFunction,
              start, count);
    request[kHeaderBytes] = static_cast<std::uint8_t>(2 * count);
    const std::size_t body = kHeaderBytes + 1;
    for (std::size_t i = 0; i < count; ++i) {
        request[body + 2 * i] = static_cast<std::uint8_t>(values[i] >> 8);
        request[body + 2 * i + 1] = static_cast<std::uint8_t>(values[i] & 0xFF);
    }
    appendCrc(request, body + 2 * count);

    const Exchange ex{.function = kWriteFunction,
                      .requestLength = body + 2 * count + kCrcBytes,
                      .expectedLength = kHeaderBytes + kCrcBytes,
                      .readSize = kHeaderBytes + kCrcBytes,
                      .crcPosition = kHeaderBytes,
                      .stamp = ReplyStamp::Colons};
    return transact(line, ex, request, reply);
}

}  // namespace m8163
