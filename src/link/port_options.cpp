#include "link/port_options.h"

#include <cctype>
#include <charconv>

namespace m8163 {
namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0)
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0)
        text.remove_suffix(1);
    return text;
}

std::string lowered(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

// "rs485-delay-before=2" with name "rs485-delay-before=": the milliseconds.
bool takeDelay(std::string_view word, std::string_view name, std::uint32_t& delay) {
    if (word.substr(0, name.size()) != name)
        return false;
    const std::string_view digits = word.substr(name.size());
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size() ||
        value > kLongestRtsDelayMs) {
        return false;
    }
    delay = value;
    return true;
}

bool takeWord(const std::string& word, PortOptions& options) {
    if (word == "rs485") {
        options.rs485 = true;
    } else if (word == "rs485-rts-after-send") {
        options.rs485 = true;
        options.rtsAfterSend = true;
    } else if (takeDelay(word, "rs485-delay-before=", options.delayBeforeMs) ||
               takeDelay(word, "rs485-delay-after=", options.delayAfterMs)) {
        options.rs485 = true;
    } else if (word == "echo") {
        options.echo = true;
    } else if (word == "no-low-latency") {
        options.lowLatency = false;
    } else {
        return false;
    }
    return true;
}

}  // namespace

PortOptionsText parsePortOptions(std::string_view text) {
    PortOptionsText result;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view word = trimmed(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        if (!word.empty() && !takeWord(lowered(word), result.options))
            result.rejected.emplace_back(word);
    }
    return result;
}

}  // namespace m8163
