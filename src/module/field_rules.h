#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// The limits of the values a user may give the module, shared by every
// front end that takes them (the window's pages, the command-line tool).

namespace m8163 {

// The averaging register holds the index of the number of readings averaged.
inline constexpr std::array<int, 10> kAveragingCounts = {1, 2, 4, 8, 16, 32, 64, 128, 256, 512};

// The register code of an averaging count; nullopt for a count not in the list.
std::optional<std::uint16_t> averagingCode(int count);
// The count a register code stands for; nullopt for a code outside the list.
std::optional<int> averagingCount(std::uint16_t code);

// Module numbers the user can pick: 0 ... 247.
inline constexpr int kLastModuleNumber = 247;

// The user text holds 16 Windows-1251 characters.
inline constexpr std::size_t kUserTextCharacters = 16;
// Whether a UTF-8 text fits the user text as it is: at most 16 characters,
// each with a Windows-1251 form. Packing a text that does not fit would cut
// it or turn characters into '?'.
bool userTextFits(std::string_view text);

// What a refused offset or adjustment is told.
inline constexpr std::string_view kOffsetRefused =
    "Данные смещения не удается представить числом. Проверьте поле ввода.";
inline constexpr std::string_view kAdjustmentRefused =
    "Данные подстройки не удается представить числом. Проверьте поле ввода.";

}  // namespace m8163
