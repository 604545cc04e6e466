// libFuzzer target for the frame decoder of the exchange monitor and of
// m8163ctl -v: any byte strings as a request and its reply, with any
// outcome. Properties: the trace and the monitor say the same of a frame
// (bytes, meaning, outcome); the hex text reads back as the bytes; every
// text is valid UTF-8 on one line, so that a frame can neither break a
// trace line nor a row of the saved monitor text.

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
    const auto asked = m8163::frameCells(store.frames()[0]);
    const auto answered = m8163::frameCells(store.frames()[1]);

    for (const auto* cells : {&asked, &answered}) {
        for (std::size_t c = m8163::kBytesColumn; c < m8163::kMonitorColumns; ++c)
            check(oneLineOfUtf8((*cells)[c]), "a text is not one line of UTF-8");
    }
    check(hexBack(asked[m8163::kBytesColumn]) == request, "the request's hex is not its bytes");
    check(hexBack(answered[m8163::kBytesColumn]) == reply, "the reply's hex is not its bytes");

    const std::string monitorRequest =
        "-> " + asked[m8163::kBytesColumn] + " | " + asked[m8163::kMeaningColumn];
    check(afterTime(requestLine.str()) == monitorRequest, "trace and monitor differ on a request");
    const std::string monitorReply =
        "<- " + answered[m8163::kBytesColumn] + " | " + answered[m8163::kMeaningColumn] + " | " +
        answered[m8163::kDurationColumn] + " | " + answered[m8163::kResultColumn];
    check(afterTime(replyLine.str()) == monitorReply, "trace and monitor differ on a reply");
    return 0;
}
