// The serial device servers Linux users run, side by side with the module on
// its pseudo-terminal directly, all on this machine at 19200 bit/s: ser2net
// (RFC 2217 and plain TCP), sredird (RFC 2217, started per connection through
// socat's fork listener, as inetd would) and socat's raw fork bridge (plain
// TCP). For each: a ReadRegisters of 7 (median, p90, failures), the failures
// at each network allowance, a silent trial of a search (reopened at the next
// parity, then a read nobody answers), and the open (a new connection, and
// the kept one taken up again); then the gaps inside replies over plain TCP.
// Prints figures; never fails the run.
// Usage: device_server_bench [ROUNDS]   (default 100; needs ser2net, sredird, socat)

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
#include "../tests/sim/socat_servers.h"
#include "base/clock.h"
#include "link/device_port.h"
#include "link/port_open.h"
#include "module/register_image.h"
#include "protocol/transactions.h"
#include "sim/pty_server.h"

using namespace m8163;
using Steady = std::chrono::steady_clock;
using sim::test::SocatServer;

namespace {

struct Figures {
    double medianMs = 0;
    double p90Ms = 0;
    int failures = 0;
};

double since(Steady::time_point start) {
    return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

Figures summary(std::vector<double> times, int failures) {
    Figures f;
    f.failures = failures;
    if (times.empty())
        return f;
    std::sort(times.begin(), times.end());
    f.medianMs = times[times.size() / 2];
    f.p90Ms = times[times.size() * 9 / 10];
    return f;
}

Figures measure(int rounds, const std::function<bool()>& step) {
    std::vector<double> times;
    int failures = 0;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Steady::now();
        if (!step())
            ++failures;
        times.push_back(since(start));
    }
    return summary(std::move(times), failures);
}

struct Server {
    std::string name;
    std::string device;
};

bool openAt(DevicePort& port, const std::string& device, Parity parity, int timeoutMs) {
    const OpenResult opened = port.open(device, {19200, parity}, openingTimeouts(19200, timeoutMs));
    if (!opened.ok)
        std::fprintf(stderr, "open %s: %s\n", device.c_str(), opened.reason.c_str());
    return opened.ok;
}

bool readSevenOnce(DevicePort& port, int address, int timeoutMs) {
    ConnectionSettings settings;
    settings.speed = 19200;
    settings.moduleAddress = address;
    settings.timeoutMs = timeoutMs;
    SystemClock clock;
    const ModbusLine line{port, settings, clock};
    std::array<std::uint16_t, 7> values{};
    return readRegisters(line, reg::kMeasuredValue, values).ok();
}

// ReadRegisters of 7 from module 1 over `device` with `allowanceMs`.
Figures readSeven(const std::string& device, std::uint32_t allowanceMs, int rounds) {
    DevicePort port;
    PortOptions options;
    options.networkAllowanceMs = allowanceMs;
    port.setOptions(options);
    if (!openAt(port, device, Parity::None, 1000))
        return {0, 0, rounds};
    return measure(rounds, [&] { return readSevenOnce(port, 1, 1000); });
}

// A trial of a search at a module number nobody answers: the port reopened
// at the trial's parity (in band over RFC 2217), then the read's whole
// time-out (200 ms) and the allowance on top.
Figures silentTrial(const std::string& device, int rounds) {
    DevicePort port;
    port.setOptions({});
    int trial = 0;
    return measure(rounds, [&] {
        const Parity parity = ++trial % 2 == 0 ? Parity::None : Parity::Even;
        if (!openAt(port, device, parity, 200))
            return false;
        return !readSevenOnce(port, 9, 200);
    });
}

// A new connection each round (then ended, not timed), and the kept one
// taken up again at another parity.
void opens(const Server& server, int rounds) {
    std::vector<double> fresh;
    int failures = 0;
    for (int i = 0; i < rounds; ++i) {
        DevicePort port;
        const auto start = Steady::now();
        if (!openAt(port, server.device, Parity::None, 200))
            ++failures;
        fresh.push_back(since(start));
    }
    DevicePort port;
    openAt(port, server.device, Parity::None, 200);
    int trial = 0;
    const Figures kept = measure(rounds, [&] {
        port.close();
        return openAt(port, server.device, ++trial % 2 == 0 ? Parity::None : Parity::Even, 200);
    });
    const Figures first = summary(std::move(fresh), failures);
    std::printf(
        "  %-24s new connection median %7.2f ms  p90 %7.2f ms;  kept, new parity median "
        "%6.2f ms  p90 %6.2f ms  failures %d\n",
        server.name.c_str(), first.medianMs, first.p90Ms, kept.medianMs, kept.p90Ms,
        first.failures + kept.failures);
}

// Sends the request of a ReadRegisters of 7 over plain TCP and notes when
// each piece of the reply arrives: the largest gap between two pieces of one
// reply, and how many replies came in more than one piece.
void replyGaps(const std::string& name, const std::string& url, int rounds) {
    const int port = std::stoi(url.substr(url.rfind(':') + 1));
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
            setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
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
        "  %-24s %d whole of %d, %d in more than one piece, gap between pieces median "
        "%.2f ms, largest %.2f ms\n",
        name.c_str(), whole, rounds, split, gaps.empty() ? 0.0 : gaps[gaps.size() / 2], largestGap);
}

