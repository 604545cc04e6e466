#pragma once

#include <array>
#include <cstdint>

// The program's copy of the module's registers and the record of the last
// measured-value read.

namespace m8163 {

// Word i (0 ... 21) holds register 0x0400 + i; word i (22 ... 84) holds
// register 0x0500 + (i - 22).
inline constexpr std::size_t kImageWords = 85;
inline constexpr std::size_t kFirstSensorWord = 22;

// The typed sensor settings, with the registers read beside them that the
// program does not interpret.
struct SensorSettings {
    std::uint16_t sensorType = 0;  // 0x0500
    std::uint16_t squareRoot = 0;  // 0x0503; only 1 means on
    std::uint16_t averaging = 0;   // 0x0507, code 0 ... 9
    float rangeMin = 0.0f;         // 0x0508-0x0509
    float rangeMax = 0.0f;         // 0x050A-0x050B
    float offset = 0.0f;           // 0x0516-0x0517
    float adjustment = 0.0f;       // 0x0518-0x0519
    float constructionRangeMin = 0.0f;  // 0x051B-0x051C
    float constructionRangeMax = 0.0f;  // 0x051D-0x051E
    std::array<std::uint16_t, 2> reserved0501{};  // 0x0501-0x0502
    std::uint16_t reserved0504 = 0;               // 0x0504
    std::array<std::uint16_t, 2> reserved0505{};  // 0x0505-0x0506
    std::array<std::uint16_t, 10> reserved050C{};  // 0x050C-0x0515
};

struct RegisterImage {
    std::array<std::uint16_t, kImageWords> words{};
    SensorSettings sensor;
};

// The last measured-value read (registers 0x0000-0x0003) and its exchange result.
struct MeasurementRecord {
    float izmf = 0.0f;              // IZMF, measured value
    std::uint16_t relativeValue = 0;
    std::uint16_t izmerr = 0;       // IZMERR, measurement status bits
    unsigned exerr = 0;             // EXERR, exchange result of the read
};

}  // namespace m8163
