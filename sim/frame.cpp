#include "sim/frame.h"

#include <array>

namespace m8163::sim {

namespace {
constexpr std::array<int, 8> kSpeeds = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
constexpr int kFirstSpeedCode = 3;
}  // namespace

std::uint16_t modbusCrc(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            bool carry = (crc & 1u) != 0;
            crc = static_cast<std::uint16_t>(crc >> 1);
            if (carry)
                crc ^= 0xA001;
        }
    }
    return crc;
}

void appendCrc(std::vector<std::uint8_t>& frame) {
    std::uint16_t crc = modbusCrc(frame);
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
}

bool crcMatches(std::span<const std::uint8_t> frame) {
    if (frame.size() < 3)
        return false;
    std::uint16_t crc = modbusCrc(frame.first(frame.size() - 2));
    return frame[frame.size() - 2] == (crc & 0xFF) && frame[frame.size() - 1] == (crc >> 8);
}

int speedForCode(int code) {
    int index = code - kFirstSpeedCode;
    if (index < 0 || index >= static_cast<int>(kSpeeds.size()))
        return 0;
    return kSpeeds[static_cast<std::size_t>(index)];
}

int codeForSpeed(int speed) {
    for (std::size_t i = 0; i < kSpeeds.size(); ++i) {
        if (kSpeeds[i] == speed)
            return static_cast<int>(i) + kFirstSpeedCode;
    }
    return 0;
}

char parityLetter(int parity) {
    switch (parity) {
        case kOdd:
            return 'O';
        case kEven:
            return 'E';
        default:
            return 'N';
    }
}

}  // namespace m8163::sim
