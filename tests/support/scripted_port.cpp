#include "scripted_port.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace m8163::test {

OpenResult ScriptedPort::open(const std::string& device, const LineSettings& settings,
                              const PortTimeouts& timeouts) {
    openedDevices.push_back(device);
    if (failOpen || failNextOpens > 0) {
        if (failNextOpens > 0)
            --failNextOpens;
        openState = false;
        return openFailure;
    }
    line = settings;
    timeoutsSet.push_back(timeouts);
    openState = true;
    lineCalls.push_back("open");
    return {true, 0, {}};
}

void ScriptedPort::close() {
    ++closes;
    openState = false;
}

void ScriptedPort::clearRtsAndDtr() {
    lineCalls.insert(lineCalls.end(), {"RTS off", "DTR off"});
}

void ScriptedPort::clearRtsSetDtr() {
    ++rtsDtrCalls;
    lineCalls.insert(lineCalls.end(), {"RTS off", "DTR on"});
}

void ScriptedPort::setTimeouts(const PortTimeouts& timeouts) {
    timeoutsSet.push_back(timeouts);
}

unsigned ScriptedPort::clearErrors() {
    unsigned errors = pendingErrors_;
    pendingErrors_ = 0;
    return errors;
}

std::size_t ScriptedPort::write(const std::uint8_t* data, std::size_t size) {
    if (!openState)
        return 0;
    written.emplace_back(data, data + size);
    return size;
}

std::size_t ScriptedPort::read(std::uint8_t* buffer, std::size_t size) {
    readSizes.push_back(size);
    if (!openState || replies.empty())
        return 0;
    ScriptedReply next = std::move(replies.front());
    replies.pop_front();
    // The reply is late: the read waits for it as a read of a device does.
    if (next.delay > std::chrono::milliseconds::zero())
        waitFor(-1, 0, std::chrono::steady_clock::now() + next.delay);
    std::size_t n = std::min(size, next.bytes.size());
    std::copy_n(next.bytes.begin(), n, buffer);
    pendingErrors_ |= next.receiveErrors;
    return n;
}

void ScriptedPort::reply(const std::string& hex, unsigned receiveErrors) {
    replies.push_back({hexBytes(hex), receiveErrors});
}

void ScriptedPort::replyRegisters(std::uint8_t address, const std::vector<std::uint16_t>& values) {
    std::vector<std::uint8_t> frame{address, 0x03, static_cast<std::uint8_t>(values.size() * 2)};
    for (std::uint16_t v : values) {
        frame.push_back(static_cast<std::uint8_t>(v >> 8));
        frame.push_back(static_cast<std::uint8_t>(v & 0xFF));
    }
    replies.push_back({withCrc(frame), 0});
}

void ScriptedPort::replyWrite(std::uint8_t address, std::uint16_t start, std::uint16_t count) {
    replies.push_back(
        {withCrc({address, 0x10, static_cast<std::uint8_t>(start >> 8),
                  static_cast<std::uint8_t>(start & 0xFF), static_cast<std::uint8_t>(count >> 8),
                  static_cast<std::uint8_t>(count & 0xFF)}),
         0});
}

std::vector<std::uint8_t> hexBytes(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    std::string digits;
    for (char c : hex) {
        if (std::isxdigit(static_cast<unsigned char>(c)))
            digits += c;
    }
    if (digits.size() % 2 != 0)
        throw std::invalid_argument("odd number of hex digits: " + hex);
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::vector<std::uint8_t> withCrc(std::vector<std::uint8_t> frame) {
    // Computed here independently of the code under test.
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t b : frame) {
        crc ^= b;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

}  // namespace m8163::test
