#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "module/register_image.h"

// How the module's registers encode reals and texts, and the texts that the
// pages show for register codes.

namespace m8163 {

// A 32-bit real in two registers: the lower address holds the upper 16 bits,
// so the four bytes on the wire are the IEEE 754 single in big-endian order.
std::array<std::uint16_t, 2> splitF32(float value);
float joinF32(std::uint16_t high, std::uint16_t low);
// The real at registers[0] (high word) and registers[1].
float joinF32(std::span<const std::uint16_t> registers);

// Text registers hold two Windows-1251 bytes each, the first in the high
// byte. Unpacking stops at the first zero byte, or takes every byte when
// none is zero.
std::string unpackTextBytes(std::span<const std::uint16_t> registers);
// Fills the registers with the first bytes of `bytes`, as many as fit, and
// blanks after a shorter text.
void packTextBytes(std::string_view bytes, std::span<std::uint16_t> registers);

// The same for UTF-8 texts, converted through the Windows-1251 codec.
// Characters without a Windows-1251 form are packed as '?'.
std::string unpackText(std::span<const std::uint16_t> registers);
void packText(std::string_view text, std::span<std::uint16_t> registers);

// UserText (words 14-21) and TypeName (words 53-68) of the image, as UTF-8.
std::string userText(const RegisterImage& image);
void setUserText(RegisterImage& image, std::string_view text);
std::string typeName(const RegisterImage& image);
void setTypeName(RegisterImage& image, std::string_view text);

// The sensor type names, indexed by the code in register 0x0500.
inline constexpr std::size_t kSensorTypeCount = 25;
extern const std::array<std::string_view, kSensorTypeCount> kSensorTypeTexts;
// The name of a sensor type code; empty for a code without a name.
std::string_view sensorTypeText(std::uint16_t code);

// Only the value 1 switches square-root extraction on.
inline bool squareRootOn(const SensorSettings& sensor) {
    return sensor.squareRoot == 1;
}

// IZMERR status bits with their texts, in the order the status is shown.
struct StatusBitText {
    std::uint16_t bit;
    std::string_view text;  // ends with one blank
};
extern const std::array<StatusBitText, 5> kStatusBitTexts;
// The status caption of a faulty measurement: one blank, then the text of
// each set bit in display order. Bits without a text add nothing.
std::string statusBitsText(std::uint16_t izmerr);

}  // namespace m8163
