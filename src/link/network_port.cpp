#include "link/network_port.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "link/host_connect.h"
#include "link/port_state.h"

namespace m8163 {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kWriteRoomLimit{2000};
constexpr std::chrono::seconds kReopenSpacing{1};
constexpr short kHangUp = POLLHUP | POLLERR | POLLNVAL | POLLRDHUP;
// A busy server is asked again after this pause, for at most kBusyLimit.
constexpr milliseconds kBusyPause{50};
constexpr milliseconds kBusyLimit{1000};
// How long a plain connection is watched for a server that closes it at once.
constexpr milliseconds kPlainCloseWait{20};

OpenResult failure(int error, std::string reason) {
    return {false, error, std::move(reason), 0};
}

}  // namespace

NetworkPort::~NetworkPort() {
    disconnect();
}

void NetworkPort::setOptions(const PortOptions& options) {
    options_ = options;
    useTimeouts();
}

OpenResult NetworkPort::open(const std::string& device, const LineSettings& line,
                             const PortTimeouts& timeouts) {
    close();
    const std::optional<DeviceUrl> url = parseDeviceUrl(device);
    if (!url) {
        return failure(EINVAL,
                       "адрес не понят; пишется rfc2217://узел:порт или socket://узел:порт");
    }
    url_ = *url;
    device_ = device;
    line_ = line;
    requestedTimeouts_ = timeouts;
    useTimeouts();
    OpenResult result = resume() ? OpenResult{true, 0, {}, 0} : connectServer();
    if (!result.ok) {
        device_.clear();
        return result;
    }
    // The kernel's RS-485 mode is a local port's: a server drives its own
    // line. Told once per URL, as a device without the mode is.
    if (options_.rs485 && rs485Told_ != device_) {
        rs485Told_ = device_;
        result.rs485Refused = EOPNOTSUPP;
        result.reason =
            "режим RS-485 задаётся на сервере порта, не в этой программе; слова rs485 раздела "
            "[COM_OPTIONS] для сервера по сети ничего не меняют";
    }
    return result;
}

// Takes up the connection kept by close() when it is to the same URL and
// the server is still there. Over RFC 2217 a line format other than the one
// in force is set in band; over plain TCP there is nothing to set.
bool NetworkPort::resume() {
    if (keptFd_ < 0 || keptDevice_ != device_) {
        releaseKept();
        return false;
    }
    fd_ = keptFd_;
    keptFd_ = -1;
    keptDevice_.clear();
    connecting_ = true;
    const auto deadline = Clock::now() + kConnectLimit;
    const bool alive = receiveWaiting(deadline);
    if (alive && rfc2217() && line_ != serverLine_)
        applyLineFormat(deadline);
    connecting_ = false;
    received_.clear();
    overflowed_ = false;
    // A stop cuts the wait for the acknowledgements short, not the open:
    // the connection is there.
    if (alive && fd_ >= 0)
        return true;
    release();
    return false;
}

// A server still busy with the connection before (ser2net takes some
// milliseconds to let a port go) accepts the next one and closes it again
// at once, with a word of why: that is tried again for a while.
OpenResult NetworkPort::connectServer() {
    connecting_ = true;
    stopped_ = false;
    const auto start = Clock::now();
    const auto deadline = start + kConnectLimit;
    OpenResult result;
    for (;;) {
        result = negotiate(deadline);
        const auto retryAt = Clock::now() + kBusyPause;
        if (result.ok || stopped_ || result.error != ECONNRESET || retryAt >= start + kBusyLimit)
            break;
        waitBounded(-1, 0, retryAt);
    }
    connecting_ = false;
    if (!result.ok && stopped_) {
        release();
        return failure(EINTR, "соединение с сервером прервано: программа закрывается");
    }
    return result;
}

