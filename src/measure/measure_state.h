#pragma once

#include <cstdint>
#include <string>

// Process-wide state of the measured-value page: the polling switch, its
// counters and the measurement log settings.

namespace m8163 {

struct PollingState {
    bool polling = false;  // whether the polling tick reads the measured value
    std::uint32_t cycles = 0;
    std::uint32_t measurementErrors = 0;
    std::uint32_t exchangeErrors = 0;
};

// Saved in the settings profile (sections IZM and ADC).
struct MeasurementLogSettings {
    int writeFile = 0;        // IZM write_file: 1 = append each reading
    std::string fileName;     // IZM izm_name
    int adcWriteFile = 0;     // ADC write_file: carried, no log uses it
    std::string adcFileName;  // ADC adc_name
};

}  // namespace m8163
