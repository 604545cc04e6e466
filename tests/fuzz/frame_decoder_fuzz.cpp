// libFuzzer target for the frame decoder of the exchange monitor and of
// m8163ctl -v: any byte strings as a request and its reply, with any
// outcome. Properties: the trace and the monitor's saved text say the same
// of a frame (bytes, meaning, duration, outcome); the hex text reads back as
// the bytes; every text of the table and of the saved text is valid UTF-8 on
// one line, so that a frame can neither break a trace line nor a row.

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "ctl/frame_trace.h"
#include "fuzz_input.h"
#include "module/frame_decoder.h"
#include "ui/monitor/frame_cells.h"
#include "ui/monitor/frame_store.h"

namespace {

using m8163::fuzz::check;
using Bytes = std::vector<std::uint8_t>;

// Well-formed UTF-8 with no control character.
bool oneLineOfUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        std::uint32_t least = 0;
        if (b < 0x80) {
            if (b < 0x20 || b == 0x7F)
                return false;
        } else if ((b & 0xE0) == 0xC0) {
            length = 2;
            least = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            length = 3;
            least = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            length = 4;
            least = 0x10000;
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        std::uint32_t code = length == 1 ? b : b & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80)
                return false;
            code = code << 6 | (c & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ||
            (code >= 0x80 && code < 0xA0))
            return false;
        i += length;
    }
    return true;
}

Bytes hexBack(const std::string& hex) {
    Bytes bytes;
    for (std::size_t i = 0; i < hex.size(); i += 3) {
        check(i + 2 == hex.size() || hex[i + 2] == ' ', "hex pairs not apart");
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

// The trace line without its time: "-> " or "<- " and the rest, no "\n".
std::string afterTime(const std::string& line) {
    const std::size_t arrow = line.find(' ');
    check(arrow != std::string::npos && line.back() == '\n', "a trace line has no shape");
    return line.substr(arrow + 1, line.size() - arrow - 2);
}

// The text after its first `count` cells (" | " between cells).
std::string afterCells(const std::string& line, int count) {
    std::size_t at = 0;
    for (int i = 0; i < count; ++i) {
        at = line.find(" | ", at);
        check(at != std::string::npos, "a saved line has too few cells");
        at += 3;
    }
    return line.substr(at);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    m8163::fuzz::FuzzInput input(data, size);
    m8163::ExchangeStatus status;
    status.result = input.byte();
    status.exceptionCode = input.byte();
    const auto requestBytes = input.take(input.byte());
    const auto replyBytes = input.rest();
    const Bytes request(requestBytes.begin(), requestBytes.end());
    const Bytes reply(replyBytes.begin(), replyBytes.end());

    const m8163::LocalTime time{2026, 12, 11, 10, 0, 1, 250};
    const m8163::SentFrame sent{time, request};
    const m8163::ReceivedFrame received{time,
                                        request,
                                        reply,
                                        status,
                                        request.empty() ? std::uint8_t{0} : request[0],
                                        std::chrono::microseconds(41'500)};

    std::ostringstream requestLine;
    std::ostringstream replyLine;
    m8163::ctl::FrameTrace(requestLine).requestSent(sent);
    m8163::ctl::FrameTrace(replyLine).replyReceived(received);

    m8163::FrameStore store;
    store.requestSent(sent);
    store.replyReceived(received);
    check(store.frames().size() == 2, "the monitor did not keep both frames");
    for (const auto& frame : store.frames()) {
        for (const std::string& cell : m8163::frameCells(frame))
            check(oneLineOfUtf8(cell), "a cell of the table is not one line of UTF-8");
    }
    check(hexBack(m8163::frameHex(request)) == request, "the request's hex is not its bytes");
    check(hexBack(m8163::frameHex(reply)) == reply, "the reply's hex is not its bytes");

    // The monitor's saved text says in full what the trace says: each line
    // after its time and direction.
    const std::string saved = m8163::framesText({&store.frames()[0], &store.frames()[1]});
    const std::size_t firstEnd = saved.find('\n');
    check(firstEnd != std::string::npos && saved.find('\n', firstEnd + 1) == saved.size() - 1,
          "the saved text is not one line a frame");
    const std::string savedRequest = afterCells(saved.substr(0, firstEnd), 2);
    const std::string savedReply =
        afterCells(saved.substr(firstEnd + 1, saved.size() - firstEnd - 2), 2);
    check(oneLineOfUtf8(savedRequest) && oneLineOfUtf8(savedReply),
          "the saved text is not one line of UTF-8");
    check(afterTime(requestLine.str()) == "-> " + savedRequest,
          "trace and monitor differ on a request");
    check(afterTime(replyLine.str()) == "<- " + savedReply, "trace and monitor differ on a reply");
    return 0;
}
