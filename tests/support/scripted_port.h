#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "link/serial_port.h"

// A serial port that plays back scripted replies and records what the code
// under test did to it. Each read takes the next reply; with none left the
// module is silent (0 bytes).

namespace m8163::test {

struct ScriptedReply {
    std::vector<std::uint8_t> bytes;
    unsigned receiveErrors = 0;  // ReceiveError bits reported after this reply
    // How long the read waits before the reply is in (through the port's wait).
    std::chrono::milliseconds delay{0};
};

class ScriptedPort : public SerialPort {
  public:
    std::deque<ScriptedReply> replies;

    // What the code did, in order.
    std::vector<std::vector<std::uint8_t>> written;
    std::vector<PortTimeouts> timeoutsSet;
    std::vector<std::size_t> readSizes;  // bytes asked of each read
    std::vector<std::string> openedDevices;
    LineSettings line;
    PortOptions options;
    int purges = 0;
    int closes = 0;
    int rtsDtrCalls = 0;  // clearRtsSetDtr() calls
    // Successful opens and modem-line changes, in order: "open", "RTS off",
    // "DTR off", "DTR on".
    std::vector<std::string> lineCalls;

    // Makes the next open() calls fail with this result: all of them, or
    // this many.
    bool failOpen = false;
    int failNextOpens = 0;
    OpenResult openFailure{false, 2, "No such file or directory"};

    bool openState = true;

    OpenResult open(const std::string& device, const LineSettings& settings,
                    const PortTimeouts& timeouts) override;
    void close() override;
    bool isOpen() const override { return openState; }
    // A port whose line format the far end fixes (plain TCP to a server).
    bool fixedFormat = false;
    bool lineFormatFixed() const override { return fixedFormat; }
    void setTimeouts(const PortTimeouts& timeouts) override;
    void purge() override { ++purges; }
    unsigned clearErrors() override;
    void clearRtsAndDtr() override;
    void clearRtsSetDtr() override;
    void setOptions(const PortOptions& set) override { options = set; }
    // As the options say; the echo is then the next reply.
    bool echoes() const override { return options.echo; }
    std::size_t write(const std::uint8_t* data, std::size_t size) override;
    std::size_t read(std::uint8_t* buffer, std::size_t size) override;

    // Queues a reply given as hex text, e.g. "01 83 02 C0 F1".
    void reply(const std::string& hex, unsigned receiveErrors = 0);
    // Queues a correct ReadRegisters reply from `address` with these values.
    void replyRegisters(std::uint8_t address, const std::vector<std::uint16_t>& values);
    // Queues a correct WriteRegisters echo.
    void replyWrite(std::uint8_t address, std::uint16_t start, std::uint16_t count);
    // Queues one silent read.
    void silence() { replies.push_back({}); }

  private:
    unsigned pendingErrors_ = 0;
};

// "01 03 00 00" -> bytes; blanks are ignored.
std::vector<std::uint8_t> hexBytes(const std::string& hex);
// Appends the CRC-16/MODBUS of the bytes, low byte first.
std::vector<std::uint8_t> withCrc(std::vector<std::uint8_t> frame);

}  // namespace m8163::test
