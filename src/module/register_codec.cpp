#include "module/register_codec.h"

#include <algorithm>
#include <bit>

#include "base/cp1251.h"

namespace m8163 {

std::array<std::uint16_t, 2> splitF32(float value) {
    auto bits = std::bit_cast<std::uint32_t>(value);
    return {static_cast<std::uint16_t>(bits >> 16), static_cast<std::uint16_t>(bits & 0xFFFF)};
}

float joinF32(std::uint16_t high, std::uint16_t low) {
    return std::bit_cast<float>((static_cast<std::uint32_t>(high) << 16) | low);
}

float joinF32(std::span<const std::uint16_t> registers) {
    return joinF32(registers[0], registers[1]);
}

std::string unpackTextBytes(std::span<const std::uint16_t> registers) {
    std::string bytes;
    bytes.reserve(registers.size() * 2);
    for (std::uint16_t r : registers) {
        for (auto byte : {static_cast<char>(r >> 8), static_cast<char>(r & 0xFF)}) {
            if (byte == '\0')
                return bytes;
            bytes += byte;
        }
    }
    return bytes;
}

void packTextBytes(std::string_view bytes, std::span<std::uint16_t> registers) {
    std::string buffer(registers.size() * 2, ' ');
    std::copy_n(bytes.begin(), std::min(bytes.size(), buffer.size()), buffer.begin());
    for (std::size_t i = 0; i < registers.size(); ++i) {
        auto high = static_cast<unsigned char>(buffer[2 * i]);
        auto low = static_cast<unsigned char>(buffer[2 * i + 1]);
        registers[i] = static_cast<std::uint16_t>((high << 8) | low);
    }
}

std::string unpackText(std::span<const std::uint16_t> registers) {
    return cp1251ToUtf8(unpackTextBytes(registers));
}

void packText(std::string_view text, std::span<std::uint16_t> registers) {
    packTextBytes(utf8ToCp1251(text), registers);
}

namespace {

std::span<const std::uint16_t, kUserTextRegisters> userTextWords(const RegisterImage& image) {
    return std::span(image.words).subspan<*imageWordIndex(reg::kUserText), kUserTextRegisters>();
}
std::span<std::uint16_t, kUserTextRegisters> userTextWords(RegisterImage& image) {
    return std::span(image.words).subspan<*imageWordIndex(reg::kUserText), kUserTextRegisters>();
}
std::span<const std::uint16_t, kTypeNameRegisters> typeNameWords(const RegisterImage& image) {
    return std::span(image.words).subspan<*imageWordIndex(reg::kTypeName), kTypeNameRegisters>();
}
std::span<std::uint16_t, kTypeNameRegisters> typeNameWords(RegisterImage& image) {
    return std::span(image.words).subspan<*imageWordIndex(reg::kTypeName), kTypeNameRegisters>();
}

}  // namespace

std::string userText(const RegisterImage& image) {
    return unpackText(userTextWords(image));
}
void setUserText(RegisterImage& image, std::string_view text) {
    packText(text, userTextWords(image));
}
std::string typeName(const RegisterImage& image) {
    return unpackText(typeNameWords(image));
}
void setTypeName(RegisterImage& image, std::string_view text) {
    packText(text, typeNameWords(image));
}

const std::array<std::string_view, kSensorTypeCount> kSensorTypeTexts = {
    "ТС медь Ro=50 W=1.428",
    "ТС медь Ro=50 W=1.426",
    "ТС медь Ro=53 W=1.428",
    "ТС медь Ro=53 W=1.426",
    "ТС медь Ro=100 W=1.428",
    "ТС медь Ro=100 W=1.426",
    "ТС платина Ro=46 W=1.391",
    "ТС платина Ro=50 W=1.391",
    "ТС платина Ro=100 W=1.391",
    "ТС платина Ro=100 W=1.385",
    "ТП ХА(K) хромель/алюмель",
    "ТП ХК(L) хромель/копель",
    "ТП ПП(R) платина/пл.родий 13%",
    "ТП ПП(S) платина/пл.родий 10%",
    "ТП ПР(В) пл.род.30%/пл.род.6%",
    "ТП КJK(J) железо/константан",
    "ТП ВР(А-1) вольф.рен./волф.рен.",
    "ТП TMK(T) медь/константан",
    "ТП НН(N) нихросил/нисил",
    "Ток 0-5 мА",
    "Ток 0-20 мА",
    "Ток 4-20 мА",
    "Напряжение 0-100 мВ",
    "Напряжение 0-75 мВ",
    "Измерение сопротивления",
};

std::string_view sensorTypeText(std::uint16_t code) {
    return code < kSensorTypeTexts.size() ? kSensorTypeTexts[code] : std::string_view{};
}

const std::array<StatusBitText, 5> kStatusBitTexts = {{
    {0x10, "ошибка АЦП "},
    {0x01, "Обрыв "},
    {0x02, "Ниже НПИ "},
    {0x04, "Выше ВПИ "},
    {0x08, "ошибка EEPROM "},
}};

std::string statusBitsText(std::uint16_t izmerr) {
    std::string text = " ";
    for (const auto& [bit, bitText] : kStatusBitTexts) {
        if (izmerr & bit)
            text += bitText;
    }
    return text;
}

}  // namespace m8163
