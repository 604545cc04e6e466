#include "ui/monitor/frame_store.h"

namespace m8163 {

void FrameStore::requestSent(const SentFrame& frame) {
    MonitorFrame request;
    request.time = frame.time;
    request.sent = frame.sent;
    request.bytes.assign(frame.bytes.begin(), frame.bytes.end());
    append(std::move(request));
}

void FrameStore::replyReceived(const ReceivedFrame& frame) {
    MonitorFrame reply;
    // The request of this reply is the last frame, unless a clear took it.
    if (!frames_.empty() && !frames_.back().reply && !frames_.back().finished) {
        MonitorFrame& request = frames_.back();
        reply.sent = request.sent;
        request.status = frame.status;
        request.finished = true;
        request.duration = frame.duration;
        if (listener_ != nullptr)
            listener_->outcomeSet(frames_.size() - 1);
    }
    reply.time = frame.time;
    reply.reply = true;
    reply.bytes.assign(frame.bytes.begin(), frame.bytes.end());
    reply.request.assign(frame.request.begin(), frame.request.end());
    reply.status = frame.status;
    reply.finished = true;
    reply.duration = frame.duration;
    append(std::move(reply));
}

void FrameStore::append(MonitorFrame frame) {
    frame.serial = ++serial_;
    if (frames_.size() >= capacity_ && !frames_.empty()) {
        const std::size_t count = frames_.size() - capacity_ + 1;
        if (listener_ != nullptr)
            listener_->aboutToDrop(count);
        frames_.erase(frames_.begin(), frames_.begin() + static_cast<long>(count));
        if (listener_ != nullptr)
            listener_->dropped();
    }
    if (listener_ != nullptr)
        listener_->aboutToAppend();
    frames_.push_back(std::move(frame));
    if (listener_ != nullptr)
        listener_->appended();
}

}  // namespace m8163
