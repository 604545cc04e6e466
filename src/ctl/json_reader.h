#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A small reader of JSON documents (RFC 8259) for the files m8163ctl reads
// back: the whole text is checked, strings come out as UTF-8, numbers keep
// their text so that the caller reads them with the program's own number
// readers. Nesting is bounded, so a hostile file cannot exhaust the stack.

namespace m8163::ctl {

struct JsonValue {
    enum class Kind { Null, Boolean, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    std::string text;  // a string's content, or a number as written
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;  // a repeated name keeps its last value

    // The member `name` of an object; nullptr when absent or this is no object.
    const JsonValue* member(std::string_view name) const;
};

// A text that is no JSON document; what() says why and at which byte.
struct JsonError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline constexpr std::size_t kJsonMaxDepth = 32;

JsonValue readJson(std::string_view text);

}  // namespace m8163::ctl
