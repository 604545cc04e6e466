#include "module/field_rules.h"

#include <gtest/gtest.h>

namespace m8163 {
namespace {

TEST(FieldRules, AveragingCountsAndCodesMapBothWays) {
    for (std::uint16_t code = 0; code < kAveragingCounts.size(); ++code) {
        const int count = 1 << code;
        EXPECT_EQ(averagingCode(count), code) << count;
        EXPECT_EQ(averagingCount(code), count) << code;
    }
    for (int count : {0, 3, 1024, -1})
        EXPECT_EQ(averagingCode(count), std::nullopt) << count;
    EXPECT_EQ(averagingCount(10), std::nullopt);
    EXPECT_EQ(averagingCount(0xFFFF), std::nullopt);
}

TEST(FieldRules, UserTextFitsSixteenWindows1251Characters) {
    EXPECT_TRUE(userTextFits(""));
    EXPECT_TRUE(userTextFits("Цех 3, печь №2"));
    EXPECT_TRUE(userTextFits("ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ"));    // 16 characters, 32 bytes of UTF-8
    EXPECT_FALSE(userTextFits("ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ"));  // 17
    EXPECT_FALSE(userTextFits("✓ done"));             // no Windows-1251 form
    EXPECT_FALSE(userTextFits("bad \xFF byte"));      // not UTF-8
    EXPECT_TRUE(userTextFits("?"));
}

}  // namespace
}  // namespace m8163
