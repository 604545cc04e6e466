// libFuzzer target for the RFC 2217 codec: any byte stream from a server,
// split at points the input picks. Properties: the stream decodes to the same
// data, answers, agreement and command replies however it is split (an IAC
// that ends one piece carries over to the next); data escaped for the wire
// decodes to itself with nothing to answer; a reply kept is never longer than
// the stream that carried it.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "fuzz_input.h"
#include "link/rfc2217_codec.h"

namespace {

using m8163::Rfc2217Codec;
using m8163::fuzz::check;
using Bytes = Rfc2217Codec::Bytes;

struct Decoded {
    Bytes data;
    Bytes answers;
};

void checkSameState(Rfc2217Codec& a, Rfc2217Codec& b) {
    check(a.agreement() == b.agreement(), "agreement depends on the split");
    for (unsigned code = 0; code < 256; ++code) {
        const auto c = static_cast<std::uint8_t>(code);
        check(a.replies(c) == b.replies(c), "reply count depends on the split");
        check(a.lastReply(c) == b.lastReply(c), "reply value depends on the split");
    }
    check(a.takeLineErrors() == b.takeLineErrors(), "line errors depend on the split");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    m8163::fuzz::FuzzInput input(data, size);
    const std::uint8_t choice = input.byte();
    const bool greeted = (choice & 0x80) != 0;
    std::vector<std::size_t> cuts;
    for (unsigned n = choice % 8; n > 0; --n)
        cuts.push_back(input.byte());
    const auto stream = input.rest();

    Rfc2217Codec whole;
    Rfc2217Codec pieces;
    if (greeted) {
        check(whole.greeting() == pieces.greeting(), "greeting differs");
    }
    Decoded one;
    whole.receive(stream.data(), stream.size(), one.data, one.answers);

    // Cut points are offsets from the previous cut, so that the input's
    // bytes pick pieces of any length, empty ones included.
    Decoded split;
    std::size_t at = 0;
    for (std::size_t cut : cuts) {
        const std::size_t end = std::min(stream.size(), at + cut);
        pieces.receive(stream.data() + at, end - at, split.data, split.answers);
        at = end;
    }
    pieces.receive(stream.data() + at, stream.size() - at, split.data, split.answers);

    check(one.data == split.data, "data depends on the split");
    check(one.answers == split.answers, "answers depend on the split");
    check(one.data.size() <= stream.size(), "more data than bytes");
    for (unsigned code = 0; code < 256; ++code)
        check(whole.lastReply(static_cast<std::uint8_t>(code)).size() <= stream.size(),
              "a reply longer than the stream");
    checkSameState(whole, pieces);

    // The stream taken as data: escaped, it comes back as it was.
    Bytes wire;
    Rfc2217Codec::escape(stream.data(), stream.size(), wire);
    Rfc2217Codec fresh;
    Decoded back;
    fresh.receive(wire.data(), wire.size(), back.data, back.answers);
    check(back.data == Bytes(stream.begin(), stream.end()), "escaped data did not come back");
    check(back.answers.empty(), "escaped data was answered");
    return 0;
}
