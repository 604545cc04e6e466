#include "link/port_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace m8163 {
namespace {

PortOptions rs485(bool afterSend = false, std::uint32_t before = 0, std::uint32_t after = 0) {
    PortOptions options;
    options.rs485 = true;
    options.rtsAfterSend = afterSend;
    options.delayBeforeMs = before;
    options.delayAfterMs = after;
    return options;
}

PortOptions echoWithout(bool lowLatency) {
    PortOptions options;
    options.echo = true;
    options.lowLatency = lowLatency;
    return options;
}

TEST(PortOptionsText, WordsGiveOptionsAndRefusedOnesAreNamedWithWhy) {
    const std::string unknown = "неизвестное слово";
    const std::string badDelay = "задержка — целое число миллисекунд от 0 до 100";
    struct Case {
        std::string text;
        PortOptions options;
        std::vector<RejectedOption> rejected;
    };
    const std::vector<Case> cases = {
        {"", PortOptions{}, {}},
        {" , ,", PortOptions{}, {}},
        {"rs485", rs485(), {}},
        {"rs485-rts-after-send", rs485(true), {}},
        {"rs485,rs485-delay-before=2,rs485-delay-after=100", rs485(false, 2, 100), {}},
        {"rs485-delay-after=5", rs485(false, 0, 5), {}},  // a delay means RS-485 mode
        {"rs485-delay-before = 5, RS485-Delay-After= 7", rs485(false, 5, 7), {}},
        {" Echo , NO-LOW-LATENCY ", echoWithout(false), {}},
        {"echo", echoWithout(true), {}},
        // Unknown words and bad delays are named as written, with why, and
        // skipped; a refused delay still asks for RS-485 mode.
        {"rs458,echo", echoWithout(true), {{"rs458", unknown}}},
        {"rs485-delay-before=200", rs485(), {{"rs485-delay-before=200", badDelay}}},
        {"rs485-delay-before=-1,rs485-delay-after=100000,rs485-delay-before=0x10",
         rs485(),
         {{"rs485-delay-before=-1", badDelay},
          {"rs485-delay-after=100000", badDelay},
          {"rs485-delay-before=0x10", badDelay}}},
        {"rs485-delay-after=x,rs485-delay-before=,rs485-delay-after",
         rs485(),
         {{"rs485-delay-after=x", badDelay},
          {"rs485-delay-before=", badDelay},
          {"rs485-delay-after", badDelay}}},
        {"echo=1", PortOptions{}, {{"echo=1", unknown}}},
        // A word of any length is shown cut.
        {std::string(10'000, 'x'), PortOptions{}, {{std::string(60, 'x') + "…", unknown}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 80));
        const PortOptionsText parsed = parsePortOptions(c.text);
        EXPECT_EQ(parsed.options, c.options);
        EXPECT_EQ(parsed.rejected, c.rejected);
    }
    EXPECT_EQ(rejectedOptionText({"rs458", unknown}), "«rs458»: неизвестное слово");
}

}  // namespace
}  // namespace m8163
