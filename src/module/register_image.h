#pragma once

#include <array>
#include <cstdint>
#include <optional>

// The program's copy of the module's registers and the record of the last
// measured-value read.

namespace m8163 {

// Word i (0 ... 21) holds register 0x0400 + i; word i (22 ... 84) holds
// register 0x0500 + (i - 22).
inline constexpr std::size_t kImageWords = 85;
inline constexpr std::size_t kFirstSensorWord = 22;

// Register addresses the program reads or writes.
namespace reg {
inline constexpr std::uint16_t kMeasuredValue = 0x0000;  // block of 7
inline constexpr std::uint16_t kModelCode = 0x0400;
inline constexpr std::uint16_t kFactoryNumber1 = 0x0401;
inline constexpr std::uint16_t kFactoryNumber2 = 0x0402;
inline constexpr std::uint16_t kHardwareVersion = 0x0403;
inline constexpr std::uint16_t kSoftwareVersion = 0x0404;
inline constexpr std::uint16_t kManufactureDay = 0x0405;
inline constexpr std::uint16_t kManufactureMonth = 0x0406;
inline constexpr std::uint16_t kManufactureYear = 0x0407;  // year minus 2000
inline constexpr std::uint16_t kNetworkNumber = 0x0408;
inline constexpr std::uint16_t kSpeedCode = 0x0409;
inline constexpr std::uint16_t kParityCode = 0x040A;
inline constexpr std::uint16_t kWatchdogTime = 0x040C;  // tenths of a second, 0 = off
inline constexpr std::uint16_t kUserText = 0x040E;      // 8 registers
inline constexpr std::uint16_t kBlinkCommand = 0x0416;  // write only
inline constexpr std::uint16_t kSensorType = 0x0500;
inline constexpr std::uint16_t kSquareRoot = 0x0503;
inline constexpr std::uint16_t kAveraging = 0x0507;
inline constexpr std::uint16_t kRangeMin = 0x0508;
inline constexpr std::uint16_t kRangeMax = 0x050A;
inline constexpr std::uint16_t kOffset = 0x0516;
inline constexpr std::uint16_t kAdjustment = 0x0518;
inline constexpr std::uint16_t kConstructionRangeMin = 0x051B;
inline constexpr std::uint16_t kConstructionRangeMax = 0x051D;
inline constexpr std::uint16_t kTypeName = 0x051F;  // 16 registers
}  // namespace reg

inline constexpr std::size_t kUserTextRegisters = 8;   // 16 characters
inline constexpr std::size_t kTypeNameRegisters = 16;  // 32 characters

// The word that holds a register: 0x0400 ... 0x0415 and 0x0500 ... 0x053E;
// no word for any other address.
constexpr std::optional<std::size_t> imageWordIndex(std::uint16_t address) {
    if (address >= 0x0400 && address < 0x0400 + kFirstSensorWord)
        return address - 0x0400u;
    if (address >= 0x0500 && address < 0x0500 + (kImageWords - kFirstSensorWord)) {
        return kFirstSensorWord + (address - 0x0500u);
    }
    return std::nullopt;
}

// The typed sensor settings, with the registers read beside them that the
// program does not interpret.
struct SensorSettings {
    std::uint16_t sensorType = 0;                  // 0x0500
    std::uint16_t squareRoot = 0;                  // 0x0503; only 1 means on
    std::uint16_t averaging = 0;                   // 0x0507, code 0 ... 9
    float rangeMin = 0.0f;                         // 0x0508-0x0509
    float rangeMax = 0.0f;                         // 0x050A-0x050B
    float offset = 0.0f;                           // 0x0516-0x0517
    float adjustment = 0.0f;                       // 0x0518-0x0519
    float constructionRangeMin = 0.0f;             // 0x051B-0x051C
    float constructionRangeMax = 0.0f;             // 0x051D-0x051E
    std::array<std::uint16_t, 2> reserved0501{};   // 0x0501-0x0502
    std::uint16_t reserved0504 = 0;                // 0x0504
    std::array<std::uint16_t, 2> reserved0505{};   // 0x0505-0x0506
    std::array<std::uint16_t, 10> reserved050C{};  // 0x050C-0x0515
};

struct RegisterImage {
    std::array<std::uint16_t, kImageWords> words{};
    SensorSettings sensor;

    // The word of a register address that imageWordIndex() maps; throws
    // std::out_of_range for any other address.
    std::uint16_t& word(std::uint16_t address) { return words.at(wordIndexOrThrow(address)); }
    std::uint16_t word(std::uint16_t address) const { return words.at(wordIndexOrThrow(address)); }

  private:
    static std::size_t wordIndexOrThrow(std::uint16_t address) {
        return imageWordIndex(address).value_or(kImageWords);  // at() rejects kImageWords
    }
};

// The last measured-value read (registers 0x0000-0x0003) and its exchange result.
struct MeasurementRecord {
    float izmf = 0.0f;  // IZMF, measured value
    std::uint16_t relativeValue = 0;
    std::uint16_t izmerr = 0;  // IZMERR, measurement status bits
    unsigned exerr = 0;        // EXERR, exchange result of the read
};

}  // namespace m8163
