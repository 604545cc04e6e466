// The Telnet / RFC 2217 stream: negotiation, each command and its reply,
// and 0xFF escaping across pieces of any size.

#include "link/rfc2217_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/device_url.h"

namespace m8163 {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace telnet;

// Feeds `wire` in pieces of `piece` bytes; returns the data and the answers.
std::pair<Bytes, Bytes> feed(Rfc2217Codec& codec, const Bytes& wire, std::size_t piece) {
    Bytes data;
    Bytes answers;
    for (std::size_t i = 0; i < wire.size(); i += piece) {
        const std::size_t n = std::min(piece, wire.size() - i);
        codec.receive(wire.data() + i, n, data, answers);
    }
    return {data, answers};
}

TEST(Rfc2217CodecTest, GreetingOffersTheOptionAndBinaryBothWays) {
    Rfc2217Codec codec;
    EXPECT_EQ(codec.greeting(),
              (Bytes{kIac, kWill, kBinary, kIac, kDo, kBinary, kIac, kWill, kSuppressGoAhead, kIac,
                     kDo, kSuppressGoAhead, kIac, kWill, kComPortOption}));
    EXPECT_EQ(codec.agreement(), ComPortAgreement::Pending);
}

struct NegotiationCase {
    const char* name;
    Bytes fromServer;
    Bytes answers;  // what the client must send back
    ComPortAgreement agreement;
};

TEST(Rfc2217CodecTest, NegotiationAnswersOnlyWhatChangesAnOption) {
    const std::vector<NegotiationCase> cases = {
        {"server accepts what was offered: nothing to answer",
         {kIac, kDo, kComPortOption, kIac, kDo, kBinary, kIac, kWill, kBinary},
         {},
         ComPortAgreement::Accepted},
        {"server refuses the option", {kIac, kDont, kComPortOption}, {}, ComPortAgreement::Refused},
        {"unknown option asked of us is refused",
         {kIac, kDo, 24},
         {kIac, kWont, 24},
         ComPortAgreement::Pending},
        {"server's offer to echo is declined",
         {kIac, kWill, 1},
         {kIac, kDont, 1},
         ComPortAgreement::Pending},
        {"server offers the option itself: taken",
         {kIac, kWill, kComPortOption},
         {kIac, kDo, kComPortOption},
         ComPortAgreement::Pending},
        {"binary accepted, then withdrawn: agreed to once",
         {kIac, kDo, kBinary, kIac, kDont, kBinary, kIac, kDont, kBinary},
         {kIac, kWont, kBinary},
         ComPortAgreement::Pending},
    };
    for (const NegotiationCase& c : cases) {
        for (std::size_t piece : {std::size_t{1}, std::size_t{64}}) {
            Rfc2217Codec codec;
            codec.greeting();
            const auto [data, answers] = feed(codec, c.fromServer, piece);
            EXPECT_TRUE(data.empty()) << c.name;
            EXPECT_EQ(answers, c.answers) << c.name << ", pieces of " << piece;
            EXPECT_EQ(codec.agreement(), c.agreement) << c.name;
        }
    }
}

struct CommandCase {
    const char* name;
    Bytes command;  // as the client sends it
    Bytes expected;
    std::uint8_t code;
};

TEST(Rfc2217CodecTest, EachCommandAndTheServersReplyToIt) {
    const std::vector<CommandCase> cases = {
        {"speed 19200",
         Rfc2217Codec::setBaudRate(19200),
         {kIac, kSb, kComPortOption, 1, 0, 0, 0x4B, 0x00, kIac, kSe},
         comport::kSetBaudRate},
        // A value byte of 0xFF is doubled inside the sub-negotiation too.
        {"speed with a 0xFF byte",
         Rfc2217Codec::setBaudRate(0x0001FFFF),
         {kIac, kSb, kComPortOption, 1, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF, kIac, kSe},
         comport::kSetBaudRate},
        {"8 data bits",
         Rfc2217Codec::setDataSize(8),
         {kIac, kSb, kComPortOption, 2, 8, kIac, kSe},
         comport::kSetDataSize},
        {"no parity",
         Rfc2217Codec::setParity(Parity::None),
         {kIac, kSb, kComPortOption, 3, 1, kIac, kSe},
         comport::kSetParity},
        {"odd parity",
         Rfc2217Codec::setParity(Parity::Odd),
         {kIac, kSb, kComPortOption, 3, 2, kIac, kSe},
         comport::kSetParity},
        {"even parity",
         Rfc2217Codec::setParity(Parity::Even),
         {kIac, kSb, kComPortOption, 3, 3, kIac, kSe},
         comport::kSetParity},
        {"one stop bit",
         Rfc2217Codec::setOneStopBit(),
         {kIac, kSb, kComPortOption, 4, 1, kIac, kSe},
         comport::kSetStopSize},
        {"DTR on",
         Rfc2217Codec::setControl(comport::kDtrOn),
         {kIac, kSb, kComPortOption, 5, 8, kIac, kSe},
         comport::kSetControl},
        {"RTS off",
         Rfc2217Codec::setControl(comport::kRtsOff),
         {kIac, kSb, kComPortOption, 5, 12, kIac, kSe},
         comport::kSetControl},
        {"purge both buffers",
         Rfc2217Codec::purgeBoth(),
         {kIac, kSb, kComPortOption, 12, 3, kIac, kSe},
         comport::kPurgeData},
    };
    for (const CommandCase& c : cases) {
        EXPECT_EQ(c.command, c.expected) << c.name;
        // The server answers with the code plus 100 and the value it took;
        // the reply is counted and its value kept, however it is split.
        Bytes reply = c.expected;
        reply[3] = static_cast<std::uint8_t>(reply[3] + comport::kServerReply);
        for (std::size_t piece : {std::size_t{1}, std::size_t{3}, reply.size()}) {
            Rfc2217Codec codec;
            const auto [data, answers] = feed(codec, reply, piece);
            EXPECT_TRUE(data.empty()) << c.name;
            EXPECT_EQ(codec.replies(c.code), 1u) << c.name << ", pieces of " << piece;
            const Bytes value(c.command.begin() + 4, c.command.end() - 2);
            Bytes unescaped;
            for (std::size_t i = 0; i < value.size(); ++i) {
                unescaped.push_back(value[i]);
                if (value[i] == kIac)
                    ++i;
            }
            EXPECT_EQ(codec.lastReply(c.code), unescaped) << c.name;
        }
    }
}

TEST(Rfc2217CodecTest, DataBytes0xFFAreDoubledOnTheWireAndUndoubledWhateverTheSplit) {
    const Bytes payload = {0x01, 0x03, 0x0E, 0xFF, 0xFF, 0x00, 0xFF, 0x7E};
    Bytes wire;
    Rfc2217Codec::escape(payload.data(), payload.size(), wire);
    EXPECT_EQ(wire, (Bytes{0x01, 0x03, 0x0E, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0x7E}));
    // A reply and a line-state notice in one stream, split at every place,
    // the split between the two bytes of a doubled 0xFF included.
    Bytes stream = wire;
    stream.insert(stream.end(), {kIac, kSb, kComPortOption, 106, comport::kLineParity, kIac, kSe});
    stream.insert(stream.end(), {0x55, kIac, 241 /* NOP */, 0xAA});
    for (std::size_t piece = 1; piece <= stream.size(); ++piece) {
        Rfc2217Codec codec;
        const auto [data, answers] = feed(codec, stream, piece);
        Bytes expected = payload;
        expected.insert(expected.end(), {0x55, 0xAA});
        EXPECT_EQ(data, expected) << "pieces of " << piece;
        EXPECT_EQ(codec.takeLineErrors(), comport::kLineParity);
        EXPECT_EQ(codec.takeLineErrors(), 0);
    }
}

// A subnegotiation of the longest length taken is a reply like any other;
// one byte more and the stream is given up: nothing after it is taken.
TEST(Rfc2217CodecTest, ASubnegotiationPastTheLimitIsGivenUp) {
    for (const std::size_t length : {kLongestSubNegotiation, kLongestSubNegotiation + 1}) {
        Bytes stream = {kIac, kSb, kComPortOption, 106};
        stream.insert(stream.end(), length - 1, 0x00);
        stream.insert(stream.end(), {kIac, kSe, 0x55});
        Rfc2217Codec codec;
        const auto [data, answers] = feed(codec, stream, 100);
        const bool taken = length <= kLongestSubNegotiation;
        EXPECT_EQ(codec.overlong(), !taken) << length;
        EXPECT_EQ(codec.replies(comport::kNotifyLineState), taken ? 1u : 0u) << length;
        EXPECT_EQ(data, taken ? Bytes{0x55} : Bytes{}) << length;
    }
}

TEST(DeviceUrlTest, TheTwoSchemesWithNamesAndAddresses) {
    struct Case {
        const char* text;
        bool ok;
        NetworkProtocol protocol;
        const char* host;
        const char* port;
    };
    const Case cases[] = {
        {"rfc2217://plant-box:4001", true, NetworkProtocol::Rfc2217, "plant-box", "4001"},
        {"RFC2217://10.0.0.7:2217/", true, NetworkProtocol::Rfc2217, "10.0.0.7", "2217"},
        {"socket://[::1]:7000", true, NetworkProtocol::RawTcp, "::1", "7000"},
        {"socket://[fe80::1%eth0]:23", true, NetworkProtocol::RawTcp, "fe80::1%eth0", "23"},
        {"socket://::1:7000", false, {}, "", ""},  // IPv6 without brackets
        {"rfc2217://host", false, {}, "", ""},
        {"rfc2217://host:0", false, {}, "", ""},
        {"rfc2217://host:65536", false, {}, "", ""},
        {"rfc2217://:4001", false, {}, "", ""},
        {"rfc2217://host:4001?timeout=3", false, {}, "", ""},
        {"rfc2217://[::1]4001", false, {}, "", ""},
        {"/dev/ttyUSB0", false, {}, "", ""},
        // Found by the URL's fuzz target: brackets and control characters
        // were taken into the host.
        {"socket://]:4001", false, {}, "", ""},
        {"socket://[[::1]:4001", false, {}, "", ""},
        {"rfc2217://plant\x01box:4001", false, {}, "", ""},
    };
    for (const Case& c : cases) {
        const auto url = parseDeviceUrl(c.text);
        ASSERT_EQ(url.has_value(), c.ok) << c.text;
        if (!c.ok)
            continue;
        EXPECT_EQ(url->protocol, c.protocol) << c.text;
        EXPECT_EQ(url->host, c.host) << c.text;
        EXPECT_EQ(url->port, c.port) << c.text;
    }
    EXPECT_FALSE(parseDeviceUrl(std::string_view("rfc2217://plant\0box:4001", 24)));
    EXPECT_TRUE(isNetworkDevice("socket://x"));
    EXPECT_FALSE(isNetworkDevice("/dev/serial/by-id/usb-socket://"));
}

}  // namespace
}  // namespace m8163