OpenResult NetworkPort::negotiate(Clock::time_point deadline) {
    const HostConnection connection = connectToHost(
        url_.host, url_.port, deadline, [this](int fd, short events, PortWait::Deadline until) {
            return waitBounded(fd, events, until);
        });
    if (connection.fd < 0)
        return failure(connection.error, connection.reason);
    fd_ = connection.fd;
    codec_ = Rfc2217Codec{};
    received_.clear();
    overflowed_ = false;
    fault_.clear();
    purgeReplies_ = true;
    armQuickAck();
    if (!rfc2217()) {
        // Nothing is said on a plain connection; a server that refuses it
        // closes it at once.
        receiveUntil([] { return false; }, std::min(deadline, Clock::now() + kPlainCloseWait));
        if (fd_ < 0)
            return closedByServer();
        received_.clear();
        return {true, 0, {}, 0};
    }

    const bool answered =
        sendAll(codec_.greeting(), deadline) &&
        receiveUntil([this] { return codec_.agreement() != ComPortAgreement::Pending; }, deadline);
    if (fd_ < 0)
        return closedByServer();
    if (!answered || codec_.agreement() != ComPortAgreement::Accepted) {
        release();
        const std::string plain = "socket://" + device_.substr(device_.find("://") + 3);
        return failure(EPROTONOSUPPORT,
                       (answered ? std::string("сервер отказался от настройки порта по RFC 2217")
                                 : std::string("сервер не ответил на согласование RFC 2217")) +
                           "; сервер с постоянным форматом линии открывается как " + plain);
    }
    applyLineFormat(deadline);
    if (fd_ < 0)
        return closedByServer();
    return {true, 0, {}, 0};
}

// The server's own words before it closed, when it said any ("Port already
// in use"), go with the reason.
OpenResult NetworkPort::closedByServer() {
    if (!fault_.empty()) {
        received_.clear();
        return failure(EPROTO, fault_);
    }
    std::string said;
    for (std::uint8_t c : received_) {
        if (c >= 0x20 && c < 0x7F)
            said += static_cast<char>(c);
        else if (!said.empty() && said.back() != ' ')
            said += ' ';
    }
    received_.clear();
    while (!said.empty() && said.back() == ' ')
        said.pop_back();
    return failure(ECONNRESET, said.empty()
                                   ? "сервер закрыл соединение"
                                   : "сервер закрыл соединение: «" + said.substr(0, 200) + "»");
}

// The four settings of the line, each answered by a server that applied
// it. The wait lets the speed be in force before the first request goes
// out (a search changes speeds between trials); a server that does not
// answer costs the wait once per open, and the port goes on.
void NetworkPort::applyLineFormat(Clock::time_point deadline) {
    const std::uint8_t settings[] = {comport::kSetBaudRate, comport::kSetDataSize,
                                     comport::kSetParity, comport::kSetStopSize};
    unsigned before[4];
    for (std::size_t i = 0; i < 4; ++i)
        before[i] = codec_.replies(settings[i]);
    std::vector<std::uint8_t> commands =
        Rfc2217Codec::setBaudRate(static_cast<std::uint32_t>(std::max(line_.speed, 0)));
    for (const auto& c :
         {Rfc2217Codec::setDataSize(8), Rfc2217Codec::setParity(line_.parity),
          Rfc2217Codec::setOneStopBit(), Rfc2217Codec::setControl(comport::kNoFlowControl),
          Rfc2217Codec::setLineStateMask(comport::kLineOverrun | comport::kLineParity |
                                         comport::kLineFraming | comport::kLineBreak)}) {
        commands.insert(commands.end(), c.begin(), c.end());
    }
    if (!sendAll(commands, deadline))
        return;
    serverLine_ = line_;
    receiveUntil(
        [&] {
            for (std::size_t i = 0; i < 4; ++i) {
                if (codec_.replies(settings[i]) == before[i])
                    return false;
            }
            return true;
        },
        std::min(deadline, Clock::now() + kCommandReplyLimit));
    // Data before the line was set is not the module's answer to anything.
    received_.clear();
}

void NetworkPort::close() {
    // A program that is to stop needs the connection no more.
    if (fd_ >= 0 && !lost_ && !stopAsked()) {
        releaseKept();
        keptFd_ = fd_;
        keptDevice_ = device_;
        fd_ = -1;
    }
    release();
    received_.clear();
    device_.clear();
    lost_ = false;
    dtrOn_ = false;
}

void NetworkPort::disconnect() {
    close();
    releaseKept();
}

void NetworkPort::release() {
    if (fd_ < 0)
        return;
    ::close(fd_);
    fd_ = -1;
}

