#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
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

// The first of the first `characters` characters of a UTF-8 text that has no
// Windows-1251 form (as its UTF-8 bytes), or nullopt when they all have one.
std::optional<std::string> characterWithoutCp1251(std::string_view text,
                                                  std::size_t characters = SIZE_MAX);

}  // namespace m8163
