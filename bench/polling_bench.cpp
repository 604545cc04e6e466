// Cyclic polling of the measured value against the simulated module (the
// sim8163 program, in its own process, replies paced at the line speed),
// through the real termios port, the real window and its Timer4.
//
// Prints, for the measured span (default 60 s, first argument): the CPU time
// of this program as a percentage of one core, its peak resident memory, and
// the mean cycle period against 1000 ms plus the mean transaction time (the
// period the polling design gives: the interval is re-armed after the tick).
//
//   polling_bench [seconds] [--hidden]

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/clock.h"
#include "link/termios_port.h"
#include "ui/app_state.h"
#include "ui/main_window.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

// Passes everything to the real port and notes when each transaction
// begins (its purge) and when its reply read returns.
class TimingPort final : public m8163::SerialPort {
  public:
    explicit TimingPort(m8163::SerialPort& port) : port_(port) {}

    std::vector<SteadyClock::time_point> starts;
    std::vector<SteadyClock::time_point> ends;

    m8163::OpenResult open(const std::string& device, const m8163::LineSettings& line,
                           const m8163::PortTimeouts& timeouts) override {
        return port_.open(device, line, timeouts);
    }
    void close() override { port_.close(); }
    bool isOpen() const override { return port_.isOpen(); }
    void setTimeouts(const m8163::PortTimeouts& timeouts) override { port_.setTimeouts(timeouts); }
    void purge() override {
        starts.push_back(SteadyClock::now());
        port_.purge();
    }
    unsigned clearErrors() override { return port_.clearErrors(); }
    void clearRtsAndDtr() override { port_.clearRtsAndDtr(); }
    void clearRtsSetDtr() override { port_.clearRtsSetDtr(); }
    std::size_t write(const std::uint8_t* data, std::size_t size) override {
        return port_.write(data, size);
    }
    std::size_t read(std::uint8_t* buffer, std::size_t size) override {
        std::size_t n = port_.read(buffer, size);
        ends.push_back(SteadyClock::now());
        return n;
    }

  private:
    m8163::SerialPort& port_;
};

// Starts sim8163 serving a link in `folder` and returns its pid; `path`
// gets the port it serves.
pid_t startSimulator(const std::string& folder, std::string& path) {
    const std::string link = folder + "/port";
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        execl(M8163_SIM_PATH, "sim8163", "--link", link.c_str(), "--pace",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    std::string line;
    char c;
    while (read(pipeFds[0], &c, 1) == 1 && c != '\n')
        line += c;
    // The pipe stays open so that the simulator's later output does not fail.
    if (line.rfind("READY ", 0) != 0) {
        std::fprintf(stderr, "sim8163 did not start: '%s'\n", line.c_str());
        return -1;
    }
    path = line.substr(6);
    return pid;
}

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double milliseconds(SteadyClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
    int span = 60;
    bool hidden = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--hidden") == 0) {
            hidden = true;
        } else {
            span = std::atoi(argv[i]);
        }
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);

    char folder[] = "/tmp/m8163-polling-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        return 1;
    }
    std::string path;
    const pid_t simulator = startSimulator(folder, path);
    if (simulator < 0)
        return 1;

    m8163::AppState state;
    state.connection.moduleAddress = 1;
    state.connection.speed = 19200;
    state.connection.timeoutMs = 1000;
    m8163::TermiosPort termios;
    TimingPort port(termios);
    if (!port.open(path, {19200, 0}, {}).ok) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        kill(simulator, SIGTERM);
        return 1;
    }
    m8163::TForm1 window(state, port);
    window.selectPage(m8163::TForm1::kMeasurePage);
    if (!hidden)
        window.show();
    window.control<QPushButton>("Button18").click();

    // Measure from the first transaction on, so start-up is left out.
    QTimer waitFirst;
    QObject::connect(&waitFirst, &QTimer::timeout, &app, [&] {
        if (!port.ends.empty())
            app.quit();
    });
    waitFirst.start(10);
    app.exec();
    waitFirst.stop();

    const double cpuBefore = cpuSeconds();
    const auto wallBefore = SteadyClock::now();
    const std::size_t firstCycle = port.starts.size() - 1;
    QTimer::singleShot(std::chrono::seconds(span), &app, &QApplication::quit);
    app.exec();
    const double cpu = cpuSeconds() - cpuBefore;
    const double wall = milliseconds(SteadyClock::now() - wallBefore) / 1000.0;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    kill(simulator, SIGTERM);
    waitpid(simulator, nullptr, 0);
    rmdir(folder);

    const std::size_t cycles = std::min(port.starts.size(), port.ends.size());
    double transaction = 0;
    for (std::size_t i = firstCycle; i < cycles; ++i) {
        transaction += milliseconds(port.ends[i] - port.starts[i]);
    }
    const std::size_t measured = cycles - firstCycle;
    transaction /= static_cast<double>(measured);
    const double period = measured > 1
                              ? milliseconds(port.starts[cycles - 1] - port.starts[firstCycle]) /
                                    static_cast<double>(measured - 1)
                              : 0.0;
    const double expected = 1000.0 + transaction;

    std::printf("polling_bench: %s window, %.1f s measured, %zu cycles (%u counted, %u failed)\n",
                hidden ? "hidden" : "shown (offscreen)", wall, measured, state.polling.cycles,
                state.polling.exchangeErrors);
    std::printf("  CPU time of the program: %.3f s = %.3f %% of one core (target <= 0.1 %%)\n", cpu,
                100.0 * cpu / wall);
    std::printf("  peak resident memory:    %.1f MB (target <= 40 MB)\n",
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    std::printf("  mean transaction time:   %.2f ms\n", transaction);
    std::printf(
        "  mean cycle period:       %.2f ms; 1000 ms + transaction = %.2f ms; "
        "difference %+.2f ms (target within 5 ms)\n",
        period, expected, period - expected);
    return 0;
}
