// libFuzzer target for the adapter options of dev.dat's [COM_OPTIONS] (and
// m8163ctl --line-options): any text. Properties: delays stay within what
// the kernel takes and imply the RS-485 mode; every word refused is one of
// the text and is refused again alone; the options written back as words
// parse to the same options with nothing refused.

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_input.h"
#include "link/port_options.h"

namespace {

using m8163::fuzz::check;

constexpr std::string_view kEllipsis = "…";

// The word of a refusal: the refusal itself where it is the word, or its
// `word` where it carries a reason too.
const std::string& wordOf(const std::string& word) {
    return word;
}
template <typename Refusal>
const std::string& wordOf(const Refusal& refusal) {
    return refusal.word;
}

}  // namespace

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
    for (const auto& rejected : parsed.rejected) {
        const std::string& word = wordOf(rejected);
        // A very long word may be shown cut, with "…" at its end.
        const bool cut =
            word.size() >= kEllipsis.size() &&
            word.compare(word.size() - kEllipsis.size(), kEllipsis.size(), kEllipsis) == 0;
        const std::string written = cut ? word.substr(0, word.size() - kEllipsis.size()) : word;
        check(!word.empty() && text.find(written) != std::string::npos,
              "a refused word not written");
        if (cut)
            continue;
        const auto alone = m8163::parsePortOptions(word);
        check(alone.rejected.size() == 1 && wordOf(alone.rejected[0]) == word,
              "a refused word is taken alone");
        check(!alone.options.echo && alone.options.lowLatency && !alone.options.rtsAfterSend &&
                  alone.options.delayBeforeMs == 0 && alone.options.delayAfterMs == 0,
              "a refused word set an option");
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
