#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/frame.h"

// Helpers of the simulator's tests: a fresh temporary folder per test and a
// minimal termios master that talks to the simulator the way a serial
// program does.

namespace m8163::sim::test {

class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "sim8163-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

inline std::vector<std::uint8_t> bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

// The bytes with their CRC appended.
inline std::vector<std::uint8_t> withCrc(std::initializer_list<int> values) {
    std::vector<std::uint8_t> out = bytes(values);
    appendCrc(out);
    return out;
}

// A raw 8-bit termios master on the simulator's pseudo-terminal. Parity sets
// INPCK as our port does, which is how the simulator sees it.
class RawClient {
  public:
    RawClient(const std::string& path, int speed, int parity) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0)
            throw std::runtime_error("cannot open " + path);
        setLine(speed, parity);
    }
    ~RawClient() { ::close(fd_); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    void setLine(int speed, int parity) {
        termios tio{};
        ::tcgetattr(fd_, &tio);
        ::cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        tio.c_cflag &= ~(PARENB | PARODD);
        tio.c_iflag &= ~INPCK;
        if (parity != 0) {
            tio.c_cflag |= PARENB;
            tio.c_iflag |= INPCK;
            if (parity == 1)
                tio.c_cflag |= PARODD;
        }
        speed_t constant = speed == 1200     ? B1200
                           : speed == 2400   ? B2400
                           : speed == 4800   ? B4800
                           : speed == 9600   ? B9600
                           : speed == 38400  ? B38400
                           : speed == 57600  ? B57600
                           : speed == 115200 ? B115200
                                             : B19200;
        ::cfsetispeed(&tio, constant);
        ::cfsetospeed(&tio, constant);
        ::tcsetattr(fd_, TCSANOW, &tio);
    }

    void send(const std::vector<std::uint8_t>& frame) {
        ::tcflush(fd_, TCIOFLUSH);
        [[maybe_unused]] ssize_t n = ::write(fd_, frame.data(), frame.size());
    }

    // Collects bytes until `expected` are in, or the line is silent for
    // `silence` after a byte, or `total` passes.
    std::vector<std::uint8_t> receive(
        std::size_t expected, std::chrono::milliseconds total = std::chrono::seconds(5),
        std::chrono::milliseconds silence = std::chrono::milliseconds(100)) {
        std::vector<std::uint8_t> got;
        auto end = std::chrono::steady_clock::now() + total;
        while (got.size() < expected) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            if (!got.empty() && left > silence)
                left = silence;
            pollfd p{fd_, POLLIN, 0};
            int n = ::poll(&p, 1, static_cast<int>(left.count()));
            if (n <= 0) {
                if (!got.empty())
                    break;
                continue;
            }
            std::uint8_t buffer[256];
            ssize_t r = ::read(fd_, buffer, sizeof buffer);
            if (r > 0)
                got.insert(got.end(), buffer, buffer + r);
        }
        return got;
    }

    std::vector<std::uint8_t> transact(const std::vector<std::uint8_t>& frame, std::size_t expected,
                                       std::chrono::milliseconds total = std::chrono::seconds(5)) {
        send(frame);
        return receive(expected, total);
    }

  private:
    int fd_ = -1;
};

}  // namespace m8163::sim::test
