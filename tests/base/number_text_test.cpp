#include "base/number_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "scoped_locale.h"

namespace m8163 {
namespace {

template <typename T>
struct ReadCase {
    std::string text;
    std::optional<T> expected;
};

TEST(NumberText, HexReaderTakesTheLeadingNumberOfTheFirst16Characters) {
    const std::vector<ReadCase<std::uint32_t>> cases = {
        {"1a2b", 0x1A2B},
        {" 0x00FF", 0x00FF},
        {"0X1f", 0x1F},
        {"12zz", 0x12},
        {"10000", 0x10000},  // read; refusing values above 0xFFFF is the caller's job
        {"FFFF", 0xFFFF},
        {"\t 7", 7},
        {"0xg", 0},  // the "0" is a number; "xg" is what follows
        {"0x", 0},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"zz", std::nullopt},
        {"-1", std::nullopt},
        {"x12", std::nullopt},
        // 17 characters: the 17th digit is not read.
        {"00000000000001234", 0x123},
        {"               12", 1},
        {"                1", std::nullopt},
        // Values beyond 32 bits stay beyond 0xFFFF instead of wrapping round.
        {"100001234", 0xFFFFFFFF},
        {"FFFFFFFFFFFFFFFF", 0xFFFFFFFF},
        {"FFFFFFFF", 0xFFFFFFFF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("\"" + c.text + "\"");
        EXPECT_EQ(readHex(c.text), c.expected);
    }
}

TEST(NumberText, WholeNumberReaderTakesTheWholeTextWithinSigned32Bits) {
    const std::vector<ReadCase<std::int32_t>> cases = {
        {"0", 0},
        {"65535", 65535},
        {"65536", 65536},
        {"-1", -1},
        {"+12", 12},
        {"  42", 42},
        {"$FF", 255},
        {"0x7fffffff", 2147483647},
        {"-$10", -16},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483648LL},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"0xFFFFFFFF", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"-", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"12 ", std::nullopt},
        {"12zz", std::nullopt},
        {"1.5", std::nullopt},
        {"FF", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("\"" + c.text + "\"");
        EXPECT_EQ(readWholeNumber(c.text), c.expected);
    }
}

TEST(NumberText, RealReaderTakesTheLeadingNumberWithADecimalPoint) {
    const std::vector<ReadCase<float>> cases = {
        {"1.5e1", 15.0f},
        {"2.5", 2.5f},
        {"2,5", 2.0f},  // pasted with a comma: the rest is ignored
        {"  -0.125", -0.125f},
        {"+3", 3.0f},
        {".5", 0.5f},
        {"5.", 5.0f},
        {"1e", 1.0f},
        {"1e+", 1.0f},
        {"1E-2x", 0.01f},
        {"25.0000 degrees", 25.0f},
        {"0.1", 0.1f},  // nearest single, not the double 0.1 narrowed twice
        {"3.4028235e38", std::numeric_limits<float>::max()},
        {"1e-50", 0.0f},
        {"0.000000000000000000000000000000000000000000000000001", 0.0f},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {".", std::nullopt},
        {"-", std::nullopt},
        {"e5", std::nullopt},
        {",5", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"1e39", std::nullopt},  // a single cannot hold it: not infinity
        {"-1e50", std::nullopt},
        {"100000000000000000000000000000000000000000", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("\"" + c.text + "\"");
        EXPECT_EQ(readReal(c.text), c.expected);
    }
    auto negativeZero = readReal("-0");
    ASSERT_TRUE(negativeZero);
    EXPECT_TRUE(std::signbit(*negativeZero));
    EXPECT_EQ(readReal("0x1p3"), 0.0f);  // hexadecimal reals are not read: "0", then "x1p3"
}

TEST(NumberText, WholeRealReaderRefusesATail) {
    const std::vector<ReadCase<float>> cases = {
        {"1.5e1", 15.0f},       {" -2.5 ", -2.5f},      {"+3", 3.0f},
        {"2,5", std::nullopt},  {"1.5V", std::nullopt}, {"1e", std::nullopt},
        {"0x10", std::nullopt}, {"", std::nullopt},     {"1e39", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("\"" + c.text + "\"");
        EXPECT_EQ(readRealWhole(c.text), c.expected);
    }
}

TEST(NumberText, FormatsMatchPrintf) {
    const std::vector<double> values = {0.0,     -0.0,      25.0,      2.5f,       -1.23456,
                                        0.00005, 0.000049,  123456.78, -99999.995, 1e10,
                                        0.1f,    1.0 / 3.0, 5e-324};
    for (double v : values) {
        SCOPED_TRACE(v);
        char expected[64];
        std::snprintf(expected, sizeof expected, "%11.4f", v);
        EXPECT_EQ(formatReal4(v), expected);
        std::snprintf(expected, sizeof expected, "%11.2f", v);
        EXPECT_EQ(formatReal2(v), expected);
    }
    for (unsigned v : {0u, 0x1Au, 0x1A2Bu, 0xFFFFu, 0x12345u}) {
        char expected[16];
        std::snprintf(expected, sizeof expected, "%04X", v);
        EXPECT_EQ(formatHex4(v), expected);
    }
}

TEST(NumberText, LargeAndNonFiniteRealsShowReadably) {
    EXPECT_EQ(formatReal4(25.0), "    25.0000");
    EXPECT_EQ(formatReal2(-1.005f), "      -1.00");

    // All integral digits: longer than the field, and it reads back exactly.
    const float largest = std::numeric_limits<float>::max();
    const std::string text = formatReal4(largest);
    EXPECT_EQ(text, "340282346638528859811704183484516925440.0000");
    EXPECT_EQ(readReal(text), largest);
    EXPECT_EQ(formatReal2(-largest), "-340282346638528859811704183484516925440.00");
    EXPECT_EQ(formatReal2(std::numeric_limits<double>::max()).size(), 309u + 3u);

    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(formatReal4(inf), "        inf");
    EXPECT_EQ(formatReal4(-inf), "       -inf");
    EXPECT_EQ(formatReal2(std::numeric_limits<float>::quiet_NaN()), "        nan");
    EXPECT_EQ(formatReal2(-std::numeric_limits<float>::quiet_NaN()), "       -nan");
}

TEST(NumberText, ShownRealsFitTheFieldAndNeverLoseTheirMagnitude) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        double value;
        std::string shown;
        bool exponent;
    };
    const Case cases[] = {
        {25.0, "    25.0000", false},
        {-1.23456, "    -1.2346", false},
        {9999999.0f, "9999999.0000", false},  // the largest single below 1e7
        {-9999999.0f, "-9999999.0000", false},
        {1e7, " 1.0000e+07", true},
        {12345678.0f, " 1.2346e+07", true},
        {-12345678.0f, "-1.2346e+07", true},
        {99999999.0f, " 1.0000e+08", true},
        {std::numeric_limits<float>::max(), " 3.4028e+38", true},
        {-std::numeric_limits<float>::max(), "-3.4028e+38", true},
        {inf, "        inf", false},
        {-inf, "       -inf", false},
        {nan, "        nan", false},
        {-nan, "        nan", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        EXPECT_EQ(formatShownReal(c.value), c.shown);
        EXPECT_EQ(shownInExponentForm(c.value), c.exponent);
        if (c.exponent) {
            // The exponent form reads back to the value within its 5 digits.
            const auto back = readReal(c.shown);
            ASSERT_TRUE(back);
            EXPECT_NEAR(*back / c.value, 1.0, 1e-4);
        }
    }
}

// Qt sets the C library's locale from the environment. Under a locale whose
// decimal separator is "," the conversions must still use ".".
void expectPointConversions() {
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 2.5);
    ASSERT_STREQ(probe, "2,5");  // the locale really uses a comma
    EXPECT_EQ(formatReal4(25.0), "    25.0000");
    EXPECT_EQ(formatReal2(-2.5), "      -2.50");
    EXPECT_EQ(readReal("2.5"), 2.5f);
    EXPECT_EQ(readReal("2,5"), 2.0f);
    EXPECT_EQ(readReal(formatReal4(1234.5678f)), readReal("1234.5678"));
}

TEST(NumberTextUnderLocale, RussianLocaleKeepsThePoint) {
    test::ScopedLocale russian("ru_RU.UTF-8");
    if (!russian.active())
        GTEST_SKIP() << "locale ru_RU.UTF-8 not available";
    expectPointConversions();
}

TEST(NumberTextUnderLocale, GermanNumericLocaleKeepsThePoint) {
    test::ScopedLocale german("de_DE.UTF-8", LC_NUMERIC);
    if (!german.active())
        GTEST_SKIP() << "locale de_DE.UTF-8 not available";
    expectPointConversions();
}

}  // namespace
}  // namespace m8163
