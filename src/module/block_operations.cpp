#include "module/block_operations.h"

#include <algorithm>
#include <array>
#include <span>

#include "module/register_codec.h"

namespace m8163 {
namespace {

using Registers = std::span<const std::uint16_t>;
using Milliseconds = std::chrono::milliseconds;

struct ReadStep {
    Milliseconds pause;
    std::uint16_t start;
    std::uint16_t count;  // at most kMaxBlock
    void (*store)(RegisterImage& image, Registers values);
};

struct WriteStep {
    Milliseconds pause;
    std::uint16_t start;
    std::uint16_t count;  // at most kMaxBlock
    void (*fill)(const RegisterImage& image, std::span<std::uint16_t> values);
};

constexpr std::size_t kMaxBlock = 16;

// The transaction fills its buffer even when it fails, so the values go
// through a scratch buffer and reach the image only after a success.
ExchangeStatus runReads(const ModbusLine& line, EventPump& pump, RegisterImage& image,
                        std::span<const ReadStep> steps) {
    for (const ReadStep& step : steps) {
        pump.pause(step.pause);
        std::array<std::uint16_t, kMaxBlock> buffer{};
        auto values = std::span(buffer).first(step.count);
        ExchangeStatus status = readRegisters(line, step.start, values);
        if (!status.ok())
            return status;
        step.store(image, values);
    }
    return {};
}

ExchangeStatus runWrites(const ModbusLine& line, EventPump& pump, const RegisterImage& image,
                         std::span<const WriteStep> steps) {
    for (const WriteStep& step : steps) {
        pump.pause(step.pause);
        // Filled after the pause: a command run during it may have changed the image.
        std::array<std::uint16_t, kMaxBlock> buffer{};
        auto values = std::span(buffer).first(step.count);
        step.fill(image, values);
        ExchangeStatus status = writeRegisters(line, step.start, values);
        if (!status.ok())
            return status;
    }
    return {};
}

// Copies read values into the image words from the register `first` on.
template <std::uint16_t first>
void storeWords(RegisterImage& image, Registers values) {
    constexpr std::size_t index = *imageWordIndex(first);
    std::copy(values.begin(), values.end(), image.words.begin() + index);
}

template <std::uint16_t first>
void fillFromWords(const RegisterImage& image, std::span<std::uint16_t> values) {
    constexpr std::size_t index = *imageWordIndex(first);
    std::copy_n(image.words.begin() + index, values.size(), values.begin());
}

// The sensor read starts at the ten registers before the offset.
constexpr std::uint16_t kOffsetBlock = 0x050C;

// 14 registers from 0x050C: ten not interpreted, offset, adjustment.
void storeOffsetAdjustment(RegisterImage& image, Registers values) {
    SensorSettings& s = image.sensor;
    std::copy_n(values.begin(), s.reserved050C.size(), s.reserved050C.begin());
    s.offset = joinF32(values.subspan(reg::kOffset - kOffsetBlock, 2));
    s.adjustment = joinF32(values.subspan(reg::kAdjustment - kOffsetBlock, 2));
}

// 12 registers from 0x0500.
void storeSensorBlock(RegisterImage& image, Registers values) {
    SensorSettings& s = image.sensor;
    s.sensorType = values[0];
    s.reserved0501 = {values[1], values[2]};
    s.squareRoot = values[3];
    s.reserved0504 = values[4];
    s.reserved0505 = {values[5], values[6]};
    s.averaging = values[7];
    s.rangeMin = joinF32(values.subspan(8, 2));
    s.rangeMax = joinF32(values.subspan(10, 2));
}

// 4 registers from 0x051B.
void storeConstructionRange(RegisterImage& image, Registers values) {
    image.sensor.constructionRangeMin = joinF32(values.subspan(0, 2));
    image.sensor.constructionRangeMax = joinF32(values.subspan(2, 2));
}

void fillAveraging(const RegisterImage& image, std::span<std::uint16_t> values) {
    values[0] = image.sensor.averaging;
}

void fillOffsetAdjustment(const RegisterImage& image, std::span<std::uint16_t> values) {
    auto offset = splitF32(image.sensor.offset);
    auto adjustment = splitF32(image.sensor.adjustment);
    values[0] = offset[0];
    values[1] = offset[1];
    values[2] = adjustment[0];
    values[3] = adjustment[1];
}

}  // namespace

ExchangeStatus readSensorSettings(const ModbusLine& line, EventPump& pump, RegisterImage& image) {
    static constexpr ReadStep steps[] = {
        {kPauseBeforeRead, kOffsetBlock, 14, storeOffsetAdjustment},
        {kPauseBeforeRead, reg::kSensorType, 12, storeSensorBlock},
        {kPauseBeforeRead, reg::kConstructionRangeMin, 4, storeConstructionRange},
        {kPauseBeforeRead, reg::kUserText, kUserTextRegisters, storeWords<reg::kUserText>},
        {kPauseBeforeRead, reg::kTypeName, kTypeNameRegisters, storeWords<reg::kTypeName>},
    };
    return runReads(line, pump, image, steps);
}

ExchangeStatus writeSensorSettings(const ModbusLine& line, EventPump& pump,
                                   const RegisterImage& image) {
    static constexpr WriteStep steps[] = {
        {kPauseBeforeFirstWrite, reg::kAveraging, 1, fillAveraging},
        {kPauseBeforeNextWrite, reg::kOffset, 4, fillOffsetAdjustment},
        {kPauseBeforeNextWrite, reg::kUserText, kUserTextRegisters, fillFromWords<reg::kUserText>},
    };
    return runWrites(line, pump, image, steps);
}

ExchangeStatus readExchangeParameters(const ModbusLine& line, EventPump& pump,
                                      RegisterImage& image) {
    static constexpr ReadStep steps[] = {
        {kPauseBeforeRead, reg::kNetworkNumber, 5, storeWords<reg::kNetworkNumber>},
    };
    return runReads(line, pump, image, steps);
}

ExchangeStatus writeExchangeParameters(const ModbusLine& line, EventPump& pump,
                                       const RegisterImage& image) {
    static constexpr WriteStep steps[] = {
        {kPauseBeforeFirstWrite, reg::kNetworkNumber, 3, fillFromWords<reg::kNetworkNumber>},
    };
    return runWrites(line, pump, image, steps);
}

ExchangeStatus readModelCode(const ModbusLine& line, EventPump& pump, RegisterImage& image) {
    static constexpr ReadStep steps[] = {
        {kPauseBeforeRead, reg::kModelCode, 1, storeWords<reg::kModelCode>},
    };
    return runReads(line, pump, image, steps);
}

ExchangeStatus readFactoryData(const ModbusLine& line, EventPump& pump, RegisterImage& image) {
    static constexpr ReadStep steps[] = {
        {kPauseBeforeRead, reg::kFactoryNumber1, 2, storeWords<reg::kFactoryNumber1>},
        {kPauseBeforeRead, reg::kManufactureDay, 3, storeWords<reg::kManufactureDay>},
    };
    return runReads(line, pump, image, steps);
}

ExchangeStatus readVersions(const ModbusLine& line, EventPump& pump, RegisterImage& image) {
    static constexpr ReadStep steps[] = {
        {kPauseBeforeRead, reg::kHardwareVersion, 2, storeWords<reg::kHardwareVersion>},
    };
    ExchangeStatus status = runReads(line, pump, image, steps);
    if (status.ok())
        pump.pause(kPauseBeforeRead);
    return status;
}

ExchangeStatus readWatchdog(const ModbusLine& line, EventPump& pump, RegisterImage& image) {
    static constexpr ReadStep steps[] = {
        {kPauseBeforeRead, reg::kWatchdogTime, 1, storeWords<reg::kWatchdogTime>},
    };
    return runReads(line, pump, image, steps);
}

ExchangeStatus readExchangePage(const ModbusLine& line, EventPump& pump, RegisterImage& image) {
    using Operation = ExchangeStatus (*)(const ModbusLine&, EventPump&, RegisterImage&);
    for (Operation op :
         {readExchangeParameters, readFactoryData, readVersions, readWatchdog, readModelCode}) {
        ExchangeStatus status = op(line, pump, image);
        if (!status.ok())
            return status;
    }
    return {};
}

}  // namespace m8163
