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

TEST(PortOptionsText, WordsGiveOptionsAndUnknownOnesAreNamed) {
    struct Case {
        const char* text;
        PortOptions options;
        std::vector<std::string> rejected;
    };
    const std::vector<Case> cases = {
        {"", PortOptions{}, {}},
        {" , ,", PortOptions{}, {}},
        {"rs485", rs485(), {}},
        {"rs485-rts-after-send", rs485(true), {}},
        {"rs485,rs485-delay-before=2,rs485-delay-after=100", rs485(false, 2, 100), {}},
        {"rs485-delay-after=5", rs485(false, 0, 5), {}},  // a delay means RS-485 mode
        {" Echo , NO-LOW-LATENCY ", echoWithout(false), {}},
        {"echo", echoWithout(true), {}},
        // Unknown words and bad delays are named as written and skipped.
        {"rs458,echo", echoWithout(true), {"rs458"}},
        {"rs485-delay-before=101,rs485-delay-after=x,rs485-delay-before=",
         PortOptions{},
         {"rs485-delay-before=101", "rs485-delay-after=x", "rs485-delay-before="}},
        {"rs485-delay-before=-1;echo", PortOptions{}, {"rs485-delay-before=-1;echo"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const PortOptionsText parsed = parsePortOptions(c.text);
        EXPECT_EQ(parsed.options, c.options);
        EXPECT_EQ(parsed.rejected, c.rejected);
    }
}

}  // namespace
}  // namespace m8163
