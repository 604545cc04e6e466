#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// A pseudo-terminal whose master side the test drives as the far end of the
// line; the code under test opens `slave` as its serial device.

namespace m8163::test {

class PtyPair {
  public:
    int master = -1;
    std::string slave;

    PtyPair() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128] = {};
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
            ptsname_r(master, name, sizeof name) != 0) {
            throw std::runtime_error("no pseudo-terminal");
        }
        slave = name;
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;
    ~PtyPair() { closeMaster(); }

    // Hangs the line up for the slave side.
    void closeMaster() {
        if (master >= 0)
            ::close(master);
        master = -1;
    }

    void send(const std::vector<std::uint8_t>& bytes) const {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                throw std::runtime_error("pseudo-terminal write failed");
            done += static_cast<std::size_t>(n);
        }
    }

    // What the slave side wrote: up to `count` bytes within `limit`.
    std::vector<std::uint8_t> receive(std::size_t count, std::chrono::milliseconds limit) const {
        std::vector<std::uint8_t> bytes;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (bytes.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{master, POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
                break;
            if ((p.revents & POLLIN) == 0)
                break;
            std::uint8_t chunk[256];
            const ssize_t n = ::read(master, chunk, std::min(sizeof chunk, count - bytes.size()));
            if (n <= 0)
                break;
            bytes.insert(bytes.end(), chunk, chunk + n);
        }
        return bytes;
    }
};

}  // namespace m8163::test
