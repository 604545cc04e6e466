#include "sim/module_model.h"

#include <bit>
#include <cmath>
#include <numbers>

#include "base/cp1251.h"

namespace m8163::sim {

namespace {

constexpr std::uint16_t kMeasurementBase = 0x0000;
constexpr std::size_t kMeasurementSize = 7;
constexpr std::uint16_t kGeneralBase = 0x0400;
constexpr std::size_t kGeneralSize = 0x17;  // to 0x0416
constexpr std::uint16_t kSensorBase = 0x0500;
constexpr std::size_t kSensorSize = 0x3F;  // to 0x053E

constexpr std::uint8_t kReadFunction = 0x03;
constexpr std::uint8_t kWriteFunction = 0x10;
constexpr std::uint8_t kIllegalFunction = 1;
constexpr std::uint8_t kIllegalAddress = 2;
constexpr std::uint8_t kIllegalValue = 3;
constexpr unsigned kMaxReadCount = 125;
constexpr unsigned kMaxWriteCount = 123;

constexpr double kCentre = 25.0;
constexpr double kSwing = 2.0;
constexpr double kPeriodSeconds = 60.0;
constexpr double kRelativeFullScale = 10000.0;  // relative value in 0.01 %

std::vector<std::uint8_t> exception(std::uint8_t function, std::uint8_t code) {
    return {static_cast<std::uint8_t>(function | 0x80), code};
}

unsigned word(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<unsigned>(bytes[at]) << 8 | bytes[at + 1];
}

bool inRange(std::uint16_t address, std::uint16_t base, std::size_t size) {
    return address >= base && address < base + size;
}

// A value the module refuses for a writable register.
bool refused(std::uint16_t address, std::uint16_t value) {
    switch (address) {
        case reg::kNetworkNumber:
            return value < 1 || value > 247;
        case reg::kSpeedCode:
            return speedForCode(value) == 0;
        case reg::kParityCode:
            return value > kEven;
        case reg::kAveraging:
            return value > 9;
        default:
            return false;
    }
}

}  // namespace

ModuleModel::ModuleModel(const ModuleSetup& setup)
    : measurement_(kMeasurementSize),
      general_(kGeneralSize),
      sensor_(kSensorSize),
      init_(setup.init) {
    setReg(reg::kModelCode, 0x8163);
    setReg(0x0401, 12);    // factory number, first part
    setReg(0x0402, 3456);  // factory number, second part
    setReg(0x0403, 2);     // hardware version
    setReg(0x0404, 15);    // software version
    setReg(0x0405, 14);    // day of manufacture
    setReg(0x0406, 3);     // month
    setReg(0x0407, 11);    // year - 2000
    setReg(reg::kNetworkNumber, static_cast<std::uint16_t>(setup.address));
    setReg(reg::kSpeedCode, static_cast<std::uint16_t>(codeForSpeed(setup.format.speed)));
    setReg(reg::kParityCode, static_cast<std::uint16_t>(setup.format.parity));
    setReg(reg::kWatchdog, 50);  // 5.0 s
    setText(reg::kUserText, 16, "Цех 3, печь №2");

    setReg(reg::kSensorType, 8);  // platinum, Ro=100, W=1.391
    setReg(reg::kAveraging, 3);
    setReal(reg::kRangeMin, -50.0f);
    setReal(reg::kRangeMax, 150.0f);
    setReal(reg::kOffset, 0.0f);
    setReal(reg::kAdjustment, 1.0f);
    setReal(reg::kConstructionMin, -50.0f);
    setReal(reg::kConstructionMax, 200.0f);
    setText(reg::kTypeName, 32, "ТСП-8163 Pt100 гильза 8х120");
    updateMeasurement(0.0);
}

int ModuleModel::address() const {
    return init_ ? 1 : reg(reg::kNetworkNumber);
}

LineFormat ModuleModel::format() const {
    if (init_)
        return {19200, kNone};
    return {speedForCode(reg(reg::kSpeedCode)), reg(reg::kParityCode)};
}

bool ModuleModel::mapped(std::uint16_t address) {
    return inRange(address, kMeasurementBase, kMeasurementSize) ||
           inRange(address, kGeneralBase, kGeneralSize) ||
           inRange(address, kSensorBase, kSensorSize);
}

bool ModuleModel::writable(std::uint16_t address) {
    return (address >= 0x0408 && address <= 0x040A) || (address >= 0x040E && address <= 0x0416) ||
           address == 0x0507 || (address >= 0x0516 && address <= 0x0519);
}

std::uint16_t* ModuleModel::slot(std::uint16_t address) {
    if (inRange(address, kMeasurementBase, kMeasurementSize))
        return &measurement_[address - kMeasurementBase];
    if (inRange(address, kGeneralBase, kGeneralSize))
        return &general_[address - kGeneralBase];
    if (inRange(address, kSensorBase, kSensorSize))
        return &sensor_[address - kSensorBase];
    return nullptr;
}

const std::uint16_t* ModuleModel::slot(std::uint16_t address) const {
    return const_cast<ModuleModel*>(this)->slot(address);
}

std::uint16_t ModuleModel::reg(std::uint16_t address) const {
    const std::uint16_t* p = slot(address);
    return p ? *p : 0;
}

void ModuleModel::setReg(std::uint16_t address, std::uint16_t value) {
    if (std::uint16_t* p = slot(address))
        *p = value;
}

float ModuleModel::real(std::uint16_t address) const {
    std::uint32_t bits = static_cast<std::uint32_t>(reg(address)) << 16 |
                         reg(static_cast<std::uint16_t>(address + 1));
    return std::bit_cast<float>(bits);
}

void ModuleModel::setReal(std::uint16_t address, float value) {
    auto bits = std::bit_cast<std::uint32_t>(value);
    setReg(address, static_cast<std::uint16_t>(bits >> 16));
    setReg(static_cast<std::uint16_t>(address + 1), static_cast<std::uint16_t>(bits & 0xFFFF));
}

std::string ModuleModel::text(std::uint16_t address, std::size_t chars) const {
    std::string bytes;
    for (std::size_t i = 0; i < chars; ++i) {
        std::uint16_t value = reg(static_cast<std::uint16_t>(address + i / 2));
        auto byte = static_cast<char>(i % 2 == 0 ? value >> 8 : value & 0xFF);
        if (byte == '\0')
            break;
        bytes.push_back(byte);
    }
    return cp1251ToUtf8(bytes);
}

void ModuleModel::setText(std::uint16_t address, std::size_t chars, const std::string& utf8) {
    std::string bytes = utf8ToCp1251(utf8);
    bytes.resize(chars, '\0');
    for (std::size_t i = 0; i < chars; i += 2) {
        auto high = static_cast<std::uint8_t>(bytes[i]);
        auto low = i + 1 < chars ? static_cast<std::uint8_t>(bytes[i + 1]) : 0;
        setReg(static_cast<std::uint16_t>(address + i / 2),
               static_cast<std::uint16_t>(high << 8 | low));
    }
}

void ModuleModel::fixMeasurement(float raw) {
    fixed_ = true;
    fixedRaw_ = raw;
}

void ModuleModel::moveMeasurement() {
    fixed_ = false;
}

void ModuleModel::updateMeasurement(double seconds) {
    double raw = fixed_
                     ? fixedRaw_
                     : kCentre + kSwing * std::sin(2 * std::numbers::pi * seconds / kPeriodSeconds);
    double value = raw * real(reg::kAdjustment) + real(reg::kOffset);
    double low = real(reg::kRangeMin);
    double high = real(reg::kRangeMax);
    const bool forced = counters.requests >= forcedFirst_ && counters.requests <= forcedLast_;
    std::uint16_t status = forced ? forcedStatus_ : 0;
    if (value < low)
        status |= kStatusBelowRange;
    if (value > high)
        status |= kStatusAboveRange;
    double relative = high > low ? (value - low) / (high - low) * kRelativeFullScale : 0.0;
    if (!(relative > 0.0))
        relative = 0.0;  // NaN too
    if (relative > kRelativeFullScale)
        relative = kRelativeFullScale;
    setReal(reg::kMeasuredValue, static_cast<float>(value));
    setReg(reg::kRelativeValue, static_cast<std::uint16_t>(std::lround(relative)));
    setReg(reg::kStatus, status);
}

bool ModuleModel::requestRange(std::span<const std::uint8_t> pdu, std::uint16_t& first,
                               std::uint16_t& last) {
    if (pdu.size() < 5 || (pdu[0] != kReadFunction && pdu[0] != kWriteFunction))
        return false;
    unsigned start = word(pdu, 1);
    unsigned count = word(pdu, 3);
    if (count == 0)
        return false;
    first = static_cast<std::uint16_t>(start);
    last = static_cast<std::uint16_t>(std::min(start + count - 1, 0xFFFFu));
    return true;
}

std::vector<std::uint8_t> ModuleModel::execute(std::span<const std::uint8_t> pdu) {
    if (pdu.empty())
        return {};
    switch (pdu[0]) {
        case kReadFunction:
            return readRegisters(pdu);
        case kWriteFunction:
            return writeRegisters(pdu);
        default:
            return exception(pdu[0], kIllegalFunction);
    }
}

std::vector<std::uint8_t> ModuleModel::readRegisters(std::span<const std::uint8_t> pdu) const {
    if (pdu.size() != 5)
        return exception(kReadFunction, kIllegalValue);
    unsigned start = word(pdu, 1);
    unsigned count = word(pdu, 3);
    if (count == 0 || count > kMaxReadCount)
        return exception(kReadFunction, kIllegalValue);
    for (unsigned a = start; a < start + count; ++a) {
        if (a > 0xFFFF || !mapped(static_cast<std::uint16_t>(a)))
            return exception(kReadFunction, kIllegalAddress);
    }
    std::vector<std::uint8_t> reply = {kReadFunction, static_cast<std::uint8_t>(2 * count)};
    for (unsigned a = start; a < start + count; ++a) {
        // The blink command is a command, not a stored value.
        std::uint16_t value = a == reg::kBlink ? 0 : reg(static_cast<std::uint16_t>(a));
        reply.push_back(static_cast<std::uint8_t>(value >> 8));
        reply.push_back(static_cast<std::uint8_t>(value & 0xFF));
    }
    return reply;
}

std::vector<std::uint8_t> ModuleModel::writeRegisters(std::span<const std::uint8_t> pdu) {
    if (pdu.size() < 6)
        return exception(kWriteFunction, kIllegalValue);
    unsigned start = word(pdu, 1);
    unsigned count = word(pdu, 3);
    unsigned byteCount = pdu[5];
    if (count == 0 || count > kMaxWriteCount || byteCount != 2 * count ||
        pdu.size() != 6 + byteCount)
        return exception(kWriteFunction, kIllegalValue);
    for (unsigned a = start; a < start + count; ++a) {
        if (a > 0xFFFF || !writable(static_cast<std::uint16_t>(a)))
            return exception(kWriteFunction, kIllegalAddress);
    }
    for (unsigned i = 0; i < count; ++i) {
        auto value = static_cast<std::uint16_t>(word(pdu, 6 + 2 * i));
        if (refused(static_cast<std::uint16_t>(start + i), value))
            return exception(kWriteFunction, kIllegalValue);
    }
    bool exchangeParameters = false;
    for (unsigned i = 0; i < count; ++i) {
        auto address = static_cast<std::uint16_t>(start + i);
        auto value = static_cast<std::uint16_t>(word(pdu, 6 + 2 * i));
        if (address == reg::kBlink) {
            if (value == 1) {
                ++counters.blinks;
                blinked = true;
            }
            continue;
        }
        if (address >= reg::kNetworkNumber && address <= reg::kParityCode)
            exchangeParameters = true;
        setReg(address, value);
    }
    // Written exchange parameters end INIT mode: the module follows them.
    if (exchangeParameters)
        init_ = false;
    return {pdu.begin(), pdu.begin() + 5};
}

}  // namespace m8163::sim
