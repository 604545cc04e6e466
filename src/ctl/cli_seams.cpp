#include "ctl/cli_seams.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <thread>

#include "protocol/transactions.h"

namespace m8163::ctl {

BoxAnswer StderrBoxes::show(const MessageBox& box) {
    std::cerr << "m8163ctl: " << box.text << '\n';
    std::size_t from = 0;
    while (from < box.detail.size()) {
        std::size_t nl = box.detail.find('\n', from);
        if (nl == std::string::npos)
            nl = box.detail.size();
        std::cerr << "  " << box.detail.substr(from, nl - from) << '\n';
        from = nl + 1;
    }
    return box.buttons == BoxButtons::YesNo ? BoxAnswer::Yes : BoxAnswer::Ok;
}

StopSignals::StopSignals() {
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    sigaddset(&set_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set_, nullptr);
}

bool StopSignals::wait(std::chrono::milliseconds duration) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + duration;
    while (!stopped_) {
        const auto left = std::max(Clock::duration::zero(),
                                   std::chrono::duration_cast<Clock::duration>(end - Clock::now()));
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
        timespec timeout{};
        timeout.tv_sec = static_cast<std::time_t>(seconds.count());
        timeout.tv_nsec = static_cast<long>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds).count());
        if (sigtimedwait(&set_, nullptr, &timeout) > 0) {
            stopped_ = true;
        } else if (errno == EAGAIN) {
            return true;
        }
        // EINTR: another signal's handler ran; wait for the time left.
    }
    return false;
}

void WaitingPump::pause(std::chrono::milliseconds duration) {
    if (!signals_.wait(duration))
        throw Interrupted();
}

void SleepingPump::pause(std::chrono::milliseconds duration) {
    // Stop signals are blocked, so nothing cuts the sleep short.
    std::this_thread::sleep_for(duration);
}

OpenResult FrameRecorderPort::open(const std::string&, const LineSettings&, const PortTimeouts&) {
    open_ = true;
    return {true, 0, {}};
}

std::size_t FrameRecorderPort::write(const std::uint8_t* data, std::size_t size) {
    frames_.emplace_back(data, data + size);
    return size;
}

std::size_t FrameRecorderPort::read(std::uint8_t* buffer, std::size_t size) {
    // A write of registers is answered with its first six bytes and a CRC.
    constexpr std::size_t kEchoed = 6;
    if (frames_.empty() || frames_.back().size() < kEchoed)
        return 0;
    std::vector<std::uint8_t> reply(frames_.back().begin(), frames_.back().begin() + kEchoed);
    const std::uint16_t crc = crc16(reply.data(), reply.size());
    reply.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    reply.push_back(static_cast<std::uint8_t>(crc >> 8));
    const std::size_t count = std::min(size, reply.size());
    std::copy_n(reply.begin(), count, buffer);
    return count;
}

std::string hexFrame(const std::vector<std::uint8_t>& frame) {
    std::string text;
    for (std::uint8_t byte : frame) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X", byte);
        if (!text.empty())
            text += ' ';
        text += digits;
    }
    return text;
}

}  // namespace m8163::ctl
