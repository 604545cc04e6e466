#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Frame helpers of the simulated module. The simulator keeps its own CRC and
// line-format code on purpose: it is the independent side that the program's
// protocol code is tested against.

namespace m8163::sim {

enum SimParity : int { kNone = 0, kOdd = 1, kEven = 2 };  // codes as in register 0x040A

// Speed and parity of a line, as the module and the port settings see them.
struct LineFormat {
    int speed = 19200;  // bit/s
    int parity = kNone;

    bool operator==(const LineFormat&) const = default;
};

// CRC-16/MODBUS (reflected polynomial 0xA001, start 0xFFFF, no final XOR).
std::uint16_t modbusCrc(std::span<const std::uint8_t> bytes);

// Appends the CRC of everything before it, low byte first.
void appendCrc(std::vector<std::uint8_t>& frame);

// True when the last two bytes are the CRC of the bytes before them.
bool crcMatches(std::span<const std::uint8_t> frame);

// The module's speed codes: 3 = 1200 ... 10 = 115200 bit/s. 0 for a speed or
// code outside the table.
int speedForCode(int code);
int codeForSpeed(int speed);

// 'N', 'O', 'E' for the parity codes.
char parityLetter(int parity);

}  // namespace m8163::sim
