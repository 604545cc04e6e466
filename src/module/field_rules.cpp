#include "module/field_rules.h"

#include <algorithm>
#include <string>

#include "base/cp1251.h"

namespace m8163 {

std::optional<std::uint16_t> averagingCode(int count) {
    auto found = std::find(kAveragingCounts.begin(), kAveragingCounts.end(), count);
    if (found == kAveragingCounts.end())
        return std::nullopt;
    return static_cast<std::uint16_t>(found - kAveragingCounts.begin());
}

std::optional<int> averagingCount(std::uint16_t code) {
    if (code >= kAveragingCounts.size())
        return std::nullopt;
    return kAveragingCounts[code];
}

bool userTextFits(std::string_view text) {
    // One byte per character after the conversion; a character without a
    // Windows-1251 form comes back from the round trip as '?'.
    const std::string bytes = utf8ToCp1251(text);
    return bytes.size() <= kUserTextCharacters && cp1251ToUtf8(bytes) == text;
}

}  // namespace m8163
