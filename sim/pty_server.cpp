#include "sim/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <utility>

#include "sim/state_file.h"

namespace m8163::sim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxFrame = 1024;  // noise longer than this is cut into pieces
constexpr double kBitsPerByte = 11.0;    // start, 8 data, parity or stop, stop
constexpr double kFrameSilenceChars = 3.5;
constexpr auto kMinFrameSilence = std::chrono::microseconds(2000);
constexpr auto kWriteStall = std::chrono::seconds(1);

struct SpeedConstant {
    int speed;
    speed_t constant;
};
constexpr std::array<SpeedConstant, 11> kSpeedConstants = {{
    {300, B300},
    {600, B600},
    {1200, B1200},
    {2400, B2400},
    {4800, B4800},
    {9600, B9600},
    {19200, B19200},
    {38400, B38400},
    {57600, B57600},
    {115200, B115200},
    {230400, B230400},
}};

int speedOf(speed_t constant) {
    for (const SpeedConstant& s : kSpeedConstants) {
        if (s.constant == constant)
            return s.speed;
    }
    return 0;
}

speed_t constantOf(int speed) {
    for (const SpeedConstant& s : kSpeedConstants) {
        if (s.speed == speed)
            return s.constant;
    }
    return B19200;
}

std::runtime_error systemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

// Raw 8-bit line at `format`. Parity sets INPCK as well, which is how the
// parity shows on a pseudo-terminal.
void configure(int fd, const LineFormat& format, const std::string& name) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        throw systemError(name + ": tcgetattr");
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSTOPB | CRTSCTS | HUPCL | PARENB | PARODD | CSIZE);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(INPCK | IXON | IXOFF | IXANY);
    if (format.parity == kOdd || format.parity == kEven) {
        tio.c_cflag |= PARENB;
        tio.c_iflag |= INPCK;
        if (format.parity == kOdd)
            tio.c_cflag |= PARODD;
    }
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, constantOf(format.speed));
    ::cfsetospeed(&tio, constantOf(format.speed));
    if (::tcsetattr(fd, TCSANOW, &tio) != 0)
        throw systemError(name + ": tcsetattr");
}

std::chrono::microseconds characterTimes(double chars, int speed) {
    if (speed <= 0)
        speed = 19200;
    return std::chrono::microseconds(static_cast<long long>(chars * kBitsPerByte * 1e6 / speed));
}

}  // namespace

PtyServer::PtyServer(ServerOptions options)
    : options_(std::move(options)), line_(std::move(options_.modules), options_.seed) {}

PtyServer::~PtyServer() {
    stop();
}

