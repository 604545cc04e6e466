#include "link/termios_port.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>

#include "link/line_format.h"
#include "link/port_state.h"
#include "link/system_reason.h"

namespace m8163 {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A write finds room in the driver's buffer at once unless the device is
// stuck; this bounds the wait for room.
constexpr milliseconds kWriteRoomLimit{2000};

// While a device is missing, a reopen is tried at most this often.
constexpr std::chrono::seconds kReopenSpacing{1};

// The termios constant of each listed line format, by list index.
constexpr std::array<speed_t, kLineFormats.size()> kBauds = {B1200,  B2400,  B4800,  B9600,
                                                             B19200, B38400, B57600, B115200};

speed_t baudFor(int speed) {
    const LineFormat* format = lineFormatByBitRate(speed);
    return format == nullptr ? B0 : kBauds[static_cast<std::size_t>(format->listIndex)];
}

OpenResult failure(int error) {
    return {false, error, systemReason(error)};
}

constexpr short kHangUp = POLLHUP | POLLERR | POLLNVAL;

// A read sleeps through the rest of a reply only while at least this many
// bytes are still to come.
constexpr std::size_t kSleepFrom = 4;

// The least time the line needs to carry `bytes` characters of the port's
// format: a start bit, 8 data bits, the parity bit if any and a stop bit each.
Clock::duration lineTime(const LineSettings& line, std::size_t bytes) {
    if (line.speed <= 0)
        return Clock::duration::zero();
    const std::uint64_t bits = line.parity == Parity::None ? 10 : 11;
    const std::uint64_t ns =
        bytes * bits * 1'000'000'000ULL / static_cast<std::uint64_t>(line.speed);
    return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(ns));
}

// An open refused for one of these may succeed later without the user
// changing anything here: the holder exits, access is granted, the adapter
// is plugged in.
bool mayPass(int error) {
    return error == EBUSY || error == EACCES || error == EPERM || error == ENOENT ||
           error == ENODEV || error == ENXIO;
}

// What a read or write of a hung-up or removed device fails with.
bool deviceGone(int error) {
    return error == EIO || error == ENXIO || error == ENODEV;
}

}  // namespace

TermiosPort::~TermiosPort() {
    close();
}

OpenResult TermiosPort::open(const std::string& device, const LineSettings& line,
                             const PortTimeouts& timeouts) {
    close();
    device_ = device;
    line_ = line;
    requestedTimeouts_ = timeouts;
    useTimeouts();
    OpenResult result = openDevice();
    // A refused RS-485 mode is told once per device, not at every reopen.
    if (result.rs485Refused != 0 && rs485Reported_ == device_)
        result.rs485Refused = 0;
    else if (result.rs485Refused != 0)
        rs485Reported_ = device_;
    setLastOpen(result);
    if (!result.ok && mayPass(result.error)) {
        retrying_ = true;
        nextReopen_ = Clock::now();
        setNotOpenReason(portStateText(portStateAfterOpen(device_, result)));
    } else if (!result.ok) {
        device_.clear();
    }
    return result;
}

OpenResult TermiosPort::openDevice() {
    const speed_t baud = baudFor(line_.speed);
    if (baud == B0)
        return failure(EINVAL);

    const int fd = ::open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return failure(errno);
    termios saved{};
    if (tcgetattr(fd, &saved) != 0) {
        const int error = errno;
        ::close(fd);
        return failure(error);
    }
    // TIOCEXCL keeps other users' opens out, but not root's; the lock also
    // stops a second open by root or by this process.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return failure(error);
    }
    // Root gets past another program's exclusive flag; the flag still says
    // the device is taken. Only a flag set here is ours to clear at close.
    int heldExclusively = 0;
    if (ioctl(fd, TIOCGEXCL, &heldExclusively) == 0 && heldExclusively != 0) {
        ::close(fd);
        return failure(EBUSY);
    }
    exclusiveOurs_ = ioctl(fd, TIOCEXCL) == 0;

    termios t = saved;
    cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS | HUPCL);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | IGNPAR | PARMRK);
    switch (line_.parity) {
        case Parity::Odd:
            t.c_cflag |= PARENB | PARODD;
            t.c_iflag |= INPCK;
            break;
        case Parity::Even:
            t.c_cflag |= PARENB;
            t.c_iflag |= INPCK;
            break;
        case Parity::None:
            break;
    }
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, baud);
    cfsetospeed(&t, baud);
    tcsetattr(fd, TCSANOW, &t);
    tcflush(fd, TCIOFLUSH);

    fd_ = fd;
    saved_ = saved;
    OpenResult result;
    result.ok = true;
    result.rs485Refused = setUpAdapterOptions(fd);
    readCounts(baseline_);
    return result;
}

