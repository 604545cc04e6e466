#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "config/design_catalogue.h"
#include "config/page_selector.h"
#include "measure/measure_state.h"
#include "module/register_image.h"
#include "search/search_settings.h"

// recent.prf, the settings profile: the register image (REG_HOLD reg_0 ...
// reg_84), the page shown (TAB num), the log switches and names (IZM, ADC),
// the search settings (Seach), the design-limited range (KONSTR_bound) and
// the catalogue selections (KONSTR), plus values that are only carried from
// one run to the next (TX INTERVAL, the Grad calibration constants).

namespace m8163 {

inline constexpr int kNotebookPages = 4;

// What the profile keeps that belongs to no other part of the program.
struct ProfileValues {
    CatalogueSelection catalogueSelection;
    std::int32_t interval = 10;  // TX INTERVAL
    // Grad SET_RA, SET_RB, SET_I20, SET_I5, SET_U100.
    std::array<float, 5> calibration = {40.0f, 160.0f, 20.0f, 5.0f, 100.0f};
};

// The owners of the values a profile load fills and a save writes.
struct ProfileParts {
    RegisterImage& image;
    MeasurementLogSettings& measurementLog;
    SearchSettings& search;
    ProfileValues& values;
    PageSelector& pages;
};

// Creates the profile with its defaults when it is missing, fills `parts`,
// writes back the keys a load normalises, and then loads the design
// catalogue from `cataloguePath`. Out-of-range network number, speed code
// and parity code in the register image are corrected silently. Throws
// SettingsFileError; the values read before stay in force.
void loadProfile(const std::string& path, const std::string& cataloguePath,
                 const ProfileParts& parts, DesignCatalogue& catalogue);

// Writes what the user may have changed during the run; a profile without
// write permission is replaced all the same. Log file names, the catalogue
// and the other constants of the file stay as they are. Throws
// SettingsFileError.
void saveProfile(const std::string& path, const ProfileParts& parts);

}  // namespace m8163
