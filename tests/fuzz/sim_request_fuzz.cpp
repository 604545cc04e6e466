// libFuzzer target for the simulated module's request handling: any frame
// as the line carries it, at any line format. Properties: a frame whose CRC
// is wrong is never answered; an answer is a whole frame with its CRC, from
// the address asked, with the function asked (or its exception); a
// broadcast is never answered; the module stays at an address and line
// format it can take.

#include <cstdint>
#include <vector>

#include "fuzz_input.h"
#include "sim/frame.h"
#include "sim/line.h"

using m8163::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    m8163::fuzz::FuzzInput input(data, size);
    const std::uint8_t choice = input.byte();
    const auto given = input.rest();
    std::vector<std::uint8_t> frame(given.begin(), given.end());
    // Most inputs get their CRC made right, so that the requests reach the
    // module; the others test the refusal of a wrong one.
    if ((choice & 0x01) != 0 && frame.size() >= 2) {
        frame.resize(frame.size() - 2);
        m8163::sim::appendCrc(frame);
    }
    m8163::sim::ModuleSetup setup;
    setup.init = (choice & 0x02) != 0;
    m8163::sim::Line line({m8163::sim::ModuleModel(setup)});
    const m8163::sim::LineFormat format = (choice & 0x04) != 0
                                              ? m8163::sim::LineFormat{9600, m8163::sim::kEven}
                                              : m8163::sim::LineFormat{};
    const auto reply = line.handle(frame, format, 1.5);

    if (!m8163::sim::crcMatches(frame)) {
        check(reply.bytes.empty(), "a frame with a wrong CRC was answered");
        return 0;
    }
    if (frame[0] == 0)
        check(reply.bytes.empty(), "a broadcast was answered");
    if (!reply.bytes.empty()) {
        check(reply.bytes.size() >= 5 && m8163::sim::crcMatches(reply.bytes),
              "an answer without its CRC");
        check(reply.bytes[0] == frame[0], "an answer from another address");
        check(frame.size() >= 4 &&
                  (reply.bytes[1] == frame[1] || reply.bytes[1] == (frame[1] | 0x80)),
              "an answer to another function");
    }
    const auto& module = line.modules().front();
    check(module.address() >= 1 && module.address() <= 247, "the module took a bad address");
    check(m8163::sim::codeForSpeed(module.format().speed) != 0 && module.format().parity >= 0 &&
              module.format().parity <= 2,
          "the module took a bad line format");
    return 0;
}
