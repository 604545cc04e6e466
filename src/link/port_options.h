#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// How the adapter behind a COM number drives the RS-485 line, from a list of
// words such as "rs485,rs485-delay-before=2,echo":
//   rs485                 the driver keys the transmitter with RTS while sending
//   rs485-rts-after-send  ... with RTS on after sending instead (implies rs485)
//   rs485-delay-before=MS, rs485-delay-after=MS
//                         RTS lead and tail time around a frame (imply rs485)
//   echo                  the adapter hands back every byte it sends
//   no-low-latency        do not ask the driver to hand bytes over at once

namespace m8163 {

// The kernel takes RTS delays of at most this many milliseconds.
inline constexpr std::uint32_t kLongestRtsDelayMs = 100;

// The network allowance of a port that dev.dat does not set: ser2net holds
// received bytes up to 20 ms (its chardelay-max) before it sends them, and
// a local network adds little to that; measured by
// bench/device_server_bench (docs/device-servers.md).
inline constexpr std::uint32_t kDefaultNetworkAllowanceMs = 20;

struct PortOptions {
    bool rs485 = false;
    bool rtsAfterSend = false;  // RTS on after sending instead of while sending
    std::uint32_t delayBeforeMs = 0;
    std::uint32_t delayAfterMs = 0;
    bool echo = false;
    bool lowLatency = true;
    // Added to the read time-outs of a port on the network (dev.dat,
    // [COM_NETWORK]); a local device ignores it.
    std::uint32_t networkAllowanceMs = kDefaultNetworkAllowanceMs;

    bool operator==(const PortOptions&) const = default;
};

// A word of the list that was not taken, and why.
struct RejectedOption {
    std::string word;  // as written; a very long one cut with "…"
    std::string why;   // in the user's words

    bool operator==(const RejectedOption&) const = default;
};

struct PortOptionsText {
    PortOptions options;
    std::vector<RejectedOption> rejected;
};

// Words are separated by commas, blanks around them and around "=" and
// empty words are dropped, letter case does not count. A word not
// understood, or a delay that is no whole number of 0 ... 100 ms, is
// returned in `rejected` and otherwise ignored; a refused delay still asks
// for RS-485 mode, as its name does.
PortOptionsText parsePortOptions(std::string_view text);

// "«word»: why", for a warning line.
std::string rejectedOptionText(const RejectedOption& rejected);

}  // namespace m8163
