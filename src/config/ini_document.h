#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The text of an INI settings file, read and changed the way the Windows
// private-profile functions do it, so that files go back and forth between
// this program and its Windows siblings unchanged:
// - "[name]" opens a section; "key=value" is a key; any other line (blank,
//   ";" comment, text without "=") is kept but means nothing;
// - section and key names match without regard to letter case (Latin and
//   Cyrillic), with the blanks around them ignored;
// - a value loses the blanks at its ends and one pair of enclosing quotes;
// - a write changes only the line of its key; a missing key goes after the
//   last line of its section, a missing section at the end of the file;
// - a write of the text that a read of the key gives (the whole value, not
//   cut at kIniMaxValueLength) keeps the value's bytes, quotes included, so
//   that bytes with no Windows-1251 character (0x98, UTF-8 typed by hand)
//   survive a load that writes back what it read;
// - every line that is not written keeps its bytes and its line end; new
//   lines end in CR LF.
// The bytes are Windows-1251; names and values cross this interface as
// UTF-8.

namespace m8163 {

// The longest text value a read returns, in characters (bytes on disk).
inline constexpr std::size_t kIniMaxValueLength = 1023;

// The integer rule of the settings files: decimal with an optional sign;
// a text longer than two characters that starts with "0x" or "0X" is
// hexadecimal (up to FFFFFFFF, taken as a signed 32-bit number). Anything
// else (empty, blanks, trailing characters, out of range) is no number.
std::optional<std::int32_t> parseIniInteger(std::string_view text);

class IniDocument {
  public:
    IniDocument() = default;
    // Takes any bytes: nothing in them is an error.
    explicit IniDocument(std::string_view bytes);

    // The file's bytes: exactly the bytes parsed when nothing was written.
    std::string bytes() const;

    // The value of a key, or nullopt when the section or the key is missing.
    // Cut at a zero byte, blanks and enclosing quotes dropped, at most
    // kIniMaxValueLength characters.
    std::optional<std::string> find(std::string_view section, std::string_view key) const;

    // A missing key gives `fallback` without its trailing blanks (as the
    // Windows reader treats defaults). A key present with an empty value
    // gives the empty text.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;
    // A missing key, or a value that is no number under parseIniInteger,
    // gives `fallback`.
    std::int32_t readInt(std::string_view section, std::string_view key,
                         std::int32_t fallback) const;
    // The leading number of the value, "." as decimal point; a missing key
    // reads `fallback` instead; a value with no number reads 0.
    float readReal(std::string_view section, std::string_view key, std::string_view fallback) const;

    // Line breaks and zero bytes in `value` become blanks: a value is one line.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInt(std::string_view section, std::string_view key, std::int64_t value);
    // "%11.2f" with "." whatever the locale.
    void writeReal(std::string_view section, std::string_view key, float value);

  private:
    enum class Kind { Other, Section, Key };
    struct Line {
        std::string text;    // without its line end
        std::string ending;  // "\r\n", "\n", or "" for a last line without one
        Kind kind = Kind::Other;
        std::string name;   // section or key name, blanks trimmed (Windows-1251)
        std::string value;  // key value, blanks trimmed, cut at a zero byte
    };

    static Line classify(std::string text, std::string ending, bool firstLine);
    // Index of the section header line, or npos.
    std::size_t findSection(std::string_view name) const;
    // One past the last line of the section whose header is at `header`.
    std::size_t sectionEnd(std::size_t header) const;
    std::size_t findKey(std::size_t header, std::string_view name) const;
    void insertLine(std::size_t position, std::string text);

    std::vector<Line> lines_;
};

}  // namespace m8163
