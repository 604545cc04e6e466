#include "config/ini_document.h"

#include <algorithm>
#include <charconv>

#include "base/cp1251.h"
#include "base/number_text.h"

namespace m8163 {
namespace {

constexpr std::size_t npos = std::string::npos;

// Blanks at the ends of names and values; 0x1A is the old end-of-file mark
// that some editors leave behind.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\x1A';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Windows-1251 letter case: Latin, the Cyrillic block C0-FF and Ё/ё.
unsigned char foldCase(unsigned char c) {
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned char>(c + 0x20);
    if (c >= 0xC0 && c <= 0xDF)
        return static_cast<unsigned char>(c + 0x20);
    if (c == 0xA8)
        return 0xB8;
    return c;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return foldCase(static_cast<unsigned char>(x)) ==
                      foldCase(static_cast<unsigned char>(y));
           });
}

bool isBlankLine(std::string_view text) {
    return trim(text).empty();
}

// One line of a value: what would start a new line or end a C string
// becomes a blank.
std::string oneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; }, ' ');
    return text;
}

// A value without one pair of enclosing quotes.
std::string_view unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value.remove_prefix(1);
        value.remove_suffix(1);
    }
    return value;
}

// The whole of `text` as a number of type T, or nullopt.
template <class T>
std::optional<T> wholeNumber(std::string_view text, int base) {
    T value{};
    const char* last = text.data() + text.size();
    auto [end, error] = std::from_chars(text.data(), last, value, base);
    if (text.empty() || error != std::errc() || end != last)
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<std::int32_t> parseIniInteger(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        auto value = wholeNumber<std::uint32_t>(text.substr(2), 16);
        if (!value)
            return std::nullopt;
        return static_cast<std::int32_t>(*value);
    }
    if (!text.empty() && text[0] == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text[0] == '-')
            return std::nullopt;
    }
    return wholeNumber<std::int32_t>(text, 10);
}

IniDocument::IniDocument(std::string_view bytes) {
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t newline = bytes.find('\n', start);
        std::string_view text;
        std::string_view ending;
        if (newline == npos) {
            text = bytes.substr(start);
            start = bytes.size();
        } else {
            text = bytes.substr(start, newline - start);
            start = newline + 1;
            ending = "\n";
            if (!text.empty() && text.back() == '\r') {
                text.remove_suffix(1);
                ending = "\r\n";
            }
        }
        lines_.push_back(classify(std::string(text), std::string(ending), lines_.empty()));
    }
}

IniDocument::Line IniDocument::classify(std::string text, std::string ending, bool firstLine) {
    Line line;
    line.text = std::move(text);
    line.ending = std::move(ending);
    std::string_view view = line.text;
    // A UTF-8 byte order mark must not hide the first section.
    if (firstLine && view.substr(0, 3) == "\xEF\xBB\xBF")
        view.remove_prefix(3);
    view = trim(view);
    if (view.empty() || view.front() == ';')
        return line;
    if (view.front() == '[') {
        std::size_t close = view.rfind(']');
        std::string_view name = view.substr(1, close == npos ? npos : close - 1);
        line.kind = Kind::Section;
        line.name = std::string(trim(name));
        return line;
    }
    std::size_t equals = view.find('=');
    if (equals == npos)
        return line;
    std::string_view value = view.substr(equals + 1);
    value = value.substr(0, value.find('\0'));
    line.kind = Kind::Key;
    line.name = std::string(trim(view.substr(0, equals)));
    line.value = std::string(trim(value));
    return line;
}

std::string IniDocument::bytes() const {
    std::string out;
    std::size_t size = 0;
    for (const Line& line : lines_)
        size += line.text.size() + line.ending.size();
    out.reserve(size);
    for (const Line& line : lines_) {
        out += line.text;
        out += line.ending;
    }
    return out;
}

std::size_t IniDocument::findSection(std::string_view name) const {
    std::string wanted = utf8ToCp1251(name);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Kind::Section && sameName(lines_[i].name, wanted))
            return i;
    }
    return npos;
}

std::size_t IniDocument::sectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && lines_[i].kind != Kind::Section)
        ++i;
    return i;
}

std::size_t IniDocument::findKey(std::size_t header, std::string_view name) const {
    std::string wanted = utf8ToCp1251(name);
    std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines_[i].kind == Kind::Key && sameName(lines_[i].name, wanted))
            return i;
    }
    return npos;
}

std::optional<std::string> IniDocument::find(std::string_view section, std::string_view key) const {
    std::size_t header = findSection(section);
    if (header == npos)
        return std::nullopt;
    std::size_t at = findKey(header, key);
    if (at == npos)
        return std::nullopt;
    return cp1251ToUtf8(unquoted(lines_[at].value).substr(0, kIniMaxValueLength));
}

std::string IniDocument::readString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
    if (auto value = find(section, key))
        return *value;
    while (!fallback.empty() && isBlank(fallback.back()))
        fallback.remove_suffix(1);
    return std::string(fallback);
}

std::int32_t IniDocument::readInt(std::string_view section, std::string_view key,
                                  std::int32_t fallback) const {
    auto value = find(section, key);
    if (!value)
        return fallback;
    return parseIniInteger(*value).value_or(fallback);
}

float IniDocument::readReal(std::string_view section, std::string_view key,
                            std::string_view fallback) const {
    return m8163::readReal(readString(section, key, fallback)).value_or(0.0f);
}

void IniDocument::insertLine(std::size_t position, std::string text) {
    if (position > 0 && lines_[position - 1].ending.empty())
        lines_[position - 1].ending = "\r\n";
    Line line = classify(std::move(text), "\r\n", position == 0);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(position), std::move(line));
}

void IniDocument::writeString(std::string_view section, std::string_view key,
                              std::string_view value) {
    std::string keyText = oneLine(utf8ToCp1251(key));
    std::string valueText = oneLine(utf8ToCp1251(value));
    std::size_t header = findSection(section);
    if (header == npos) {
        std::string header = "[";
        header += oneLine(utf8ToCp1251(section));
        header += ']';
        insertLine(lines_.size(), std::move(header));
        insertLine(lines_.size(), keyText + "=" + valueText);
        return;
    }
    std::size_t at = findKey(header, key);
    if (at != npos) {
        Line& line = lines_[at];
        // A value written back as it was read keeps its bytes: a byte that
        // Windows-1251 leaves unassigned, or a UTF-8 hand edit, reads as
        // U+FFFD and would otherwise come back as "?".
        if (cp1251ToUtf8(unquoted(line.value)) == value)
            valueText = line.value;
        // The key keeps the spelling the file gave it.
        line = classify(line.name + "=" + valueText, std::move(line.ending), at == 0);
        return;
    }
    // After the section's last line that is not blank, so that blank lines
    // before the next section stay between the sections.
    std::size_t position = sectionEnd(header);
    while (position > header + 1 && isBlankLine(lines_[position - 1].text))
        --position;
    insertLine(position, keyText + "=" + valueText);
}

void IniDocument::writeInt(std::string_view section, std::string_view key, std::int64_t value) {
    writeString(section, key, std::to_string(value));
}

void IniDocument::writeReal(std::string_view section, std::string_view key, float value) {
    writeString(section, key, formatReal2(value));
}

}  // namespace m8163
