#pragma once

#include <array>
#include <cstdint>
#include <string>

// konstr_type.prf: the texts a thermoconverter design name is put together
// from (design types, mounting lengths, case types), shown in the three
// catalogue lists of the sensor page. One section KONSTR with, per table, a
// highest index (type_line_val, long_line_val, case_line_val) and the
// entries konstr_type0, konstr_long0, konstr_case0, ...

namespace m8163 {

inline constexpr std::size_t kCatalogueCapacity = 64;

struct CatalogueTable {
    std::array<std::string, kCatalogueCapacity> entries;
    // Index of the last valid entry: the table holds highestIndex + 1
    // entries. Never above kCatalogueCapacity - 1.
    std::uint32_t highestIndex = 0;

    std::size_t size() const { return highestIndex + 1; }
};

struct DesignCatalogue {
    CatalogueTable designTypes;
    CatalogueTable mountingLengths;
    CatalogueTable caseTypes;
};

// The entry chosen in each catalogue list, as the settings profile keeps it
// (KONSTR konstr_line_index, konstr_long_index, konstr_case_index). May name
// an entry the catalogue does not have; the lists then show entry 0.
struct CatalogueSelection {
    std::int32_t designType = 0;
    std::int32_t mountingLength = 0;
    std::int32_t caseType = 0;
};

// Creates the file with the built-in catalogue when it is missing, reads the
// three tables and writes every key it read back, so that the file holds
// each entry the lists show. A highest index above 63 (or negative) is taken
// as 63; entries past it are ignored. Throws SettingsFileError.
void loadDesignCatalogue(const std::string& path, DesignCatalogue& catalogue);

}  // namespace m8163
