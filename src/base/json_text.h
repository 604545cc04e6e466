#pragma once

#include <string>
#include <string_view>

namespace m8163 {

// A UTF-8 text as a JSON string: quotes and backslashes escaped, control
// characters as \u00XX; everything else passes as it is.
std::string jsonQuoted(std::string_view text);

}  // namespace m8163
