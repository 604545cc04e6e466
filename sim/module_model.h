#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sim/frame.h"

// One simulated 8163 module: its registers, its own line settings, the
// Modbus functions 03 and 16 on them, injected faults and counters. Pure
// data and logic, no I/O; not thread-safe (PtyServer guards it).

namespace m8163::sim {

// What a module is built with.
struct ModuleSetup {
    int address = 1;  // network number, 1 ... 247
    LineFormat format;
    // INIT mode: the module answers at address 1, 19200 bit/s, no parity,
    // whatever its registers hold, until its exchange parameters are written.
    bool init = false;
};

enum class FaultKind {
    Silence,       // no reply; the request is not carried out
    CorruptCrc,    // reply with a wrong CRC
    WrongAddress,  // reply carries another address (with a valid CRC)
    Truncate,      // the last `amount` bytes of the reply are dropped
    ExtraBytes,    // `amount` bytes (0x55) are sent after the reply
    Delay,         // `amount` ms pass before the first byte of the reply
    Gap,           // `amount` ms of silence in the middle of the reply
    Exception,     // exception reply with code `amount`, request not carried out
    KeepOld,       // a write is answered as done, but the registers keep their values
};

struct Fault {
    FaultKind kind = FaultKind::Silence;
    int amount = 0;            // bytes, milliseconds or exception code, by kind
    double probability = 1.0;  // chance of striking each request it applies to
    int count = -1;            // strikes left; -1 = no limit. Spent faults are removed.
    // Exception and KeepOld only: the fault applies to requests that touch a
    // register of first ... last (KeepOld: writes only).
    std::uint16_t first = 0x0000;
    std::uint16_t last = 0xFFFF;
    // Strikes only every `every`-th request it applies to (the every-th,
    // twice every-th, ...); `seen` counts them.
    int every = 1;
    int seen = 0;
};

struct ModuleCounters {
    std::uint64_t requests = 0;  // frames for this module (broadcasts included) at its format
    std::uint64_t replies = 0;   // frames it sent
    std::uint64_t blinks = 0;    // 1 written to 0x0416
};

// Register addresses the simulator and its tests use by name.
namespace reg {
constexpr std::uint16_t kMeasuredValue = 0x0000;  // f32
constexpr std::uint16_t kRelativeValue = 0x0002;
constexpr std::uint16_t kStatus = 0x0003;
constexpr std::uint16_t kModelCode = 0x0400;
constexpr std::uint16_t kNetworkNumber = 0x0408;
constexpr std::uint16_t kSpeedCode = 0x0409;
constexpr std::uint16_t kParityCode = 0x040A;
constexpr std::uint16_t kWatchdog = 0x040C;
constexpr std::uint16_t kUserText = 0x040E;  // 16 characters
constexpr std::uint16_t kBlink = 0x0416;
constexpr std::uint16_t kSensorType = 0x0500;
constexpr std::uint16_t kAveraging = 0x0507;
constexpr std::uint16_t kRangeMin = 0x0508;         // f32
constexpr std::uint16_t kRangeMax = 0x050A;         // f32
constexpr std::uint16_t kOffset = 0x0516;           // f32
constexpr std::uint16_t kAdjustment = 0x0518;       // f32
constexpr std::uint16_t kConstructionMin = 0x051B;  // f32
constexpr std::uint16_t kConstructionMax = 0x051D;  // f32
constexpr std::uint16_t kTypeName = 0x051F;         // 32 characters
}  // namespace reg

// Status word bits (register 0x0003).
enum StatusBit : std::uint16_t {
    kStatusBreak = 0x01,
    kStatusBelowRange = 0x02,
    kStatusAboveRange = 0x04,
    kStatusEeprom = 0x08,
    kStatusAdc = 0x10,
};

class ModuleModel {
  public:
    explicit ModuleModel(const ModuleSetup& setup = {});

    // The address and line format it answers at (INIT mode: 1, 19200, none).
    int address() const;
    LineFormat format() const;
    bool initMode() const { return init_; }

    // Readable registers: 0x0000-0x0006, 0x0400-0x0416, 0x0500-0x053E.
    static bool mapped(std::uint16_t address);
    // Writable by function 16: 0x0408-0x040A, 0x040E-0x0416, 0x0507, 0x0516-0x0519.
    static bool writable(std::uint16_t address);

    // Direct access for setting up and checking (no Modbus rules); unmapped
    // addresses read 0 and ignore writes. Setting 0x0408-0x040A changes the
    // line settings the module answers at.
    std::uint16_t reg(std::uint16_t address) const;
    void setReg(std::uint16_t address, std::uint16_t value);
    float real(std::uint16_t address) const;  // high word at `address`
    void setReal(std::uint16_t address, float value);
    // Texts: Windows-1251 on the registers, UTF-8 here; `chars` bytes long.
    std::string text(std::uint16_t address, std::size_t chars) const;
    void setText(std::uint16_t address, std::size_t chars, const std::string& utf8);

    // The measured value follows a slow sine around 25.0 (period one minute),
    // scaled by the adjustment and shifted by the offset, unless fixed here.
    void fixMeasurement(float raw);
    void moveMeasurement();
    // Status bits set on top of the range bits the value gives: always, or
    // only while the module's request counter is within first ... last.
    void setForcedStatus(std::uint16_t bits, std::uint64_t first = 0,
                         std::uint64_t last = UINT64_MAX) {
        forcedStatus_ = bits;
        forcedFirst_ = first;
        forcedLast_ = last;
    }
    // Brings the measurement registers to time `seconds` (since start).
    void updateMeasurement(double seconds);

    // Carries out one request PDU (function code and data, no address or CRC)
    // and returns the reply PDU: the normal reply or function + 0x80 and an
    // exception code. 1: any function but 03 and 16; 2: a register outside the
    // map or not writable; 3: a count of 0 or above 125 (123 for a write), a
    // byte count or frame length that does not fit, or a value the module
    // refuses (network number outside 1 ... 247, speed code outside 3 ... 10,
    // parity above 2, averaging above 9).
    std::vector<std::uint8_t> execute(std::span<const std::uint8_t> pdu);

    // First ... last register a read or write PDU touches; false for other PDUs.
    static bool requestRange(std::span<const std::uint8_t> pdu, std::uint16_t& first,
                             std::uint16_t& last);

    std::vector<Fault> faults;
    ModuleCounters counters;
    // Set by execute() when the module was told to blink; the caller clears it.
    bool blinked = false;

  private:
    std::uint16_t* slot(std::uint16_t address);
    const std::uint16_t* slot(std::uint16_t address) const;
    std::vector<std::uint8_t> readRegisters(std::span<const std::uint8_t> pdu) const;
    std::vector<std::uint8_t> writeRegisters(std::span<const std::uint8_t> pdu);

    std::vector<std::uint16_t> measurement_;  // 0x0000 ...
    std::vector<std::uint16_t> general_;      // 0x0400 ...
    std::vector<std::uint16_t> sensor_;       // 0x0500 ...
    bool init_ = false;
    bool fixed_ = false;
    float fixedRaw_ = 0.0f;
    std::uint16_t forcedStatus_ = 0;
    std::uint64_t forcedFirst_ = 0;
    std::uint64_t forcedLast_ = UINT64_MAX;
};

}  // namespace m8163::sim
