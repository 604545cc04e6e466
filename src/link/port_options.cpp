#include "link/port_options.h"

#include <cctype>
#include <charconv>
#include <optional>
#include <string>
#include <utility>

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

// A word longer than this is shown cut: a box or a terminal line must not
// grow with whatever a file holds.
constexpr std::size_t kLongestShownWord = 60;

std::string shown(std::string_view word) {
    if (word.size() <= kLongestShownWord)
        return std::string(word);
    std::size_t cut = kLongestShownWord;
    // Not inside a UTF-8 character.
    while (cut > 0 && (static_cast<unsigned char>(word[cut]) & 0xC0) == 0x80)
        --cut;
    return std::string(word.substr(0, cut)) + "…";
}

constexpr const char* kUnknownWord = "неизвестное слово";
std::string badDelay() {
    return "задержка — целое число миллисекунд от 0 до " + std::to_string(kLongestRtsDelayMs);
}

// The milliseconds of a delay word's value; none unless it is a whole number
// of 0 ... kLongestRtsDelayMs written in decimal digits.
std::optional<std::uint32_t> delayValue(std::string_view digits) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size() ||
        value > kLongestRtsDelayMs) {
        return std::nullopt;
    }
    return value;
}

// Takes one word, already lowered and trimmed; the reason when refused.
std::optional<std::string> takeWord(const std::string& word, PortOptions& options) {
    const std::size_t equals = word.find('=');
    const std::string name(trimmed(std::string_view(word).substr(0, equals)));
    const bool delayBefore = name == "rs485-delay-before";
    if (delayBefore || name == "rs485-delay-after") {
        options.rs485 = true;
        const auto value = equals == std::string::npos
                               ? std::nullopt
                               : delayValue(trimmed(std::string_view(word).substr(equals + 1)));
        if (!value)
            return badDelay();
        (delayBefore ? options.delayBeforeMs : options.delayAfterMs) = *value;
        return std::nullopt;
    }
    if (word == "rs485") {
        options.rs485 = true;
    } else if (word == "rs485-rts-after-send") {
        options.rs485 = true;
        options.rtsAfterSend = true;
    } else if (word == "echo") {
        options.echo = true;
    } else if (word == "no-low-latency") {
        options.lowLatency = false;
    } else {
        return kUnknownWord;
    }
    return std::nullopt;
}

}  // namespace

PortOptionsText parsePortOptions(std::string_view text) {
    PortOptionsText result;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view word = trimmed(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        if (word.empty())
            continue;
        if (auto why = takeWord(lowered(word), result.options))
            result.rejected.push_back({shown(word), std::move(*why)});
    }
    return result;
}

std::string rejectedOptionText(const RejectedOption& rejected) {
    return "«" + rejected.word + "»: " + rejected.why;
}

}  // namespace m8163
