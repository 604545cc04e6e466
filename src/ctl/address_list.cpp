#include "ctl/address_list.h"

#include <algorithm>

#include "base/number_text.h"

namespace m8163::ctl {
namespace {

// Plain decimal digits only: the whole-number reader would also take a sign,
// blanks and "0x", and a sign would read "5-9" the wrong way.
std::optional<int> plainNumber(std::string_view text, int low, int high) {
    if (text.empty() || text.size() > 6 ||
        text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    const auto value = readWholeNumber(text);
    if (!value || *value < low || *value > high)
        return std::nullopt;
    return *value;
}

}  // namespace

std::optional<std::vector<int>> readAddressList(std::string_view text, int low, int high) {
    std::vector<int> out;
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = text.find(',', from);
        const std::string_view item = text.substr(from, comma - from);
        const std::size_t dash = item.find('-');
        const auto first = plainNumber(item.substr(0, dash), low, high);
        const auto last =
            dash == std::string_view::npos ? first : plainNumber(item.substr(dash + 1), low, high);
        if (!first || !last || *first > *last)
            return std::nullopt;
        for (int n = *first; n <= *last; ++n) {
            if (std::find(out.begin(), out.end(), n) == out.end())
                out.push_back(n);
        }
        if (comma == std::string_view::npos)
            return out;
        from = comma + 1;
    }
}

}  // namespace m8163::ctl
