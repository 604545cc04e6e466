#include "config/design_catalogue.h"

#include <initializer_list>
#include <string_view>

#include "config/ini_file.h"

namespace m8163 {
namespace {

constexpr char kSection[] = "KONSTR";

// Resistance thermometers ("ТС ...") first, then thermocouples ("ТП ...").
// Written with a trailing blank, which a read drops.
constexpr std::string_view kDesignTypes[] = {
    "ТС 1088/1 ", "ТС 1088/2 ", "ТС 1187 ", "ТС 1288/1 ", "ТС 1288/2 ", "ТС 1388 ",
    "ТС 1788 ",   "ТС 1893 ",   "ТС 1993 ", "ТП 2088/1 ", "ТП 2088/2 ", "ТП 2187 ",
    "ТП 2288/1 ", "ТП 2288/2 ", "ТП 2388 ", "ТП 2488 ",   "ТП 2588 ",   "ТП 2688 ",
    "ТП 2788 ",   "ТП 2893 ",   "ТП 2993 ", "ТП 3088 ",   "ТП 3188 ",   "ТП 3288 ",
    "ТП 3388 ",   "ТП 3493 ",
};

constexpr std::string_view kMountingLengths[] = {
    "L=60",  "L=80",  "L=100", "L=120",  "L=160",  "L=200",  "L=250",  "L=320",  "L=400",
    "L=500", "L=630", "L=800", "L=1000", "L=1250", "L=1600", "L=2000", "L=3150",
};

constexpr std::string_view kCaseTypes[] = {"ГП-1", "ГА-1"};

struct TableKeys {
    const char* count;       // key of the highest index
    const char* entry;       // entry key without its index
    std::string_view blank;  // text of a missing entry
};

constexpr TableKeys kDesignTypeKeys{"type_line_val", "konstr_type", "Т      "};
constexpr TableKeys kMountingLengthKeys{"long_line_val", "konstr_long", "L=60 "};
constexpr TableKeys kCaseTypeKeys{"case_line_val", "konstr_case", "ГП-1 "};

std::string entryKey(const TableKeys& keys, std::size_t index) {
    return keys.entry + std::to_string(index);
}

template <std::size_t N>
void writeCreatedTable(IniDocument& ini, const TableKeys& keys,
                       const std::string_view (&texts)[N]) {
    for (std::size_t i = 0; i < N; ++i)
        ini.writeString(kSection, entryKey(keys, i), texts[i]);
    ini.writeInt(kSection, keys.count, static_cast<std::int64_t>(N - 1));
}

void loadTable(IniDocument& ini, const TableKeys& keys, CatalogueTable& table) {
    auto highest = static_cast<std::uint32_t>(ini.readInt(kSection, keys.count, 0));
    if (highest > kCatalogueCapacity - 1)
        highest = kCatalogueCapacity - 1;
    ini.writeInt(kSection, keys.count, highest);
    table = CatalogueTable{};
    table.highestIndex = highest;
    for (std::size_t i = 0; i <= highest; ++i) {
        std::string key = entryKey(keys, i);
        table.entries[i] = ini.readString(kSection, key, keys.blank);
        ini.writeString(kSection, key, table.entries[i]);
    }
}

}  // namespace

void loadDesignCatalogue(const std::string& path, DesignCatalogue& catalogue) {
    IniFile ini(path);
    if (!ini.existed()) {
        writeCreatedTable(ini, kDesignTypeKeys, kDesignTypes);
        writeCreatedTable(ini, kMountingLengthKeys, kMountingLengths);
        writeCreatedTable(ini, kCaseTypeKeys, kCaseTypes);
    }
    loadTable(ini, kDesignTypeKeys, catalogue.designTypes);
    loadTable(ini, kMountingLengthKeys, catalogue.mountingLengths);
    loadTable(ini, kCaseTypeKeys, catalogue.caseTypes);
    ini.save();
}

}  // namespace m8163
