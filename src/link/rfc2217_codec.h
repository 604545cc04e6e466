#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/line_format.h"

// The Telnet stream of a serial device server that speaks RFC 2217: data
// bytes with 0xFF doubled, option negotiation, and the COM-PORT-OPTION
// sub-negotiations that set the server's line format, its control lines and
// purge its buffers. Pure bytes in, bytes out: the network port moves them.

namespace m8163 {

namespace telnet {
inline constexpr std::uint8_t kSe = 240;
inline constexpr std::uint8_t kSb = 250;
inline constexpr std::uint8_t kWill = 251;
inline constexpr std::uint8_t kWont = 252;
inline constexpr std::uint8_t kDo = 253;
inline constexpr std::uint8_t kDont = 254;
inline constexpr std::uint8_t kIac = 255;

inline constexpr std::uint8_t kBinary = 0;
inline constexpr std::uint8_t kSuppressGoAhead = 3;
inline constexpr std::uint8_t kComPortOption = 44;
}  // namespace telnet

// COM-PORT-OPTION commands from the client; the server's reply to each
// carries the command plus kServerReply.
namespace comport {
inline constexpr std::uint8_t kSetBaudRate = 1;
inline constexpr std::uint8_t kSetDataSize = 2;
inline constexpr std::uint8_t kSetParity = 3;
inline constexpr std::uint8_t kSetStopSize = 4;
inline constexpr std::uint8_t kSetControl = 5;
inline constexpr std::uint8_t kNotifyLineState = 6;
inline constexpr std::uint8_t kSetLineStateMask = 10;
inline constexpr std::uint8_t kPurgeData = 12;
inline constexpr std::uint8_t kServerReply = 100;

// SET-CONTROL values.
inline constexpr std::uint8_t kNoFlowControl = 1;
inline constexpr std::uint8_t kDtrOn = 8;
inline constexpr std::uint8_t kDtrOff = 9;
inline constexpr std::uint8_t kRtsOn = 11;
inline constexpr std::uint8_t kRtsOff = 12;

// PURGE-DATA: both the server's receive and transmit buffers.
inline constexpr std::uint8_t kPurgeBoth = 3;

// NOTIFY-LINESTATE bits that tell a receive error.
inline constexpr std::uint8_t kLineOverrun = 0x02;
inline constexpr std::uint8_t kLineParity = 0x04;
inline constexpr std::uint8_t kLineFraming = 0x08;
inline constexpr std::uint8_t kLineBreak = 0x10;
}  // namespace comport

// The longest subnegotiation taken: a COM-PORT-OPTION reply holds a few
// bytes, so a longer one is a server gone wrong, not one to wait out.
inline constexpr std::size_t kLongestSubNegotiation = 1024;

enum class ComPortAgreement {
    Pending,   // offered, not yet answered
    Accepted,  // the server will take COM-PORT-OPTION commands
    Refused,   // the server said it will not
};

class Rfc2217Codec {
  public:
    using Bytes = std::vector<std::uint8_t>;

    // What the client sends on connecting: it offers COM-PORT-OPTION and
    // asks for binary transmission and no go-aheads both ways.
    Bytes greeting();

    // Appends `data` for the wire: every 0xFF doubled.
    static void escape(const std::uint8_t* data, std::size_t size, Bytes& out);

    // One COM-PORT-OPTION command with its value (escaped) to the server.
    static Bytes command(std::uint8_t code, const Bytes& value);
    static Bytes setBaudRate(std::uint32_t bitRate);
    static Bytes setDataSize(std::uint8_t bits) { return command(comport::kSetDataSize, {bits}); }
    static Bytes setParity(Parity parity);
    static Bytes setOneStopBit() { return command(comport::kSetStopSize, {1}); }
    static Bytes setControl(std::uint8_t value) { return command(comport::kSetControl, {value}); }
    static Bytes purgeBoth() { return command(comport::kPurgeData, {comport::kPurgeBoth}); }
    static Bytes setLineStateMask(std::uint8_t mask) {
        return command(comport::kSetLineStateMask, {mask});
    }

    // Takes bytes from the server, in pieces of any size: the data among
    // them is appended to `data`, the answers the negotiation needs to
    // `answers` (to be sent), replies to commands are counted.
    void receive(const std::uint8_t* bytes, std::size_t size, Bytes& data, Bytes& answers);

    ComPortAgreement agreement() const { return agreement_; }
    // How many replies to client command `code` (1 ... 99) came so far.
    unsigned replies(std::uint8_t code) const { return replies_[code]; }
    // The value of the last such reply.
    const Bytes& lastReply(std::uint8_t code) const { return lastReply_[code]; }
    // NOTIFY-LINESTATE error bits seen since the last call (comport::kLine*).
    std::uint8_t takeLineErrors();
    // A subnegotiation ran past kLongestSubNegotiation: the stream cannot be
    // followed any more, and receive() takes nothing further.
    bool overlong() const { return overlong_; }

  private:
    enum class State { Data, Iac, Verb, SubOption, SubData, SubIac };
    void negotiate(std::uint8_t verb, std::uint8_t option, Bytes& answers);
    void endSubNegotiation();
    void takeSubByte(std::uint8_t b);

    // Per option: what this side does (us) and what the server does (them),
    // and whether we asked for it and wait for the answer.
    struct OptionState {
        bool on = false;
        bool asked = false;
    };
    std::array<OptionState, 256> us_{};
    std::array<OptionState, 256> them_{};

    State state_ = State::Data;
    std::uint8_t verb_ = 0;
    std::uint8_t subOption_ = 0;
    Bytes sub_;
    ComPortAgreement agreement_ = ComPortAgreement::Pending;
    std::array<unsigned, 256> replies_{};
    std::array<Bytes, 256> lastReply_{};
    std::uint8_t lineErrors_ = 0;
    bool overlong_ = false;
};

}  // namespace m8163
