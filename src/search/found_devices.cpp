#include "search/found_devices.h"

namespace m8163 {

std::size_t FoundDevices::count() const {
    std::size_t n = 0;
    while (n < entries.size() && entries[n].speed != 0)
        ++n;
    return n;
}

bool FoundDevices::add(const SearchHit& hit) {
    const std::size_t n = count();
    if (n == entries.size())
        return false;
    entries[n] = hit;
    return true;
}

std::string foundRowText(const SearchHit& hit) {
    static constexpr const char* kShortParityTexts[] = {"без парит.", "нечёт. пар.", "чет. пар."};
    std::string row = "Скорость ";
    row.append(std::to_string(hit.speed))
        .append(" ")
        .append(kShortParityTexts[parityCode(hit.parity)])
        .append(" Сет. номер ")
        .append(std::to_string(hit.address));
    return row;
}

std::optional<SearchHit> foundEntryToTakeOver(const FoundDevices& table, int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= table.count())
        return std::nullopt;
    SearchHit entry = table.entries[static_cast<std::size_t>(row)];
    if (lineFormatByBitRate(entry.speed) == nullptr)
        entry.speed = 19200;
    return entry;
}

}  // namespace m8163
