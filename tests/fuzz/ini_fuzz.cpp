// libFuzzer target for the settings-file reader and writer: any bytes must
// parse, come back unchanged when nothing is written or when a value is
// written back as it was read, and a write must change exactly the one value
// it names. The last byte of some inputs also picks what the file is on disk:
// a plain file that is loaded and saved, or a FIFO, a link to /dev/zero, a
// folder or a file over 1 MiB, which must be refused and left as they were.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "base/cp1251.h"
#include "config/ini_document.h"
#include "config/ini_file.h"

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

// Characters of a UTF-8 text: the bytes that do not continue a sequence.
std::size_t characters(std::string_view text) {
    std::size_t count = 0;
    for (char c : text)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

// The text without the blanks that a write drops around names and values.
std::string withoutBlanks(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (std::string_view(" \t\r\v\f\x1A").find(c) == std::string_view::npos)
            out += c;
    }
    return out;
}

// A load writes back what it read: no byte but the blanks around a value may
// change, as long as the read did not cut the value (at a zero byte, which
// ends a value as in the Windows reader, or at its greatest length).
void checkWriteBack(std::string_view bytes) {
    if (bytes.find('\0') != std::string_view::npos)
        return;
    IniDocument document(bytes);
    for (const char* section : kSections) {
        for (const char* key : kKeys) {
            auto value = document.find(section, key);
            if (value && characters(*value) < m8163::kIniMaxValueLength)
                document.writeString(section, key, *value);
        }
    }
    check(withoutBlanks(document.bytes()) == withoutBlanks(bytes),
          "a value written back as read changed the file");
}

namespace fs = std::filesystem;

// One folder for the whole run, removed at exit. Never destroyed, so that
// the exit handler still has its name.
const std::string& scratchFolder() {
    static const std::string* folder = [] {
        std::string pattern = (fs::temp_directory_path() / "ini_fuzz-XXXXXX").string();
        check(::mkdtemp(pattern.data()) != nullptr, "no scratch folder");
        auto* name = new std::string(pattern);
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(scratchFolder(), ignored);
        });
        return name;
    }();
    return *folder;
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string describe(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return "missing";
    return std::to_string(info.st_mode) + " " + std::to_string(info.st_size) + " " +
           std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
}

// `bytes` as dev.dat of the kind `kind` picks, opened as a load opens it.
void checkOnDisk(std::string_view bytes, unsigned kind) {
    const std::string path = scratchFolder() + "/dev.dat";
    std::error_code ignored;
    fs::remove_all(path, ignored);
    // Leftovers of a killed save, named from the input: only well-formed
    // names of processes that are gone may be removed, and nothing may break.
    std::string leftover = ".dev.dat.save-";
    for (char c : bytes.substr(0, 16)) {
        if (c != '/' && c != '\0')
            leftover += c;
    }
    std::ofstream(scratchFolder() + "/" + leftover) << "left over";

    const bool plain = kind >= 4;
    switch (kind) {
        case 0:
            check(::mkfifo(path.c_str(), 0600) == 0, "mkfifo");
            break;
        case 1:
            fs::create_symlink("/dev/zero", path);
            break;
        case 2:
            fs::create_directory(path);
            break;
        default: {
            std::ofstream out(path, std::ios::binary);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            out.close();
            if (kind == 3)
                fs::resize_file(path, (1u << 20) + 1 + bytes.size());
        }
    }
    const std::string before = describe(path);
    try {
        m8163::IniFile ini(path);
        check(plain, "a file that is not plain was read");
        check(ini.bytes() == bytes, "the file read is not the file");
        ini.writeString("LOG", "UseLogFile", "1");
        const std::string written = ini.bytes();
        ini.save();
        check(fileBytes(path) == written, "the saved file is not the text");
    } catch (const m8163::SettingsFileError& error) {
        check(!plain, "a plain file was refused");
        check(error.path() == path, "the error names another file");
        check(describe(path) == before, "a refused file was touched");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    IniDocument document(bytes);
    check(document.bytes() == bytes, "unchanged document lost bytes");
    checkWriteBack(bytes);
    // One input in about six goes to disk: a save syncs, and that is slow.
    if (size > 0 && data[size - 1] % 32 < 5)
        checkOnDisk(bytes, data[size - 1] % 32);

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
