#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "link/line_format.h"

// The found-device table: the modules a search found, in the order found.
// Entries fill from index 0 without gaps; an entry of speed 0 is empty and
// ends the table.

namespace m8163 {

struct SearchHit {
    int speed = 0;  // bit/s; 0: an empty entry
    unsigned address = 0;
    Parity parity = Parity::None;

    bool operator==(const SearchHit&) const = default;
};

// The table holds 33 modules; the 33rd ends the search.
inline constexpr std::size_t kFoundTableSize = 33;

struct FoundDevices {
    std::array<SearchHit, kFoundTableSize> entries{};

    // The filled entries, up to the first empty one.
    std::size_t count() const;
    // Every entry empty.
    void clear() { entries = {}; }
    // Into the first empty entry; false when the table is full.
    bool add(const SearchHit& hit);
};

// The list row of an entry: "Скорость 19200 без парит. Сет. номер 1".
std::string foundRowText(const SearchHit& hit);

// The entry that a click on list row `row` takes over, with a speed outside
// the line-format table replaced by 19200; nothing for no row or an empty
// entry.
std::optional<SearchHit> foundEntryToTakeOver(const FoundDevices& table, int row);

}  // namespace m8163
