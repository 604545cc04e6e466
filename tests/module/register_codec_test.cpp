#include "module/register_codec.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace m8163 {
namespace {

TEST(RealRegisters, HighWordGoesToTheLowerAddress) {
    struct Case {
        float value;
        std::uint16_t high, low;
    };
    for (Case c : {Case{1.0f, 0x3F80, 0x0000}, Case{25.0f, 0x41C8, 0x0000},
                   Case{-2.5f, 0xC020, 0x0000}, Case{0.1f, 0x3DCC, 0xCCCD}}) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(splitF32(c.value), (std::array<std::uint16_t, 2>{c.high, c.low}));
        EXPECT_EQ(joinF32(c.high, c.low), c.value);
    }
}

TEST(TextRegisters, UnpackStopsAtTheFirstZeroByte) {
    // 'A', 'B', then zero bytes; a zero in the low byte ends the text too.
    std::array<std::uint16_t, 8> ab{0x4142, 0x0000, 0x4344};
    EXPECT_EQ(unpackText(ab), "AB");
    std::array<std::uint16_t, 8> abc{0x4142, 0x4300, 0x4445};
    EXPECT_EQ(unpackText(abc), "ABC");
}

TEST(TextRegisters, FullTypeNameReadsBackAsExactlyItsCharacters) {
    std::array<std::uint16_t, kTypeNameRegisters> registers{};
    registers.fill(0xC0E0);  // "Аа" in Windows-1251
    std::string expected;
    for (int i = 0; i < 16; ++i)
        expected += "Аа";
    EXPECT_EQ(unpackTextBytes(registers).size(), 32u);
    EXPECT_EQ(unpackText(registers), expected);
}

TEST(TextRegisters, PackFillsWithBlanksAndCutsAtTheRegisterCount) {
    struct Case {
        std::string text;
        std::vector<std::uint16_t> registers;
    };
    const std::vector<Case> cases = {
        {"ABC", {0x4142, 0x4320, 0x2020, 0x2020, 0x2020, 0x2020, 0x2020, 0x2020}},
        {"", std::vector<std::uint16_t>(8, 0x2020)},
        {"0123456789abcdefXYZW", {0x3031, 0x3233, 0x3435, 0x3637, 0x3839, 0x6162, 0x6364, 0x6566}},
        // Cyrillic: one byte per character, so 20 letters still give 16.
        {"ПриветПриветПривет12", {0xCFF0, 0xE8E2, 0xE5F2, 0xCFF0, 0xE8E2, 0xE5F2, 0xCFF0, 0xE8E2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::array<std::uint16_t, kUserTextRegisters> registers{};
        packText(c.text, registers);
        EXPECT_EQ(std::vector<std::uint16_t>(registers.begin(), registers.end()), c.registers);
    }
}

TEST(TextRegisters, ImageTextsLiveInTheirWords) {
    RegisterImage image;
    setUserText(image, "Датчик №5");
    setTypeName(image, "ТСМ-50");
    EXPECT_EQ(image.words[14], 0xC4E0);  // "Да"
    EXPECT_EQ(image.words[13], 0);
    EXPECT_EQ(image.words[22], 0);
    EXPECT_EQ(image.words[53], 0xD2D1);  // "ТС"
    EXPECT_EQ(image.words[69], 0);
    // Packing pads with blanks, and the blanks come back.
    EXPECT_EQ(userText(image), "Датчик №5       ");
    EXPECT_EQ(typeName(image), "ТСМ-50" + std::string(26, ' '));
}

TEST(RegisterImageWords, AddressesMapToTheirWords) {
    struct Case {
        std::uint16_t address;
        std::optional<std::size_t> word;
    };
    for (Case c : {Case{0x0400, 0}, Case{0x040E, 14}, Case{0x0415, 21}, Case{0x0416, {}},
                   Case{0x04FF, {}}, Case{0x0500, 22}, Case{0x051F, 53}, Case{0x052E, 68},
                   Case{0x053E, 84}, Case{0x053F, {}}, Case{0x0000, {}}}) {
        SCOPED_TRACE(c.address);
        EXPECT_EQ(imageWordIndex(c.address), c.word);
    }
    RegisterImage image;
    image.word(reg::kWatchdogTime) = 2550;
    EXPECT_EQ(image.words[12], 2550);
    EXPECT_THROW(image.word(reg::kBlinkCommand), std::out_of_range);
}

TEST(SensorTypeTexts, CodesSelectTheirNamesAndUnknownCodesNone) {
    EXPECT_EQ(sensorTypeText(0), "ТС медь Ro=50 W=1.428");
    EXPECT_EQ(sensorTypeText(10), "ТП ХА(K) хромель/алюмель");
    EXPECT_EQ(sensorTypeText(19), "Ток 0-5 мА");
    EXPECT_EQ(sensorTypeText(24), "Измерение сопротивления");
    EXPECT_EQ(sensorTypeText(25), "");
    EXPECT_EQ(sensorTypeText(0xFFFF), "");
}

TEST(SensorSettingsFlags, OnlyOneSwitchesSquareRootOn) {
    SensorSettings sensor;
    for (std::uint16_t value : {0, 2, 0xFFFF}) {
        sensor.squareRoot = value;
        EXPECT_FALSE(squareRootOn(sensor)) << value;
    }
    sensor.squareRoot = 1;
    EXPECT_TRUE(squareRootOn(sensor));
}

TEST(StatusTexts, SetBitsInDisplayOrder) {
    EXPECT_EQ(statusBitsText(0x0003), " Обрыв Ниже НПИ ");
    EXPECT_EQ(statusBitsText(0x0018), " ошибка АЦП ошибка EEPROM ");
    EXPECT_EQ(statusBitsText(0x0020), " ");
    EXPECT_EQ(statusBitsText(0x001F), " ошибка АЦП Обрыв Ниже НПИ Выше ВПИ ошибка EEPROM ");
}

}  // namespace
}  // namespace m8163
