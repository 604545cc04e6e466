#include "base/cp1251.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdint>
#include <optional>
#include <string>

namespace m8163 {
namespace {

// glibc's converter is the independent reference for every byte.
std::string iconvDecode(unsigned char byte) {
    iconv_t cd = iconv_open("UTF-8", "CP1251");
    char in[1] = {static_cast<char>(byte)};
    char out[8] = {};
    char* inPtr = in;
    char* outPtr = out;
    std::size_t inLeft = 1;
    std::size_t outLeft = sizeof out;
    std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1))
        return {};
    return std::string(out, sizeof out - outLeft);
}

TEST(Cp1251, EveryByteDecodesAsGlibcDoesAndRoundTrips) {
    for (int b = 1; b < 256; ++b) {
        SCOPED_TRACE(b);
        std::string byte(1, static_cast<char>(b));
        std::string expected = iconvDecode(static_cast<unsigned char>(b));
        if (expected.empty()) {  // unassigned in Windows-1251
            EXPECT_EQ(cp1251ToUtf8(byte), "\xEF\xBF\xBD");
            continue;
        }
        EXPECT_EQ(cp1251ToUtf8(byte), expected);
        EXPECT_EQ(utf8ToCp1251(expected), byte);
    }
}

TEST(Cp1251, CyrillicTextAndUnmappableCharacters) {
    EXPECT_EQ(utf8ToCp1251("ТС медь"), "\xD2\xD1 \xEC\xE5\xE4\xFC");
    EXPECT_EQ(cp1251ToUtf8("\xD2\xD1 \xEC\xE5\xE4\xFC"), "ТС медь");
    EXPECT_EQ(utf8ToCp1251("a\xE4\xB8\xADz"), "a?z");  // CJK has no form
    EXPECT_EQ(utf8ToCp1251("\xFF\xC3"), "??");         // malformed UTF-8
    EXPECT_EQ(utf8ToCp1251(std::string("x\0y", 3)), std::string("x\0y", 3));
}

TEST(Cp1251, FirstCharacterWithoutAWindows1251Form) {
    const struct {
        const char* text;
        std::size_t characters;
        std::optional<std::string> found;
    } cases[] = {
        {"A✓B€", SIZE_MAX, "✓"},
        {"Котёл №2 €", SIZE_MAX, std::nullopt},
        {"a?b", SIZE_MAX, std::nullopt},  // '?' itself has its form
        {"abc✓", 3, std::nullopt},
        {"abc✓", 4, "✓"},
        {"😀", SIZE_MAX, "😀"},
        {"", SIZE_MAX, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(characterWithoutCp1251(c.text, c.characters), c.found);
    }
}

}  // namespace
}  // namespace m8163
