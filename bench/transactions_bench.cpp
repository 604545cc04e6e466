// Transaction timing over the real termios port against a pseudo-terminal
// peer that answers at once. A read of registers cannot end before one read
// interval of silence after the reply (the read asks for two bytes more than
// the reply holds); a write of registers ends as soon as its 8-byte echo is
// in. Prints the median time, that floor, their ratio, and the CPU time the
// calling thread spends per transaction (waits must cost none). With
// --window-wait the port waits through the window's wait, as in the program.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "base/clock.h"
#include "link/termios_port.h"
#include "protocol/transactions.h"
#include "ui/shell/qt_port_wait.h"

using namespace m8163;
using Steady = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 200;
constexpr std::uint8_t kAddress = 1;

void appendCrc(std::vector<std::uint8_t>& frame) {
    const std::uint16_t crc = crc16(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
}

// Answers every complete request on the master side as soon as it is in.
class Peer {
  public:
    explicit Peer(int master) : master_(master), thread_([this] { run(); }) {}
    ~Peer() {
        stop_ = true;
        thread_.join();
    }

  private:
    void run() {
        std::vector<std::uint8_t> in;
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            std::uint8_t chunk[256];
            const ssize_t n = ::read(master_, chunk, sizeof chunk);
            if (n <= 0)
                return;
            in.insert(in.end(), chunk, chunk + n);
            answer(in);
        }
    }

    void answer(std::vector<std::uint8_t>& in) {
        if (in.size() < 8)
            return;
        std::vector<std::uint8_t> out{in[0], in[1]};
        std::size_t used = 8;
        if (in[1] == 0x03) {
            const std::uint8_t count = in[5];
            out.push_back(static_cast<std::uint8_t>(2 * count));
            for (int i = 0; i < count; ++i) {
                out.push_back(0x12);
                out.push_back(static_cast<std::uint8_t>(i));
            }
        } else if (in[1] == 0x10) {
            used = 9 + in[6];
            if (in.size() < used)
                return;
            out.insert(out.end(), in.begin() + 2, in.begin() + 6);
        } else {
            in.clear();
            return;
        }
        appendCrc(out);
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t n = ::write(master_, out.data() + done, out.size() - done);
            if (n <= 0)
                return;
            done += static_cast<std::size_t>(n);
        }
        in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(used));
    }

    int master_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

double threadCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 +
           usage.ru_stime.tv_sec * 1e3 + usage.ru_stime.tv_usec / 1e3;
}

struct Figures {
    double medianMs;
    double p90Ms;
    double cpuPerTransactionMs;
    int failures;
};

Figures measure(const std::function<bool()>& transaction) {
    std::vector<double> times;
    int failures = 0;
    const double cpuBefore = threadCpuMs();
    for (int i = 0; i < kRounds; ++i) {
        const auto start = Steady::now();
        if (!transaction())
            ++failures;
        times.push_back(std::chrono::duration<double, std::milli>(Steady::now() - start).count());
    }
    const double cpu = (threadCpuMs() - cpuBefore) / kRounds;
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times[times.size() * 9 / 10], cpu, failures};
}

bool runAtSpeed(int speed, std::uint32_t readInterval, PortWait* wait) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128] = {};
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, name, sizeof name) != 0) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return false;
    }
    TermiosPort port;
    port.setWait(wait);
    const OpenResult opened = port.open(name, {speed, Parity::None}, {});
    if (!opened.ok) {
        std::fprintf(stderr, "open %s: %s\n", name, opened.reason.c_str());
        return false;
    }
    ConnectionSettings settings;
    settings.speed = speed;
    settings.moduleAddress = kAddress;
    settings.timeoutMs = 1000;
    SystemClock clock;
    const ModbusLine line{port, settings, clock};

    Figures read{}, write{};
    {
        Peer peer(master);
        read = measure([&] {
            std::array<std::uint16_t, 7> values{};
            return readRegisters(line, 0x0000, values).ok() && values[6] == 0x1206;
        });
        write = measure([&] {
            const std::array<std::uint16_t, 3> values{1, 2, 3};
            return writeRegisters(line, 0x0402, values).ok();
        });
    }
    const bool lowLatency = port.lowLatency();
    port.close();
    ::close(master);

    // A port without low latency (a pseudo-terminal has none) reads with at
    // least the interval that bridges a USB adapter's bursts.
    const double floor =
        lowLatency ? readInterval : std::max<double>(readInterval, kBurstInterval.count());
    const double readRatio = read.medianMs / floor;
    std::printf("%6d bit/s, %d rounds each\n", speed, kRounds);
    std::printf(
        "  ReadRegisters(7):  median %7.3f ms  p90 %7.3f ms  floor %5.1f ms  ratio %.3f  "
        "target <= %.3f ms  CPU %.3f ms/transaction  failures %d\n",
        read.medianMs, read.p90Ms, floor, readRatio, 1.05 * floor + 0.5, read.cpuPerTransactionMs,
        read.failures);
    std::printf(
        "  WriteRegisters(3): median %7.3f ms  p90 %7.3f ms  floor   0.0 ms  ratio   -    "
        "target <= 1.000 ms  CPU %.3f ms/transaction  failures %d\n",
        write.medianMs, write.p90Ms, write.cpuPerTransactionMs, write.failures);
    return read.failures == 0 && write.failures == 0;
}

}  // namespace

// --window-wait: the port waits as in the window (a local event loop over
// its descriptor), instead of in the kernel.
int main(int argc, char** argv) {
    const bool windowWait = argc > 1 && std::strcmp(argv[1], "--window-wait") == 0;
    std::unique_ptr<QCoreApplication> application;
    std::unique_ptr<QtPortWait> wait;
    if (windowWait) {
        application = std::make_unique<QCoreApplication>(argc, argv);
        wait = std::make_unique<QtPortWait>();
    }
    std::printf("waits: %s\n", windowWait ? "the window's event loop" : "the kernel");
    bool ok = runAtSpeed(19200, 24, wait.get());
    ok = runAtSpeed(115200, 12, wait.get()) && ok;
    return ok ? 0 : 1;
}
