#pragma once

#include <array>

#include "link/line_format.h"

// What the device search scans: speeds, parities and an address range.
// Saved in the settings profile (section Seach).

namespace m8163 {

struct SearchSettings {
    // 1 = scan at kLineFormats[i]
    std::array<int, kLineFormats.size()> speeds = {0, 0, 0, 0, 0, 0, 0, 0};
    int firstAddress = 1;  // beg
    int lastAddress = 5;   // end
    int parityNone = 0;    // parity_non
    int parityOdd = 0;     // parity_odd
    int parityEven = 0;    // parity_ev
};

}  // namespace m8163
