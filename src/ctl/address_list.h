#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Module numbers given as a list: "1,3,5-9".

namespace m8163::ctl {

// The numbers of `text` in the order written, each once: items separated by
// commas, an item a number or a range FIRST-LAST (FIRST at most LAST), every
// number `low` ... `high`. nullopt for anything else, an empty item included.
std::optional<std::vector<int>> readAddressList(std::string_view text, int low, int high);

}  // namespace m8163::ctl
