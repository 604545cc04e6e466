#pragma once

#include <array>

// What the device search scans: speeds, parities and an address range.
// Saved in the settings profile (section Seach).

namespace m8163 {

inline constexpr std::array<int, 8> kLineSpeeds = {1200,  2400,  4800,  9600,
                                                   19200, 38400, 57600, 115200};

struct SearchSettings {
    // 1 = scan at kLineSpeeds[i]
    std::array<int, 8> speeds = {0, 0, 0, 0, 0, 0, 0, 0};
    int firstAddress = 1;  // beg
    int lastAddress = 5;   // end
    int parityNone = 0;    // parity_non
    int parityOdd = 0;     // parity_odd
    int parityEven = 0;    // parity_ev
};

}  // namespace m8163
