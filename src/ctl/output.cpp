#include "ctl/output.h"

#include <cmath>

#include "base/json_text.h"
#include "base/number_text.h"

namespace m8163::ctl {

std::string realText(float value) {
    // The sign of a NaN means nothing: "nan" as the trace and the window show it.
    if (std::isnan(value))
        return "nan";
    std::string text = formatReal4(value);
    return text.substr(text.find_first_not_of(' '));
}

JsonObject& JsonObject::field(std::string_view key, std::string_view json) {
    if (!body_.empty())
        body_ += ',';
    body_ += jsonQuoted(key);
    body_ += ':';
    body_ += json;
    return *this;
}

JsonObject& JsonObject::text(std::string_view key, std::string_view value) {
    return field(key, jsonQuoted(value));
}

JsonObject& JsonObject::number(std::string_view key, long long value) {
    return field(key, std::to_string(value));
}

JsonObject& JsonObject::real(std::string_view key, float value) {
    return field(key, std::isfinite(value) ? realText(value) : "null");
}

JsonObject& JsonObject::boolean(std::string_view key, bool value) {
    return field(key, value ? "true" : "false");
}

JsonObject& JsonObject::raw(std::string_view key, std::string_view json) {
    return field(key, json);
}

std::string csvLine(const std::vector<CsvField>& fields) {
    std::string line;
    for (const CsvField& f : fields) {
        if (!line.empty())
            line += ',';
        if (!f.quoted) {
            line += f.value;
            continue;
        }
        line += '"';
        for (char c : f.value) {
            if (c == '"')
                line += '"';
            line += c;
        }
        line += '"';
    }
    return line;
}

}  // namespace m8163::ctl
