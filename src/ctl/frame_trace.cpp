#include "ctl/frame_trace.h"

#include <cstdio>
#include <string>

#include "module/frame_decoder.h"

namespace m8163::ctl {
namespace {

std::string timeText(const LocalTime& t) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u.%03u", t.hour % 100, t.minute % 100,
                  t.second % 100, t.millisecond % 1000);
    return text;
}

}  // namespace

// "12:00:01.250 -> 01 03 00 00 00 07 04 08 | модуль 1, чтение (03): ..."
void FrameTrace::requestSent(const SentFrame& frame) {
    out_ << timeText(frame.time) << " -> " << frameHex(frame.bytes) << " | "
         << describeRequest(frame.bytes) << std::endl;
}

// "12:00:01.290 <- 01 03 0E ... | модуль 1, чтение (03): ... | 40 мс | норма"
void FrameTrace::replyReceived(const ReceivedFrame& frame) {
    out_ << timeText(frame.time) << " <- " << frameHex(frame.bytes) << " | "
         << describeReply(frame.request, frame.bytes, frame.status) << " | "
         << frame.duration.count() / 1000 << " мс | " << exchangeOutcome(frame.status) << std::endl;
}

}  // namespace m8163::ctl