// Returns the errno of a refused RS-485 mode, else 0.
int TermiosPort::setUpAdapterOptions(int fd) {
    const AdapterSetup setup = setUpAdapter(*control_, fd, options_);
    adapterRestore_ = setup.restore;
    lowLatency_ = setup.lowLatency;
    useTimeouts();
    return setup.rs485Refused;
}

void TermiosPort::setTimeouts(const PortTimeouts& timeouts) {
    requestedTimeouts_ = timeouts;
    useTimeouts();
}

// A reply that comes in the bursts of a latency timer has gaps of up to that
// timer inside it; an interval below that would cut the reply in two.
void TermiosPort::useTimeouts() {
    timeouts_ = requestedTimeouts_;
    const auto floor = static_cast<std::uint32_t>(kBurstInterval.count());
    if (!lowLatency_ && timeouts_.readInterval != 0)
        timeouts_.readInterval = std::max(timeouts_.readInterval, floor);
}

void TermiosPort::close() {
    release();
    device_.clear();
    lost_ = false;
    retrying_ = false;
    dtrOn_ = false;
}

void TermiosPort::release() {
    if (fd_ < 0)
        return;
    restoreAdapter(*control_, fd_, adapterRestore_);
    adapterRestore_ = {};
    lowLatency_ = false;
    tcsetattr(fd_, TCSANOW, &saved_);
    // The exclusive flag belongs to the tty, not to this descriptor: on a
    // pseudo-terminal whose other end stays open it outlives the close and
    // would refuse our own reopen. Clear ours before letting go.
    if (exclusiveOurs_)
        ioctl(fd_, TIOCNXCL);
    exclusiveOurs_ = false;
    ::close(fd_);  // releases the lock
    fd_ = -1;
}

// Holding the descriptor of a vanished USB adapter would keep its tty in
// use, and the adapter plugged back in would come up under another name.
void TermiosPort::noticeHangUp() {
    if (fd_ < 0)
        return;
    release();
    lost_ = true;
    nextReopen_ = Clock::now();
    PortState state;
    state.condition = PortCondition::Lost;
    state.device = device_;
    setNotOpenReason(portStateText(state));
    stateChanged();
}

void TermiosPort::reopenIfDue() {
    const auto now = Clock::now();
    if ((!lost_ && !retrying_) || now < nextReopen_)
        return;
    nextReopen_ = now + kReopenSpacing;
    const OpenResult result = openDevice();
    if (!result.ok) {
        if (retrying_)
            noteRetryFailure(result);
        return;
    }
    lost_ = false;
    retrying_ = false;
    setLastOpen(result);
    setNotOpenReason({});
    const bool dtr = dtrOn_;
    clearRtsAndDtr();
    if (dtr)
        clearRtsSetDtr();
    stateChanged();
}

// The words of the first refusal stay while the retries meet the same one;
// a new holder or another refusal is told.
void TermiosPort::noteRetryFailure(const OpenResult& result) {
    std::string words = portStateText(portStateAfterOpen(device_, result));
    if (words == notOpenReason())
        return;
    setLastOpen(result);
    setNotOpenReason(std::move(words));
    stateChanged();
}

void TermiosPort::purge() {
    struct stat node {};
    if (fd_ >= 0 && fstat(fd_, &node) == 0 && node.st_nlink == 0)
        noticeHangUp();  // its device node was deleted
    reopenIfDue();
    if (fd_ >= 0)
        tcflush(fd_, TCIOFLUSH);
}

bool TermiosPort::readCounts(ErrorCounts& counts) const {
    serial_icounter_struct icount{};
    if (fd_ < 0 || ioctl(fd_, TIOCGICOUNT, &icount) != 0)
        return false;
    counts = {icount.parity, icount.frame, icount.overrun, icount.buf_overrun, icount.brk};
    return true;
}

