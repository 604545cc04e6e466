#pragma once

#include <array>
#include <chrono>
#include <cstdint>

// The line formats the module and the program know: eight speeds, each with
// the code the module stores for it, its place in the window's speed lists
// and the times a read allows at it; and the three parities. Every other
// place asks here rather than spelling a speed, a code or a parity itself.

namespace m8163 {

// Parity as the settings files store it and as the connection settings and
// the port's line settings carry it.
enum ParityCode : int { kParityNone = 0, kParityOdd = 1, kParityEven = 2 };

enum class Parity { None, Odd, Even };

// Any code but odd and even means no parity.
constexpr Parity parityFromCode(int code) {
    if (code == kParityOdd)
        return Parity::Odd;
    if (code == kParityEven)
        return Parity::Even;
    return Parity::None;
}

constexpr int parityCode(Parity parity) {
    switch (parity) {
        case Parity::Odd:
            return kParityOdd;
        case Parity::Even:
            return kParityEven;
        case Parity::None:
            break;
    }
    return kParityNone;
}

struct LineFormat {
    int bitRate;               // bit/s
    std::uint16_t moduleCode;  // the module's speed code (register 0x0409)
    int listIndex;             // entry of the speed lists
    // Time allowed per byte of a read; also the inter-byte interval of a
    // freshly opened port and of a write of registers.
    std::chrono::milliseconds perByte;
    // Inter-byte interval of a read of registers: above 9600 bit/s longer
    // than perByte, so that a reply is framed by silence safely.
    std::chrono::milliseconds readInterval;
};

inline constexpr std::array<LineFormat, 8> kLineFormats{{
    {1200, 3, 0, std::chrono::milliseconds(192), std::chrono::milliseconds(192)},
    {2400, 4, 1, std::chrono::milliseconds(96), std::chrono::milliseconds(96)},
    {4800, 5, 2, std::chrono::milliseconds(48), std::chrono::milliseconds(48)},
    {9600, 6, 3, std::chrono::milliseconds(24), std::chrono::milliseconds(24)},
    {19200, 7, 4, std::chrono::milliseconds(12), std::chrono::milliseconds(24)},
    {38400, 8, 5, std::chrono::milliseconds(6), std::chrono::milliseconds(24)},
    {57600, 9, 6, std::chrono::milliseconds(6), std::chrono::milliseconds(24)},
    {115200, 10, 7, std::chrono::milliseconds(6), std::chrono::milliseconds(12)},
}};

// nullptr when no listed format has it.
const LineFormat* lineFormatByBitRate(int bitRate);
const LineFormat* lineFormatByModuleCode(int code);
const LineFormat* lineFormatByListIndex(int index);

// The format whose times apply at any bit rate: the fastest listed one not
// above it, the slowest for a rate below all of them. A rate between two
// listed ones so gets the slower one's longer times.
const LineFormat& timingFormat(int bitRate);

}  // namespace m8163