void PtyServer::start() {
    if (running_)
        return;
    try {
        stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (stopFd_ < 0)
            throw systemError("eventfd");
        LineFormat initial = line_.modules().front().format();
        if (!options_.device.empty()) {
            farName_ = options_.device;
            fd_ = ::open(farName_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
            if (fd_ < 0)
                throw systemError(farName_);
            configure(fd_, initial, farName_);
        } else {
            fd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
            if (fd_ < 0)
                throw systemError("posix_openpt");
            if (::grantpt(fd_) != 0 || ::unlockpt(fd_) != 0)
                throw systemError("unlockpt");
            char name[128] = {};
            if (::ptsname_r(fd_, name, sizeof name) != 0)
                throw systemError("ptsname_r");
            farName_ = name;
            ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
            // Holding the far end open keeps the master from reporting a
            // hang-up while the code under test has its port closed.
            farFd_ = ::open(farName_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
            if (farFd_ < 0)
                throw systemError(farName_);
            // Raw from the start: a cooked far end would echo our replies.
            configure(farFd_, initial, farName_);
        }
        if (!options_.link.empty()) {
            struct stat st {};
            if (::lstat(options_.link.c_str(), &st) == 0) {
                if (!S_ISLNK(st.st_mode))
                    throw std::runtime_error(options_.link + ": exists and is not a symbolic link");
                ::unlink(options_.link.c_str());  // left over from an earlier run
            }
            if (::symlink(farName_.c_str(), options_.link.c_str()) != 0)
                throw systemError(options_.link);
            linked_ = true;
        }
    } catch (...) {
        stop();
        throw;
    }
    started_ = Clock::now();
    {
        std::lock_guard lock(mutex_);
        saveState();
    }
    running_ = true;
    thread_ = std::thread([this] { serve(); });
}

void PtyServer::stop() {
    if (thread_.joinable()) {
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(stopFd_, &one, sizeof one);
        thread_.join();
    }
    running_ = false;
    if (linked_) {
        char target[256] = {};
        ssize_t n = ::readlink(options_.link.c_str(), target, sizeof target - 1);
        if (n > 0 && farName_ == std::string(target, static_cast<std::size_t>(n)))
            ::unlink(options_.link.c_str());
        linked_ = false;
    }
    for (int* fd : {&fd_, &farFd_, &stopFd_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

std::string PtyServer::path() const {
    return options_.link.empty() ? farName_ : options_.link;
}

void PtyServer::withLine(const std::function<void(Line&)>& f) {
    {
        std::lock_guard lock(mutex_);
        f(line_);
        saveState();
    }
    changed_.notify_all();
}

void PtyServer::withModule(int address, const std::function<void(ModuleModel&)>& f) {
    {
        std::lock_guard lock(mutex_);
        ModuleModel* module = line_.find(address);
        if (!module)
            throw std::out_of_range("no simulated module at " + std::to_string(address));
        f(*module);
        saveState();
    }
    changed_.notify_all();
}

bool PtyServer::waitUntil(const std::function<bool(const Line&)>& done,
                          std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return done(line_); });
}

bool PtyServer::waitIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return !sending_; });
}

bool PtyServer::healthy() const {
    std::lock_guard lock(mutex_);
    return error_.empty();
}

std::string PtyServer::error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

void PtyServer::fail(const std::string& what) {
    {
        std::lock_guard lock(mutex_);
        error_ = what;
    }
    changed_.notify_all();
}

void PtyServer::serve() {
    std::vector<std::uint8_t> frame;
    while (readFrame(frame)) {
        LineFormat format = lineFormat();
        // The adapter hands back what it sent, whoever it was meant for.
        if (options_.echo)
            writeAll(frame.data(), frame.size());
        double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
        Reply reply;
        std::vector<LineFormat> before;
        {
            std::lock_guard lock(mutex_);
            for (const ModuleModel& m : line_.modules())
                before.push_back(m.format());
            reply = line_.handle(frame, format, seconds);
            sending_ = !reply.bytes.empty();
            saveState();
            if (!stateWarning_.empty() && !stateWarned_) {
                stateWarned_ = true;
                reply.events.push_back("WARNING state file not written: " + stateWarning_);
            }
        }
        changed_.notify_all();
        if (options_.onEvent) {
            for (const std::string& event : reply.events)
                options_.onEvent(event);
        }
        send(reply, format);
        {
            std::lock_guard lock(mutex_);
            sending_ = false;
        }
        changed_.notify_all();

        // On a real device the line is ours to set: follow a module that has
        // just moved to new exchange parameters.
        if (!options_.device.empty()) {
            std::optional<LineFormat> moved;
            {
                std::lock_guard lock(mutex_);
                for (std::size_t i = 0; i < before.size(); ++i) {
                    LineFormat now = line_.modules()[i].format();
                    if (before[i] == format && now != format)
                        moved = now;
                }
            }
            if (moved) {
                try {
                    configure(fd_, *moved, farName_);
                } catch (const std::exception& e) {
                    fail(e.what());
                    return;
                }
            }
        }
    }
}

