#include "base/port_wait.h"

#include <poll.h>

#include <cerrno>
#include <ctime>

namespace m8163 {

short waitInKernel(int fd, short events, PortWait::Deadline deadline) {
    using Clock = std::chrono::steady_clock;
    for (;;) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero())
            return 0;
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        const timespec timeout{static_cast<time_t>(ns / 1'000'000'000),
                               static_cast<long>(ns % 1'000'000'000)};
        pollfd p{fd, events, 0};
        const int r = ppoll(&p, fd < 0 ? 0 : 1, &timeout, nullptr);
        if (r > 0)
            return p.revents;
        if (r == 0)
            return 0;
        if (errno != EINTR)
            return POLLERR;
    }
}

}  // namespace m8163