// The server ends its side first: a server that forks a child for each
// connection (socat's fork bridge) goes on reading the line for its
// half-close time (0.5 s unless told otherwise) after the client has gone,
// and would take the reply meant for the next connection, of this program
// or another. Waited for at most kGentleCloseLimit, not at all once the
// program is to stop, nor past kKeptLimit bytes (a server that floods the
// connection ends no side of it).
void NetworkPort::releaseKept() {
    if (keptFd_ < 0)
        return;
    if (::shutdown(keptFd_, SHUT_WR) == 0) {
        const auto deadline = Clock::now() + kGentleCloseLimit;
        std::uint8_t sink[kKeptLimit];
        std::size_t drained = 0;
        while (!stopAsked() && Clock::now() < deadline && drained <= kKeptLimit) {
            const ssize_t n = ::recv(keptFd_, sink, sizeof sink, MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
                break;
            if (n > 0)
                drained += static_cast<std::size_t>(n);
            else
                waitFor(keptFd_, POLLIN, std::min(deadline, Clock::now() + kStopCheck));
        }
    }
    ::close(keptFd_);
    keptFd_ = -1;
    keptDevice_.clear();
}

void NetworkPort::noticeHangUp(const std::string& why) {
    if (fd_ < 0)
        return;
    release();
    fault_ = why;
    if (connecting_)
        return;  // the connection attempt fails, and says why
    lost_ = true;
    nextReopen_ = Clock::now();
    PortState state;
    state.condition = PortCondition::Lost;
    state.device = device_;
    setNotOpenReason(why.empty() ? portStateText(state)
                                 : "Порт не открыт: связь с " + device_ + " прервана: " + why);
    stateChanged();
}

void NetworkPort::reopenIfLost() {
    const auto now = Clock::now();
    if (!lost_ || now < nextReopen_)
        return;
    nextReopen_ = now + kReopenSpacing;
    if (!connectServer().ok) {
        // Tried again no sooner than a second after this attempt ended.
        nextReopen_ = std::max(nextReopen_, Clock::now() + kReopenSpacing);
        return;
    }
    lost_ = false;
    setNotOpenReason({});
    const bool dtr = dtrOn_;
    clearRtsAndDtr();
    if (dtr)
        clearRtsSetDtr();
    stateChanged();
}

void NetworkPort::setTimeouts(const PortTimeouts& timeouts) {
    requestedTimeouts_ = timeouts;
    useTimeouts();
}

void NetworkPort::useTimeouts() {
    timeouts_ = requestedTimeouts_;
    const std::uint32_t allowance = options_.networkAllowanceMs;
    timeouts_.readConstant += allowance;
    if (timeouts_.readInterval != 0)
        timeouts_.readInterval += allowance;
}

// Linux leaves quick acknowledgement after a while by itself: armed again
// before every wait for the server.
void NetworkPort::armQuickAck() const {
    const int on = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
}

void NetworkPort::keep(const std::uint8_t* bytes, std::size_t size) {
    const std::size_t room = kKeptLimit - std::min(kKeptLimit, received_.size());
    const std::size_t take = std::min(room, size);
    received_.insert(received_.end(), bytes, bytes + take);
    if (take < size)
        overflowed_ = true;
}

bool NetworkPort::receiveWaiting(Clock::time_point deadline) {
    std::uint8_t chunk[4096];
    std::vector<std::uint8_t> data;
    std::vector<std::uint8_t> answers;
    for (std::size_t taken = 0; taken < kReceiveBudget;) {
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n > 0) {
            taken += static_cast<std::size_t>(n);
            if (!rfc2217()) {
                keep(chunk, static_cast<std::size_t>(n));
                continue;
            }
            data.clear();
            answers.clear();
            codec_.receive(chunk, static_cast<std::size_t>(n), data, answers);
            keep(data.data(), data.size());
            if (codec_.overlong()) {
                noticeHangUp("сервер " + url_.host + ":" + url_.port +
                             " прислал согласование RFC 2217 длиннее " +
                             std::to_string(kLongestSubNegotiation) + " байт; соединение закрыто");
                return false;
            }
            if (!answers.empty() &&
                !sendAll(answers, std::min(deadline, Clock::now() + kWriteRoomLimit)))
                return false;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        noticeHangUp();  // the server closed the connection, or it broke
        return false;
    }
    armQuickAck();
    return true;
}

short NetworkPort::waitBounded(int fd, short events, Clock::time_point deadline) {
    if (!connecting_)
        return waitFor(fd, events, deadline);
    for (;;) {
        if (stopAsked()) {
            stopped_ = true;
            return 0;
        }
        const auto slice = std::min(deadline, Clock::now() + kStopCheck);
        const short ready = waitFor(fd, events, slice);
        if (ready != 0 || slice >= deadline)
            return ready;
    }
}

template <typename Done>
bool NetworkPort::receiveUntil(Done done, Clock::time_point deadline) {
    for (;;) {
        if (fd_ < 0 || !receiveWaiting(deadline))
            return false;
        if (done())
            return true;
        if (Clock::now() >= deadline || waitBounded(fd_, POLLIN, deadline) == 0)
            return false;
    }
}

bool NetworkPort::sendAll(const std::vector<std::uint8_t>& bytes, Clock::time_point deadline) {
    std::size_t sent = 0;
    while (sent < bytes.size() && fd_ >= 0) {
        const ssize_t n =
            ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            noticeHangUp();
            return false;
        }
        const short events = waitBounded(fd_, POLLOUT, deadline);
        if ((events & kHangUp) != 0) {
            noticeHangUp();
            return false;
        }
        if (events == 0)
            return false;
    }
    return sent == bytes.size();
}

