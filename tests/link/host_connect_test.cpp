// Connections by host name, where the name is looked up on a helper thread
// that may outlive the caller: found and connected, given up at the
// deadline with the thread still running, and an unknown name refused. The
// ThreadSanitizer build runs these (scripts/tsan.sh).

#include "link/host_connect.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace m8163 {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A socket listening on 127.0.0.1; connections wait in its backlog.
class Listener {
  public:
    Listener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(fd_, 4) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("no listening socket");
        port_ = std::to_string(ntohs(address.sin_port));
    }
    ~Listener() { ::close(fd_); }
    const std::string& port() const { return port_; }

  private:
    int fd_ = -1;
    std::string port_;
};

HostConnection connect(const std::string& host, const std::string& port, Clock::duration within) {
    return connectToHost(host, port, Clock::now() + within, waitInKernel);
}

TEST(HostConnectTest, NameIsLookedUpAndConnected) {
    const Listener listener;
    // localhost may name ::1 first, where nothing listens: the next address
    // is tried.
    const HostConnection byName = connect("localhost", listener.port(), 3s);
    ASSERT_GE(byName.fd, 0) << byName.reason;
    ::close(byName.fd);
    const HostConnection byAddress = connect("127.0.0.1", listener.port(), 3s);
    ASSERT_GE(byAddress.fd, 0) << byAddress.reason;
    ::close(byAddress.fd);
}

TEST(HostConnectTest, DeadlineEndsTheWaitAndTheLookupFinishesAlone) {
    const Listener listener;
    // Given up before the lookup can answer: the caller returns, the helper
    // thread finishes on its own and frees what it shares. Repeated, so that
    // the thread's end falls at different points of the caller's.
    for (int i = 0; i < 20; ++i) {
        const auto started = Clock::now();
        const HostConnection late = connect("localhost", listener.port(), 0ms);
        EXPECT_LT(Clock::now() - started, 1s);
        if (late.fd >= 0) {
            ::close(late.fd);  // the lookup won the race: no fault
            continue;
        }
        EXPECT_EQ(late.error, ETIMEDOUT) << late.reason;
    }
    std::this_thread::sleep_for(200ms);
}

TEST(HostConnectTest, UnknownNameIsRefusedWithItsReason) {
    // .invalid is never a name (RFC 6761); without a resolver the lookup may
    // also run out of time. Either way no connection and a reason.
    const HostConnection unknown = connect("no-such-server.invalid", "4001", 3s);
    EXPECT_LT(unknown.fd, 0);
    EXPECT_FALSE(unknown.reason.empty());
}

}  // namespace
}  // namespace m8163
