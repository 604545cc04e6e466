#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Conversions between numbers and the texts the pages and settings files
// show. The decimal point is always "." whatever locale the process runs
// under: nothing here goes through the C library's locale-dependent
// conversions (strtod, printf); std::from_chars and std::to_chars are used.
//
// Leading blanks are the C "space" characters: space, tab, LF, VT, FF, CR.

namespace m8163 {

// Reads the first 16 characters of `text` the way "%x" of formatted input
// does: leading blanks, an optional "0x" or "0X", hexadecimal digits;
// whatever follows the digits is ignored. No digits: nullopt. A value too
// large for 32 bits gives 0xFFFFFFFF (it never wraps round to a small one).
std::optional<std::uint32_t> readHex(std::string_view text);

// Reads the whole of `text` as a signed 32-bit whole number: leading blanks,
// an optional sign, then decimal digits, or hexadecimal digits after "$",
// "0x" or "0X". Nothing may follow, not even blanks. Empty text, a missing
// digit and a value outside -2147483648 ... 2147483647 give nullopt.
std::optional<std::int32_t> readWholeNumber(std::string_view text);

// Reads the leading number of `text` the way "%f" of formatted input does:
// leading blanks, an optional sign, digits with "." as the decimal point
// (at least one digit), an optional exponent ("e" or "E", optional sign,
// digits); whatever follows the number is ignored, so "2,5" reads 2.
// The result is rounded to the nearest single. nullopt when no number
// starts the text, and for a magnitude beyond the largest single (it is not
// turned into infinity); a magnitude below the smallest single reads as 0.
// "inf", "nan" and hexadecimal reals are not numbers here.
// Settings files read an unreadable real as 0: readReal(text).value_or(0.0f).
std::optional<float> readReal(std::string_view text);

// readReal() for a text that must be the number and nothing else: blanks may
// surround it, anything more ("2,5", "1.5V") gives nullopt. For values given
// on a command line, where a silently dropped tail would change the value.
std::optional<float> readRealWhole(std::string_view text);

// "%04X": upper-case hexadecimal, at least four digits with leading zeros.
std::string formatHex4(std::uint32_t value);

// "%11.<decimals>f": fixed notation with `decimals` digits after ".",
// right-aligned with leading blanks to at least 11 characters, digits exactly
// as printf gives them. Large values keep all their digits, so the text can
// be longer than 11 (3.4e38 with 4 decimals is 44 characters) and reads back
// to the same single. Infinities and NaN show as "inf", "-inf", "nan",
// "-nan", right-aligned likewise. `decimals` is 0 ... 20.
std::string formatReal(double value, int decimals);

// The two formats in use: sensor page and measured value, settings profile.
inline std::string formatReal4(double value) {
    return formatReal(value, 4);
}
inline std::string formatReal2(double value) {
    return formatReal(value, 2);
}

// A real as the sensor page and the measured-value panel show it: "%11.4f"
// while the magnitude is below 1e7; from 1e7 on the fixed text outgrows the
// fields (a panel would show a slice of it), so it takes the exponent form
// "%11.4e" (" 1.2346e+07", "-3.4028e+38"), 11 characters like the fixed one.
// Infinities and NaN show as "inf", "-inf" and "nan", right-aligned to 11;
// the sign of a NaN means nothing and is not shown.
std::string formatShownReal(double value);
// Whether formatShownReal() gives `value` in the exponent form, with fewer
// digits than the fixed form would show.
bool shownInExponentForm(double value);

}  // namespace m8163
