#pragma once

#include <chrono>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "sim/frame.h"
#include "sim/module_model.h"

// A line of simulated modules: takes one request frame as the line carried
// it and gives the bytes to send back with their timing. Pure logic, no I/O.

namespace m8163::sim {

struct Reply {
    std::vector<std::uint8_t> bytes;     // empty: nobody answers
    std::chrono::milliseconds delay{0};  // silence before the first byte
    std::size_t gapAfter = 0;            // with `gap`: bytes sent before the pause
    std::chrono::milliseconds gap{0};    // silence inside the reply
    std::vector<std::string> events;     // one line per notable event (a blink)
};

class Line {
  public:
    // No modules given: one module at address 1, 19200 bit/s, no parity.
    explicit Line(std::vector<ModuleModel> modules = {}, std::uint32_t seed = 1);

    // One request frame (address, PDU, CRC). A frame with a bad CRC is
    // ignored. Modules whose own speed and parity equal `format` hear it:
    // the one with the frame's address answers (several at one address all
    // answer, one after the other, as a collision would); address 0 is a
    // broadcast that every module carries out without answering. `seconds`
    // (since start) moves the measured values.
    Reply handle(std::span<const std::uint8_t> frame, const LineFormat& format, double seconds);

    std::vector<ModuleModel>& modules() { return modules_; }
    const std::vector<ModuleModel>& modules() const { return modules_; }
    // The module whose own address is `address` now, or nullptr.
    ModuleModel* find(int address);

    std::uint64_t badFrames() const { return badFrames_; }

  private:
    bool strikes(Fault& fault);
    // The reply of one addressed module, shaped by the faults that strike.
    void answer(ModuleModel& module, std::uint8_t address, std::span<const std::uint8_t> pdu,
                Reply& reply);

    std::vector<ModuleModel> modules_;
    std::mt19937 random_;
    std::uint64_t badFrames_ = 0;
};

}  // namespace m8163::sim
