#include "base/number_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>

namespace m8163 {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// -1 for a character that is not a hexadecimal digit.
int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::size_t skipBlanks(std::string_view text, std::size_t i = 0) {
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return i;
}

bool hasHexPrefix(std::string_view text, std::size_t i) {
    return i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X');
}

// Accumulates digits of `base` from text[i] on, saturating at `limit`.
// Returns the number of digits read; `i` moves past them.
std::size_t readDigits(std::string_view text, std::size_t& i, unsigned base, std::uint64_t limit,
                       std::uint64_t& value) {
    std::size_t count = 0;
    value = 0;
    for (; i < text.size(); ++i, ++count) {
        int d = base == 16 ? hexDigit(text[i]) : (isDigit(text[i]) ? text[i] - '0' : -1);
        if (d < 0)
            break;
        value = value > (limit - static_cast<unsigned>(d)) / base
                    ? limit
                    : value * base + static_cast<unsigned>(d);
    }
    return count;
}

// The reals' field width: shorter texts get leading blanks.
constexpr std::size_t kRealWidth = 11;
// From this magnitude on the fixed form is too long for the fields.
constexpr double kLargestFixedShown = 1e7;

std::string padded(std::string text) {
    if (text.size() < kRealWidth)
        text.insert(0, kRealWidth - text.size(), ' ');
    return text;
}

}  // namespace

std::optional<std::uint32_t> readHex(std::string_view text) {
    text = text.substr(0, 16);
    std::size_t i = skipBlanks(text);
    // "0x" counts as a prefix only when a digit follows; "0xg" is the number 0.
    if (hasHexPrefix(text, i) && i + 2 < text.size() && hexDigit(text[i + 2]) >= 0)
        i += 2;
    std::uint64_t value = 0;
    if (readDigits(text, i, 16, 0xFFFFFFFFu, value) == 0)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::optional<std::int32_t> readWholeNumber(std::string_view text) {
    std::size_t i = skipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    unsigned base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        i += 1;
    } else if (hasHexPrefix(text, i)) {
        base = 16;
        i += 2;
    }
    // One past the largest magnitude keeps any overflow detectable.
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 32;
    std::uint64_t magnitude = 0;
    if (readDigits(text, i, base, kLimit, magnitude) == 0 || i != text.size())
        return std::nullopt;
    std::int64_t value =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

namespace {

// The "%f" reading of readReal(); `end` gets the position after the number.
std::optional<float> scanReal(std::string_view text, std::size_t& end) {
    std::size_t i = skipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t start = i;  // from_chars takes "-" but not "+": give it the digits
    // Decimal position of the leading non-zero digit relative to the point,
    // to tell an overflow from an underflow when the single cannot hold it.
    long magnitude = 0;
    bool nonZero = false;
    std::size_t digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i, ++digits) {
        if (nonZero)
            ++magnitude;
        else if (text[i] != '0')
            nonZero = true;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (; i < text.size() && isDigit(text[i]); ++i, ++digits) {
            if (!nonZero) {
                --magnitude;
                if (text[i] != '0')
                    nonZero = true;
            }
        }
    }
    if (digits == 0)
        return std::nullopt;
    // The exponent counts only with at least one digit: "1e" and "1e+" read 1.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            negativeExponent = text[j] == '-';
            ++j;
        }
        std::uint64_t exponent = 0;
        if (readDigits(text, j, 10, 1'000'000, exponent) > 0) {
            i = j;
            magnitude +=
                negativeExponent ? -static_cast<long>(exponent) : static_cast<long>(exponent);
        }
    }
    float value = 0.0f;
    auto [stop, ec] =
        std::from_chars(text.data() + start, text.data() + i, value, std::chars_format::general);
    if (stop != text.data() + i)
        return std::nullopt;  // not expected: the grammar above matches
    end = i;
    if (ec == std::errc::result_out_of_range) {
        if (magnitude >= 0)
            return std::nullopt;  // beyond the largest single
        value = 0.0f;             // below the smallest one
    } else if (ec != std::errc()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

}  // namespace

std::optional<float> readReal(std::string_view text) {
    std::size_t end = 0;
    return scanReal(text, end);
}

std::optional<float> readRealWhole(std::string_view text) {
    std::size_t end = 0;
    auto value = scanReal(text, end);
    if (!value || skipBlanks(text, end) != text.size())
        return std::nullopt;
    return value;
}

std::string formatHex4(std::uint32_t value) {
    std::array<char, 8> digits{};
    auto end = std::to_chars(digits.begin(), digits.end(), value, 16).ptr;
    std::string text(digits.begin(), end);
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'a' && c <= 'f' ? static_cast<char>(c - 32) : c; });
    if (text.size() < 4)
        text.insert(0, 4 - text.size(), '0');
    return text;
}

std::string formatReal(double value, int decimals) {
    decimals = std::clamp(decimals, 0, 20);
    // The largest double has 309 integral digits; with sign, point and 20
    // decimals it fits here.
    std::array<char, 400> buffer{};
    auto [end, ec] =
        std::to_chars(buffer.begin(), buffer.end(), value, std::chars_format::fixed, decimals);
    return padded(ec == std::errc() ? std::string(buffer.begin(), end) : std::string("?"));
}

bool shownInExponentForm(double value) {
    return std::isfinite(value) && std::fabs(value) >= kLargestFixedShown;
}

std::string formatShownReal(double value) {
    if (std::isnan(value))
        return padded("nan");
    if (!shownInExponentForm(value))
        return formatReal4(value);
    // Two exponent digits at least, as printf writes them: " 1.2346e+07".
    std::array<char, 32> buffer{};
    auto [end, ec] =
        std::to_chars(buffer.begin(), buffer.end(), value, std::chars_format::scientific, 4);
    return padded(ec == std::errc() ? std::string(buffer.begin(), end) : std::string("?"));
}

}  // namespace m8163