void print(const std::string& what, const Figures& f, double floorMs) {
    std::printf("  %-24s median %7.2f ms  p90 %7.2f ms  ratio to the local %5.2f  failures %d\n",
                what.c_str(), f.medianMs, f.p90Ms, floorMs > 0 ? f.medianMs / floorMs : 0.0,
                f.failures);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 100;
    if (!sim::test::Ser2net::installed() || !SocatServer::installed(SocatServer::Kind::Sredird)) {
        std::printf("ser2net, sredird or socat is not installed: nothing measured\n");
        return 0;
    }
    char name[] = "/tmp/m8163-server-bench.XXXXXX";
    if (mkdtemp(name) == nullptr)
        return 1;
    const std::string folder = name;
    {
        sim::ServerOptions options;  // module 1 at 19200 bit/s without parity
        sim::PtyServer module(std::move(options));
        module.start();
        // One server at a time has the module's line: the others' children
        // would read its replies.
        sim::test::Ser2net ser2net(folder, module.path());
        SocatServer sredird(SocatServer::Kind::Sredird, folder, module.path());
        SocatServer bridge(SocatServer::Kind::RawBridge, folder, module.path());
        const Server local{"local pseudo-terminal", module.path()};
        const std::vector<std::pair<Server, std::function<void(bool)>>> servers = {
            {local, [](bool) {}},
            {{"ser2net rfc2217", ser2net.rfc2217Url()},
             [&](bool on) { on ? ser2net.start() : ser2net.stop(); }},
            {{"ser2net socket", ser2net.rawUrl()},
             [&](bool on) { on ? ser2net.start() : ser2net.stop(); }},
            {{"sredird rfc2217", sredird.url()},
             [&](bool on) { on ? sredird.start() : sredird.stop(); }},
            {{"socat bridge socket", bridge.url()},
             [&](bool on) { on ? bridge.start() : bridge.stop(); }},
        };
        const auto withEach = [&](const std::function<void(const Server&)>& step) {
            for (const auto& [server, running] : servers) {
                running(true);
                step(server);
                running(false);
            }
        };

        double load[1] = {-1};
        getloadavg(load, 1);
        std::printf(
            "ReadRegisters(7) of module 1 at 19200 bit/s, default allowance %u ms, %d "
            "rounds each, load %.2f\n",
            kDefaultNetworkAllowanceMs, rounds, load[0]);
        double floorMs = 0;
        withEach([&](const Server& s) {
            const Figures f = readSeven(s.device, kDefaultNetworkAllowanceMs, rounds);
            if (floorMs == 0)
                floorMs = f.medianMs;
            print(s.name, f, floorMs);
        });

        std::printf("Failed readings by allowance, %d rounds each\n", rounds);
        withEach([&](const Server& s) {
            if (s.device == local.device)
                return;
            std::printf("  %-24s", s.name.c_str());
            for (std::uint32_t allowance : {0u, 5u, 10u, 20u})
                std::printf("  %2u ms: %3d", allowance,
                            readSeven(s.device, allowance, rounds).failures);
            std::printf("\n");
        });

        const int fewer = std::max(5, rounds / 10);
        std::printf(
            "Silent trial (reopened at the next parity, module 9 silent), TimeOut 200 ms, "
            "%d rounds each\n",
            fewer);
        double silentFloor = 0;
        withEach([&](const Server& s) {
            const Figures f = silentTrial(s.device, fewer);
            if (silentFloor == 0)
                silentFloor = f.medianMs;
            print(s.name, f, silentFloor);
        });

        std::printf("Open, %d rounds each\n", fewer);
        withEach([&](const Server& s) { opens(s, fewer); });

        std::printf("Replies over plain TCP, %d rounds each\n", rounds);
        withEach([&](const Server& s) {
            if (s.device.rfind("socket://", 0) == 0)
                replyGaps(s.name, s.device, rounds);
        });
        module.stop();
    }
    std::filesystem::remove_all(folder);
    return 0;
}