unsigned TermiosPort::clearErrors() {
    ErrorCounts now;
    if (!readCounts(now))
        return 0;  // a pseudo-terminal keeps no counters
    unsigned errors = 0;
    if (now.parity != baseline_.parity)
        errors |= kRxParity;
    if (now.frame != baseline_.frame)
        errors |= kRxFrame;
    if (now.overrun != baseline_.overrun)
        errors |= kRxOverrun;
    if (now.bufferOverrun != baseline_.bufferOverrun)
        errors |= kRxBufferOverrun;
    if (now.brk != baseline_.brk)
        errors |= kRxBreak;
    baseline_ = now;
    return errors;
}

void TermiosPort::clearRtsAndDtr() {
    dtrOn_ = false;
    changeModemLines(TIOCMBIC, TIOCM_RTS | TIOCM_DTR);
}

void TermiosPort::clearRtsSetDtr() {
    dtrOn_ = true;
    changeModemLines(TIOCMBIC, TIOCM_RTS);
    changeModemLines(TIOCMBIS, TIOCM_DTR);
}

// A pseudo-terminal has no modem lines and refuses the request (ENOTTY, or
// EINVAL); nothing to report then. A device that has gone away fails here
// too, and the next read or write notices that.
void TermiosPort::changeModemLines(unsigned long request, int lines) {
    if (fd_ >= 0)
        ioctl(fd_, request, &lines);
}

std::size_t TermiosPort::write(const std::uint8_t* data, std::size_t size) {
    reopenIfDue();
    if (fd_ < 0)
        return 0;
    const auto deadline = Clock::now() + kWriteRoomLimit;
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd_, data + written, size - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            if (deviceGone(errno))
                noticeHangUp();
            break;
        }
        const short events = waitFor(fd_, POLLOUT, deadline);
        if ((events & kHangUp) != 0)
            noticeHangUp();
        if (events == 0 || (events & kHangUp) != 0)
            break;
    }
    return written;
}

// Returns when `size` bytes are in; once a byte is in, when no further byte
// came within the interval after the last one; at the latest when
// constant + multiplier * size ms have passed, and never after a minute. A
// hang-up ends it at once. While several bytes are still to come it sleeps
// through the time the line needs for them, so that a reply coming byte by
// byte costs a few wake-ups rather than one a byte; a reply that stops short
// inside such a sleep ends at most that sleep later than one interval after
// its last byte.
std::size_t TermiosPort::read(std::uint8_t* buffer, std::size_t size) {
    if (fd_ < 0 || size == 0)
        return 0;
    const auto start = Clock::now();
    const auto totalDeadline = start + readTimeLimit(timeouts_, size);
    const milliseconds interval(timeouts_.readInterval);
    auto lastByte = start;
    std::size_t got = 0;
    bool woken = false;  // the last wait said bytes were ready
    for (;;) {
        const ssize_t n = ::read(fd_, buffer + got, size - got);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            lastByte = Clock::now();
            if (got == size)
                return got;
            woken = false;
            // The rest cannot come faster than the line carries it: instead of
            // waking for each byte, sleep until it can all be in, within the
            // interval and the deadline. Only a hang-up wakes earlier. For the
            // last few bytes waiting for the next one costs no more wake-ups;
            // nor does it when the reply is already whole and the read asks a
            // little more (a read of registers asks two bytes beyond it).
            if (size - got < kSleepFrom)
                continue;
            auto until = std::min(lastByte + lineTime(line_, size - got), totalDeadline);
            if (interval.count() > 0)
                until = std::min(until, lastByte + interval);
            if ((waitFor(fd_, 0, until) & kHangUp) != 0)
                return got + takeRestAfterHangUp(buffer + got, size - got);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            if (deviceGone(errno))
                noticeHangUp();
            return got;
        }
        // Nothing although poll reported input: the line has ended.
        if (woken)
            return got;

        auto deadline = totalDeadline;
        if (got > 0 && interval.count() > 0 && lastByte + interval < deadline) {
            deadline = lastByte + interval;
        }
        const short events = waitFor(fd_, POLLIN, deadline);
        if (events == 0)
            return got;
        if ((events & kHangUp) != 0)
            return got + takeRestAfterHangUp(buffer + got, size - got);
        woken = true;
    }
}

// Takes what is still buffered of a hung-up device, then lets it go.
std::size_t TermiosPort::takeRestAfterHangUp(std::uint8_t* buffer, std::size_t size) {
    const ssize_t rest = ::read(fd_, buffer, size);
    noticeHangUp();
    return rest > 0 ? static_cast<std::size_t>(rest) : 0;
}

}  // namespace m8163
