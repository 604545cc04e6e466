// libFuzzer target for the adapter options of dev.dat's [COM_OPTIONS] (and
// m8163ctl --line-options): any text. Properties: delays stay within what
// the kernel takes and imply the RS-485 mode; every word refused is one of
// the text and is refused again alone; the options written back as words
// parse to the same options with nothing refused.

#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "link/port_options.h"

using m8163::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text = m8163::fuzz::text({data, size});
    const auto parsed = m8163::parsePortOptions(text);
    const m8163::PortOptions& o = parsed.options;
    check(
        o.delayBeforeMs <= m8163::kLongestRtsDelayMs && o.delayAfterMs <= m8163::kLongestRtsDelayMs,
        "a delay the kernel refuses");
    check(o.rs485 || (!o.rtsAfterSend && o.delayBeforeMs == 0 && o.delayAfterMs == 0),
          "RS-485 timing without RS-485");
    check(o.networkAllowanceMs == m8163::kDefaultNetworkAllowanceMs,
          "the words changed the network allowance");
    for (const std::string& word : parsed.rejected) {
        check(!word.empty() && text.find(word) != std::string::npos, "a refused word not written");
        const auto alone = m8163::parsePortOptions(word);
        check(alone.rejected.size() == 1 && alone.rejected[0] == word &&
                  alone.options == m8163::PortOptions{},
              "a refused word is taken alone");
    }

    std::string words;
    const auto add = [&words](const std::string& word) { words += word + ","; };
    if (o.rs485)
        add("rs485");
    if (o.rtsAfterSend)
        add("rs485-rts-after-send");
    if (o.delayBeforeMs != 0)
        add("rs485-delay-before=" + std::to_string(o.delayBeforeMs));
    if (o.delayAfterMs != 0)
        add("rs485-delay-after=" + std::to_string(o.delayAfterMs));
    if (o.echo)
        add("echo");
    if (!o.lowLatency)
        add("no-low-latency");
    const auto again = m8163::parsePortOptions(words);
    check(again.rejected.empty() && again.options == o, "the options written back differ");
    return 0;
}
