#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Texts the tool prints: reals with "." whatever the locale, JSON objects on
// one line, CSV fields.

namespace m8163::ctl {

// "%11.4f" without its leading blanks; NaN as "nan", whatever its sign.
std::string realText(float value);

// One JSON object, fields in the order added.
class JsonObject {
  public:
    JsonObject& text(std::string_view key, std::string_view value);
    JsonObject& number(std::string_view key, long long value);
    // A real in the text of realText(); null for an infinity or NaN, which
    // JSON cannot carry.
    JsonObject& real(std::string_view key, float value);
    JsonObject& boolean(std::string_view key, bool value);
    JsonObject& raw(std::string_view key, std::string_view json);
    std::string str() const { return "{" + body_ + "}"; }

  private:
    JsonObject& field(std::string_view key, std::string_view json);
    std::string body_;
};

// A CSV line: texts quoted (quotes doubled), numbers as they are.
struct CsvField {
    std::string value;
    bool quoted = false;
};
std::string csvLine(const std::vector<CsvField>& fields);

}  // namespace m8163::ctl
