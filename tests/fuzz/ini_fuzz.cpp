// libFuzzer target for the settings-file reader and writer: any bytes must
// parse, come back unchanged when nothing is written, and a write must change
// exactly the one value it names.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/cp1251.h"
#include "config/ini_document.h"

namespace {

using m8163::IniDocument;

constexpr const char* kSections[] = {"COM_SETTINGS", "LOG", "Seach", "KONSTR", "Grad", "Имя"};
constexpr const char* kKeys[] = {"Number", "Settings", "NetAdrr", "1200", "konstr_type0", "Ключ"};

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "ini_fuzz: %s\n", what);
        std::abort();
    }
}

// A value that reads back as written: printable, no blanks or quotes at
// the ends, no byte that Windows-1251 leaves unassigned.
std::string safeValue(std::string_view bytes) {
    std::string cp1251;
    for (char c : bytes.substr(0, 64)) {
        auto b = static_cast<unsigned char>(c);
        if (b > 0x20 && b != 0x7F && b != 0x98 && c != '"' && c != '\'')
            cp1251 += c;
    }
    return m8163::cp1251ToUtf8(cp1251);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    IniDocument document(bytes);
    check(document.bytes() == bytes, "unchanged document lost bytes");

    std::string before[std::size(kSections)][std::size(kKeys)];
    for (std::size_t s = 0; s < std::size(kSections); ++s) {
        for (std::size_t k = 0; k < std::size(kKeys); ++k) {
            before[s][k] = document.readString(kSections[s], kKeys[k], "\x01");
            check(before[s][k].size() <= 3 * m8163::kIniMaxValueLength, "value too long");
            (void)document.readInt(kSections[s], kKeys[k], 7);
            (void)document.readReal(kSections[s], kKeys[k], "-50.0");
        }
    }

    const std::size_t section = size > 0 ? data[0] % std::size(kSections) : 0;
    const std::size_t key = size > 1 ? data[1] % std::size(kKeys) : 0;
    const std::string value = safeValue(bytes.substr(size > 2 ? 2 : size));
    document.writeString(kSections[section], kKeys[key], value);
    document.writeInt("COM_SETTINGS", "TimeOut", -2147483647 - 1);
    document.writeReal("KONSTR_bound", "min", -12.5f);

    const std::string written = document.bytes();
    IniDocument reread(written);
    check(reread.bytes() == written, "written document does not parse back to itself");
    check(reread.readString(kSections[section], kKeys[key], "\x01") == value,
          "written text does not read back");
    check(reread.readInt("COM_SETTINGS", "TimeOut", 0) == -2147483647 - 1,
          "written integer does not read back");
    check(reread.readReal("KONSTR_bound", "min", "0") == -12.5f, "written real does not read back");
    for (std::size_t s = 0; s < std::size(kSections); ++s) {
        for (std::size_t k = 0; k < std::size(kKeys); ++k) {
            if (s == section && k == key)
                continue;
            if (std::string_view(kSections[s]) == "COM_SETTINGS" &&
                std::string_view(kKeys[k]) == "TimeOut")
                continue;
            check(reread.readString(kSections[s], kKeys[k], "\x01") == before[s][k],
                  "a write changed another value");
        }
    }
    return 0;
}
