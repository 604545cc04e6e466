// libFuzzer target for m8163ctl's option parser: any argument vector (the
// input's zero bytes separate the arguments). Properties: a bad command line
// is refused with a usage error and nothing else escapes; what is accepted
// holds only values the line and the module take; the same arguments parse
// the same way twice.

#include <cstdint>
#include <string>
#include <vector>

#include "ctl/options.h"
#include "fuzz_input.h"
#include "link/line_format.h"

namespace {

using m8163::fuzz::check;

bool listedSpeed(int speed) {
    return m8163::lineFormatByBitRate(speed) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }
    if (args.size() > 64)
        return 0;

    bool general = false;
    m8163::ctl::Options options;
    try {
        options = m8163::ctl::parseOptions(args, general);
    } catch (const m8163::ctl::UsageError& error) {
        check(error.what()[0] != '\0', "a usage error without a reason");
        return 0;
    }
    const auto& line = options.line;
    check(!line.speed || listedSpeed(*line.speed), "an unlisted line speed");
    check(!line.com || (*line.com >= 1 && *line.com <= 8), "a COM number out of range");
    check(!line.address || (*line.address >= 0 && *line.address <= 255),
          "a module address out of range");
    check(!line.timeoutMs || (*line.timeoutMs >= 0 && *line.timeoutMs <= 60000),
          "a time-out out of range");
    check(!line.device || !line.device->empty(), "an empty device");
    check(options.interval.count() >= 0, "a negative interval");
    check(!options.count || *options.count >= 1, "a count of 0");
    if (options.command == m8163::ctl::Command::ExchangeSet && !options.help && !options.version) {
        check(listedSpeed(options.exchange.speed), "a new speed the module cannot take");
        check(options.exchange.address >= 1 && options.exchange.address <= 247,
              "a new address the module refuses");
    }
    if (options.command == m8163::ctl::Command::Scan && !options.help && !options.version) {
        check(options.plan.firstAddress <= options.plan.lastAddress &&
                  options.plan.lastAddress <= 255,
              "a search range out of order");
    }

    bool generalAgain = false;
    const auto again = m8163::ctl::parseOptions(args, generalAgain);
    check(generalAgain == general && again.command == options.command &&
              again.format == options.format && again.line.device == line.device &&
              again.line.speed == line.speed && again.line.address == line.address,
          "the same arguments parse otherwise");
    return 0;
}
