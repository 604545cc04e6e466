#include "link/line_format.h"

#include <gtest/gtest.h>

namespace m8163 {
namespace {

// The speed lists, the module's speed register and the port all name a
// format by a different key; each key must lead to the same format.
TEST(LineFormat, EachKeyFindsTheSameFormat) {
    struct Row {
        int bitRate;
        int moduleCode;
        int listIndex;
    };
    const Row rows[] = {
        {1200, 3, 0},  {2400, 4, 1},  {4800, 5, 2},  {9600, 6, 3},
        {19200, 7, 4}, {38400, 8, 5}, {57600, 9, 6}, {115200, 10, 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.bitRate);
        const LineFormat* format = lineFormatByBitRate(row.bitRate);
        ASSERT_NE(format, nullptr);
        EXPECT_EQ(format->moduleCode, row.moduleCode);
        EXPECT_EQ(format->listIndex, row.listIndex);
        EXPECT_EQ(lineFormatByModuleCode(row.moduleCode), format);
        EXPECT_EQ(lineFormatByListIndex(row.listIndex), format);
    }
    for (int unknown : {0, 2, 11, -1, 0xFFFF}) {
        EXPECT_EQ(lineFormatByModuleCode(unknown), nullptr) << unknown;
    }
    for (int unknown : {-1, 8}) {
        EXPECT_EQ(lineFormatByListIndex(unknown), nullptr) << unknown;
    }
    for (int unknown : {0, 300, 14400, 230400}) {
        EXPECT_EQ(lineFormatByBitRate(unknown), nullptr) << unknown;
    }
}

// An unlisted rate is timed as the slower neighbour, never faster.
TEST(LineFormat, UnlistedRatesTakeTheSlowerNeighboursTimes) {
    EXPECT_EQ(timingFormat(600).bitRate, 1200);
    EXPECT_EQ(timingFormat(14400).bitRate, 9600);
    EXPECT_EQ(timingFormat(19200).bitRate, 19200);
    EXPECT_EQ(timingFormat(230400).bitRate, 115200);
}

TEST(LineFormat, ParityCodes) {
    EXPECT_EQ(parityFromCode(0), Parity::None);
    EXPECT_EQ(parityFromCode(1), Parity::Odd);
    EXPECT_EQ(parityFromCode(2), Parity::Even);
    for (int other : {-1, 3, 0xFFFF})
        EXPECT_EQ(parityFromCode(other), Parity::None) << other;
    for (Parity parity : {Parity::None, Parity::Odd, Parity::Even})
        EXPECT_EQ(parityFromCode(parityCode(parity)), parity);
}

}  // namespace
}  // namespace m8163
