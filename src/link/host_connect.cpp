#include "link/host_connect.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <thread>

#include "link/system_reason.h"

namespace m8163 {
namespace {

using Clock = std::chrono::steady_clock;

struct AddressList {
    addrinfo* list = nullptr;
    int status = EAI_AGAIN;
    ~AddressList() {
        if (list != nullptr)
            freeaddrinfo(list);
    }
};

// A lookup on its own thread. Whoever ends last, the thread or the caller
// that gave up waiting, frees it.
struct Lookup {
    Lookup() = default;
    ~Lookup() {
        for (int fd : done) {
            if (fd >= 0)
                close(fd);
        }
    }
    Lookup(const Lookup&) = delete;
    Lookup& operator=(const Lookup&) = delete;

    int done[2] = {-1, -1};
    std::mutex mutex;
    bool finished = false;
    AddressList addresses;
};

addrinfo hints(int flags) {
    addrinfo h{};
    h.ai_family = AF_UNSPEC;
    h.ai_socktype = SOCK_STREAM;
    h.ai_flags = flags | AI_NUMERICSERV;
    return h;
}

std::string lookupReason(int status) {
    if (status == EAI_NONAME || status == EAI_NODATA)
        return "узел не найден";
    return gai_strerror(status);
}

// Resolves `host`; an address given as such needs no lookup and no thread.
std::shared_ptr<Lookup> resolve(const std::string& host, const std::string& port,
                                PortWait::Deadline deadline, const WaitForFd& wait,
                                HostConnection& failure) {
    auto lookup = std::make_shared<Lookup>();
    const addrinfo numeric = hints(AI_NUMERICHOST);
    lookup->addresses.status =
        getaddrinfo(host.c_str(), port.c_str(), &numeric, &lookup->addresses.list);
    if (lookup->addresses.status == 0)
        return lookup;
    lookup->addresses.list = nullptr;
    if (pipe2(lookup->done, O_CLOEXEC | O_NONBLOCK) != 0) {
        failure = {-1, EMFILE, systemReason(EMFILE)};
        return nullptr;
    }
    std::thread([lookup, host, port] {
        const addrinfo byName = hints(AI_ADDRCONFIG);
        addrinfo* list = nullptr;
        const int status = getaddrinfo(host.c_str(), port.c_str(), &byName, &list);
        {
            const std::lock_guard lock(lookup->mutex);
            lookup->addresses.list = list;
            lookup->addresses.status = status;
            lookup->finished = true;
        }
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = write(lookup->done[1], &byte, 1);
    }).detach();
    for (;;) {
        {
            const std::lock_guard lock(lookup->mutex);
            if (lookup->finished)
                break;
        }
        // A wait that gives up early (the program is to stop) ends it as
        // the deadline does.
        if (wait(lookup->done[0], POLLIN, deadline) == 0) {
            const std::lock_guard lock(lookup->mutex);
            if (lookup->finished)
                break;
            failure = {-1, ETIMEDOUT, "имя узла не найдено вовремя"};
            return nullptr;
        }
    }
    const std::lock_guard lock(lookup->mutex);
    if (lookup->addresses.status != 0) {
        failure = {-1, EHOSTUNREACH, lookupReason(lookup->addresses.status)};
        return nullptr;
    }
    return lookup;
}

// One address: the socket connected by the deadline, or -1 with `error`.
int connectTo(const addrinfo& address, PortWait::Deadline deadline, const WaitForFd& wait,
              int& error) {
    const int fd = socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                          address.ai_protocol);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    if (connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
        if (errno != EINPROGRESS) {
            error = errno;
            close(fd);
            return -1;
        }
        const short events = wait(fd, POLLOUT, deadline);
        int soError = 0;
        socklen_t length = sizeof soError;
        if (events == 0) {
            soError = ETIMEDOUT;
        } else if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length) != 0) {
            soError = errno;
        }
        if (soError != 0) {
            error = soError;
            close(fd);
            return -1;
        }
    }
    // A request is one small write that must leave at once.
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

}  // namespace

HostConnection connectToHost(const std::string& host, const std::string& port,
                             PortWait::Deadline deadline, const WaitForFd& wait) {
    HostConnection result;
    const std::shared_ptr<Lookup> lookup = resolve(host, port, deadline, wait, result);
    if (!lookup)
        return result;
    int error = EHOSTUNREACH;
    for (const addrinfo* a = lookup->addresses.list; a != nullptr; a = a->ai_next) {
        if (Clock::now() >= deadline) {
            error = ETIMEDOUT;
            break;
        }
        const int fd = connectTo(*a, deadline, wait, error);
        if (fd >= 0) {
            result.fd = fd;
            return result;
        }
    }
    result.error = error;
    result.reason = error == ETIMEDOUT ? "сервер не ответил вовремя" : systemReason(error);
    return result;
}

}  // namespace m8163
