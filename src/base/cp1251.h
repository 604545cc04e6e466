#pragma once

#include <string>
#include <string_view>

// The one codec of the program: Windows-1251 bytes on the wire and on disk,
// UTF-8 everywhere in memory.

namespace m8163 {

// Each byte becomes one character. Bytes that Windows-1251 leaves unassigned
// (0x98) become U+FFFD.
std::string cp1251ToUtf8(std::string_view bytes);

// Characters without a Windows-1251 form, and malformed UTF-8, become '?'.
std::string utf8ToCp1251(std::string_view text);

}  // namespace m8163
