// Transactions through ser2net on the local machine against the same
// module on its pseudo-terminal directly: the median time of a
// ReadRegisters of 7, both ways, at 19200 bit/s; the gaps inside replies
// that come over TCP (what the network allowance must bridge); and what the
// allowance costs a silent trial of a search (a module number nobody
// answers). Prints figures; never fails the run.
// Usage: device_server_bench [ROUNDS]   (default 100; needs ser2net)

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "../tests/sim/ser2net_server.h"
#include "base/clock.h"
#include "link/device_port.h"
#include "link/port_open.h"
#include "module/register_image.h"
#include "protocol/transactions.h"
#include "sim/pty_server.h"

using namespace m8163;
using Steady = std::chrono::steady_clock;

namespace {

struct Figures {
    double medianMs = 0;
    double p90Ms = 0;
    int failures = 0;
};

Figures measure(int rounds, const std::function<bool()>& transaction) {
    std::vector<double> times;
    Figures f;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Steady::now();
        if (!transaction())
            ++f.failures;
        times.push_back(std::chrono::duration<double, std::milli>(Steady::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    f.medianMs = times[times.size() / 2];
    f.p90Ms = times[times.size() * 9 / 10];
    return f;
}

// ReadRegisters of 7 from `address` over `device` with `allowanceMs`.
Figures readSeven(const std::string& device, int address, int timeoutMs, std::uint32_t allowanceMs,
                  int rounds) {
    DevicePort port;
    PortOptions options;
    options.networkAllowanceMs = allowanceMs;
    port.setOptions(options);
    const OpenResult opened = port.open(device, {19200, Parity::None}, openingTimeouts(19200, timeoutMs));
    if (!opened.ok) {
        std::fprintf(stderr, "open %s: %s\n", device.c_str(), opened.reason.c_str());
        return {0, 0, rounds};
    }
    ConnectionSettings settings;
    settings.speed = 19200;
    settings.moduleAddress = address;
    settings.timeoutMs = timeoutMs;
    SystemClock clock;
    const ModbusLine line{port, settings, clock};
    Figures f = measure(rounds, [&] {
        std::array<std::uint16_t, 7> values{};
        return readRegisters(line, reg::kMeasuredValue, values).ok();
    });
    port.close();
    return f;
}

// Sends the request of a ReadRegisters of 7 over plain TCP and notes when
// each piece of the reply arrives: the largest gap between two pieces of one
// reply, and how many replies came in more than one piece.
void replyGaps(int port, int rounds) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::fprintf(stderr, "no connection for the gap figures\n");
        return;
    }
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    std::vector<std::uint8_t> request = {1, 3, 0, 0, 0, 7};
    const std::uint16_t start = reg::kMeasuredValue;
    request[2] = static_cast<std::uint8_t>(start >> 8);
    request[3] = static_cast<std::uint8_t>(start & 0xFF);
    const std::uint16_t crc = crc16(request.data(), request.size());
    request.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    request.push_back(static_cast<std::uint8_t>(crc >> 8));
    double largestGap = 0;
    std::vector<double> gaps;
    int split = 0;
    int whole = 0;
    for (int i = 0; i < rounds; ++i) {
        if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(request.size()))
            break;
        std::size_t got = 0;
        int pieces = 0;
        auto last = Steady::now();
        while (got < 19) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 1000) <= 0)
                break;
            std::uint8_t buffer[64];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            const auto now = Steady::now();
            if (pieces > 0) {
                const double gap = std::chrono::duration<double, std::milli>(now - last).count();
                largestGap = std::max(largestGap, gap);
                gaps.push_back(gap);
            }
            last = now;
            ++pieces;
            got += static_cast<std::size_t>(n);
        }
        if (got == 19)
            ++whole;
        if (pieces > 1)
            ++split;
    }
    ::close(fd);
    std::sort(gaps.begin(), gaps.end());
    std::printf(
        "  replies over TCP: %d whole of %d, %d in more than one piece, gap between "
        "pieces median %.2f ms, largest %.2f ms\n",
        whole, rounds, split, gaps.empty() ? 0.0 : gaps[gaps.size() / 2], largestGap);
}

void print(const char* what, const Figures& f, double floorMs) {
    std::printf("  %-44s median %7.2f ms  p90 %7.2f ms  ratio to the local %5.2f  failures %d\n",
                what, f.medianMs, f.p90Ms, floorMs > 0 ? f.medianMs / floorMs : 0.0, f.failures);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 100;
    if (!sim::test::Ser2net::installed()) {
        std::printf("ser2net is not installed: nothing measured\n");
        return 0;
    }
    char name[] = "/tmp/m8163-server-bench.XXXXXX";
    if (mkdtemp(name) == nullptr)
        return 1;
    const std::string folder = name;
    int result = 0;
    {
        sim::ServerOptions options;  // module 1 at 19200 bit/s without parity
        sim::PtyServer module(std::move(options));
        module.start();
        sim::test::Ser2net server(folder, module.path());
        server.start();

        std::printf(
            "ReadRegisters(7) of module 1 at 19200 bit/s, %d rounds each, load %s\n", rounds, [] {
                double load[1] = {0};
                static char text[16];
                std::snprintf(text, sizeof text, "%.2f", getloadavg(load, 1) == 1 ? load[0] : -1.0);
                return text;
            }());
        const Figures local = readSeven(module.path(), 1, 1000, 0, rounds);
        print("local pseudo-terminal (the floor)", local, local.medianMs);
        for (std::uint32_t allowance : {0u, kDefaultNetworkAllowanceMs}) {
            for (const std::string& url : {server.rfc2217Url(), server.rawUrl()}) {
                const std::string what = url.substr(0, url.find(':')) + ", allowance " +
                                         std::to_string(allowance) + " ms";
                print(what.c_str(), readSeven(url, 1, 1000, allowance, rounds), local.medianMs);
            }
        }
        replyGaps(std::stoi(server.rawUrl().substr(server.rawUrl().rfind(':') + 1)), rounds);

        // A silent trial: the read waits its whole time-out (200 ms here, as
        // a search with that TimeOut) and the allowance on top.
        const int silentRounds = std::max(5, rounds / 10);
        std::printf("Silent trial (module 9, nobody answers), TimeOut 200 ms, %d rounds each\n",
                    silentRounds);
        const Figures silentLocal = readSeven(module.path(), 9, 200, 0, silentRounds);
        print("local pseudo-terminal", silentLocal, silentLocal.medianMs);
        for (std::uint32_t allowance : {0u, kDefaultNetworkAllowanceMs, 200u}) {
            const std::string what = "rfc2217, allowance " + std::to_string(allowance) + " ms";
            print(what.c_str(), readSeven(server.rfc2217Url(), 9, 200, allowance, silentRounds),
                  silentLocal.medianMs);
        }
        server.stop();
        module.stop();
    }
    std::filesystem::remove_all(folder);
    return result;
}