// Commands of the control lines are not acknowledged by every server: sent,
// never waited for.
void NetworkPort::sendCommand(const std::vector<std::uint8_t>& bytes) {
    if (fd_ >= 0 && rfc2217())
        sendAll(bytes, Clock::now() + kWriteRoomLimit);
}

void NetworkPort::purge() {
    reopenIfLost();
    // What the last connection left unread goes too, whether or not the
    // port is open now.
    const bool open = fd_ >= 0 && receiveWaiting(Clock::now() + kWriteRoomLimit);
    received_.clear();
    overflowed_ = false;
    if (!open || !rfc2217())
        return;
    // What the server sent before its reply to the purge is old; so is what
    // its buffers held. A server that once left a purge unanswered is not
    // waited for again.
    const unsigned before = codec_.replies(comport::kPurgeData);
    if (!sendAll(Rfc2217Codec::purgeBoth(), Clock::now() + kWriteRoomLimit))
        return;
    if (purgeReplies_) {
        purgeReplies_ = receiveUntil([&] { return codec_.replies(comport::kPurgeData) != before; },
                                     Clock::now() + kCommandReplyLimit);
    }
    received_.clear();
    overflowed_ = false;
}

unsigned NetworkPort::clearErrors() {
    const std::uint8_t line = codec_.takeLineErrors();
    unsigned errors = 0;
    if ((line & comport::kLineParity) != 0)
        errors |= kRxParity;
    if ((line & comport::kLineFraming) != 0)
        errors |= kRxFrame;
    if ((line & comport::kLineOverrun) != 0)
        errors |= kRxOverrun;
    if ((line & comport::kLineBreak) != 0)
        errors |= kRxBreak;
    if (overflowed_)
        errors |= kRxBufferOverrun;
    overflowed_ = false;
    return errors;
}

void NetworkPort::clearRtsAndDtr() {
    dtrOn_ = false;
    sendCommand(Rfc2217Codec::setControl(comport::kRtsOff));
    sendCommand(Rfc2217Codec::setControl(comport::kDtrOff));
}

void NetworkPort::clearRtsSetDtr() {
    dtrOn_ = true;
    sendCommand(Rfc2217Codec::setControl(comport::kRtsOff));
    sendCommand(Rfc2217Codec::setControl(comport::kDtrOn));
}

std::size_t NetworkPort::write(const std::uint8_t* data, std::size_t size) {
    reopenIfLost();
    if (fd_ < 0)
        return 0;
    std::vector<std::uint8_t> wire;
    if (rfc2217())
        Rfc2217Codec::escape(data, size, wire);
    else
        wire.assign(data, data + size);
    return sendAll(wire, Clock::now() + kWriteRoomLimit) ? size : 0;
}

// Returns when `size` bytes are in; once a byte is in, when no further byte
// came within the interval after the last one; at the latest when the read's
// time limit has passed. A dropped connection ends it at once.
std::size_t NetworkPort::read(std::uint8_t* buffer, std::size_t size) {
    if (size == 0 || (fd_ < 0 && received_.empty()))
        return 0;
    const auto start = Clock::now();
    const auto totalDeadline = start + readTimeLimit(timeouts_, size);
    const milliseconds interval(timeouts_.readInterval);
    auto lastByte = start;
    std::size_t got = 0;
    for (;;) {
        const std::size_t take = std::min(received_.size(), size - got);
        if (take > 0) {
            std::copy_n(received_.begin(), take, buffer + got);
            received_.erase(received_.begin(), received_.begin() + static_cast<long>(take));
            got += take;
            lastByte = Clock::now();
            if (got == size)
                return got;
        }
        if (fd_ < 0)
            return got;
        auto deadline = totalDeadline;
        if (got > 0 && interval.count() > 0)
            deadline = std::min(deadline, lastByte + interval);
        if (Clock::now() >= deadline)
            return got;
        const short events = waitFor(fd_, POLLIN, deadline);
        if (events == 0)
            return got;
        receiveWaiting(deadline);
    }
}

}  // namespace m8163