bool PtyServer::readFrame(std::vector<std::uint8_t>& frame) {
    frame.clear();
    std::array<pollfd, 2> fds = {{{fd_, POLLIN, 0}, {stopFd_, POLLIN, 0}}};
    int wait = -1;  // for the first byte, as long as it takes
    for (;;) {
        int n = ::poll(fds.data(), fds.size(), wait);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(std::string("poll: ") + std::strerror(errno));
            return false;
        }
        if (fds[1].revents != 0)
            return false;
        if (n == 0)
            return true;  // silence ends the frame
        if (fds[0].revents & POLLIN) {
            std::uint8_t buffer[256];
            ssize_t got = ::read(fd_, buffer, sizeof buffer);
            if (got > 0) {
                frame.insert(frame.end(), buffer, buffer + got);
                if (frame.size() >= kMaxFrame)
                    return true;
            } else if (got < 0 && errno != EAGAIN && errno != EINTR) {
                fail(farName_ + ": " + std::strerror(errno));
                return false;
            }
        } else if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            fail(farName_ + ": the device hung up");
            return false;
        }
        auto silence = std::max<std::chrono::microseconds>(
            kMinFrameSilence, characterTimes(kFrameSilenceChars, lineFormat().speed));
        wait = static_cast<int>((silence.count() + 999) / 1000);
        if (frame.empty())
            wait = -1;
    }
}

LineFormat PtyServer::lineFormat() const {
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0)
        return {0, kNone};
    LineFormat format;
    format.speed = speedOf(::cfgetospeed(&tio));
    bool checked = (tio.c_iflag & INPCK) != 0 || (tio.c_cflag & PARENB) != 0;
    format.parity = !checked ? kNone : (tio.c_cflag & PARODD) ? kOdd : kEven;
    return format;
}

bool PtyServer::pause(Clock::time_point until) {
    for (;;) {
        auto left = until - Clock::now();
        if (left <= Clock::duration::zero())
            return true;
        auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        timespec timeout{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        pollfd stop{stopFd_, POLLIN, 0};
        int n = ::ppoll(&stop, 1, &timeout, nullptr);
        if (n > 0)
            return false;
        if (n < 0 && errno != EINTR)
            return false;
    }
}

bool PtyServer::writeAll(const std::uint8_t* data, std::size_t size) {
    auto giveUp = Clock::now() + kWriteStall;
    while (size > 0) {
        ssize_t n = ::write(fd_, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        // The far end is not reading: wait a little for room, then drop.
        std::array<pollfd, 2> fds = {{{fd_, POLLOUT, 0}, {stopFd_, POLLIN, 0}}};
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(giveUp - Clock::now());
        if (left.count() <= 0)
            return false;
        if (::poll(fds.data(), fds.size(), static_cast<int>(left.count())) < 0 && errno != EINTR)
            return false;
        if (fds[1].revents != 0)
            return false;
    }
    return true;
}

void PtyServer::send(const Reply& reply, const LineFormat& format) {
    if (reply.bytes.empty())
        return;
    auto at = Clock::now() + reply.delay;
    if (!pause(at))
        return;
    const std::uint8_t* data = reply.bytes.data();
    std::size_t size = reply.bytes.size();
    std::size_t split = reply.gap.count() > 0 ? std::min(reply.gapAfter, size) : size;
    auto gap = reply.gap;
    if (gap.count() == 0 && options_.burst.count() > 0 && size > 1) {
        split = size / 2;
        gap = options_.burst;
    }
    if (!options_.pace) {
        if (!writeAll(data, split))
            return;
        if (split < size) {
            if (!pause(Clock::now() + gap))
                return;
            writeAll(data + split, size - split);
        }
        return;
    }
    auto byteTime = characterTimes(1.0, format.speed);
    for (std::size_t i = 0; i < size; ++i) {
        if (i == split && i > 0)
            at += gap;
        if (!pause(at))
            return;
        if (!writeAll(data + i, 1))
            return;
        at += byteTime;
    }
}

void PtyServer::saveState() {
    if (options_.stateFile.empty())
        return;
    std::string reason = replaceFile(options_.stateFile, stateJson(line_));
    if (!reason.empty() && stateWarning_.empty())
        stateWarning_ = reason;
}

}  // namespace m8163::sim
