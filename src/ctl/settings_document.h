#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ctl/json_reader.h"
#include "link/line_format.h"
#include "module/register_image.h"

// The file of `m8163ctl save` and `restore`: one module's identity, exchange
// parameters and sensor settings as one JSON document (the field list is in
// docs/m8163ctl.md), and what a restore takes from it.

namespace m8163::ctl {

// The version of the document's layout; a reader refuses any other.
inline constexpr int kSettingsFormat = 1;

// Files larger than this are no settings document (one is about 2 KiB).
inline constexpr std::size_t kSettingsFileMaxBytes = 256 * 1024;

// Where the module was reached when it was saved.
struct SavedLine {
    int address = 0;
    int speed = 0;
    Parity parity = Parity::None;
};

// The document of a module whose exchange page and sensor settings were read
// into `image`; `savedAt` is the ISO 8601 time of the save.
std::string settingsDocument(const RegisterImage& image, const SavedLine& line,
                             const std::string& savedAt);

// A document that cannot be restored; what() names the field and why.
struct DocumentRefused : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What a restore writes: averaging, offset, adjustment and user text in
// `image` (and network number, speed code and parity code in words 8-10 with
// `exchange`), each checked by the rules the pages apply to what a user
// enters, before anything is sent.
struct RestorePlan {
    std::optional<std::uint16_t> modelCode;  // nullopt: the file names none that reads
    RegisterImage image;
    bool exchange = false;
    int speed = 0;  // bit/s of the written speed code, with `exchange`
    Parity parity = Parity::None;
    int address = 0;
};

// Throws DocumentRefused.
RestorePlan restorePlan(const JsonValue& document, bool exchange);

// A value that the module holds otherwise than the file says.
struct FieldDifference {
    std::string field;  // as named in the document, e.g. "sensor.offset"
    std::string file;
    std::string module;
};

// Compares what a restore wrote (`plan`) with what was read back; the
// exchange parameters only when the plan wrote them.
std::vector<FieldDifference> readBackDifferences(const RestorePlan& plan,
                                                 const RegisterImage& readBack);

// A real as the document carries it: the shortest text that reads back to
// the same single; null for an infinity or NaN.
std::string jsonReal(float value);

}  // namespace m8163::ctl
