// Cyclic polling of the measured value against the simulated module (the
// sim8163 program, in its own process, replies paced at the line speed),
// through the real termios port, the real window and its Timer4.
//
// Prints, for the measured span (default 60 s, first argument): the CPU time
// of this program as a percentage of one core, its peak resident memory, and
// the mean cycle period against 1000 ms plus the mean transaction time (the
// period the polling design gives: the interval is re-armed after the tick).
// The window paints offscreen, or with --xvfb on a virtual X display of its
// own, as the program on a desktop does. --settle S polls S seconds more
// before the measured span: the trend's value scale then no longer widens
// with every reading of the simulated module's first swing, as it does in
// the first minute.
//
//   polling_bench [seconds] [--hidden] [--xvfb] [--settle S]

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
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "bench_support.h"
#include "link/termios_port.h"
#include "ui/shell/app_state.h"
#include "ui/shell/translation.h"
#include "ui/shell/window_style.h"
#include "ui/window/main_window.h"

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
    void setOptions(const m8163::PortOptions& options) override { port_.setOptions(options); }
    bool echoes() const override { return port_.echoes(); }
    void setWait(m8163::PortWait* wait) override { port_.setWait(wait); }
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
    bool xvfb = false;
    int settle = 0;
    bool monitor = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--monitor") == 0) {
            monitor = true;
        } else if (std::strcmp(argv[i], "--hidden") == 0) {
            hidden = true;
        } else if (std::strcmp(argv[i], "--xvfb") == 0) {
            xvfb = true;
        } else if (std::strcmp(argv[i], "--settle") == 0 && i + 1 < argc) {
            settle = std::atoi(argv[++i]);
        } else {
            span = std::atoi(argv[i]);
        }
    }
    std::optional<bench::VirtualDisplay> screen;
    if (xvfb) {
        screen.emplace();
        if (screen->display.empty()) {
            std::fprintf(stderr, "Xvfb did not start (is it installed?)\n");
            return 1;
        }
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        setenv("DISPLAY", (":" + screen->display).c_str(), 1);
    } else {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    QApplication app(argc, argv);
    // The look the program gives itself (main): the classic style, Qt's
    // Russian texts.
    m8163::installWindowStyle();
    m8163::installRussianQtTexts(app);

    char folder[] = "/tmp/m8163-polling-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        return 1;
    }
    const std::string link = std::string(folder) + "/port";
    bench::Child simulator;
    bench::spawn(simulator, {M8163_SIM_PATH, "--link", link, "--pace"});
    const std::string ready = bench::firstLine(simulator);
    if (ready.rfind("READY ", 0) != 0) {
        std::fprintf(stderr, "sim8163 did not start: '%s'\n", ready.c_str());
        return 1;
    }
    const std::string path = ready.substr(6);

    m8163::AppState state;
    state.connection.moduleAddress = 1;
    state.connection.speed = 19200;
    state.connection.timeoutMs = 1000;
    m8163::TermiosPort termios;
    TimingPort port(termios);
    if (!port.open(path, {19200, m8163::Parity::None}, {}).ok) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return 1;
    }
    m8163::TForm1 window(state, port);
    window.selectPage(m8163::TForm1::kMeasurePage);
    if (!hidden)
        window.show();
    if (monitor)
        window.control<QPushButton>("ExchangeMonitorButton").click();
    window.control<QPushButton>("Button18").click();

    // Measure from the first transaction on, so start-up is left out.
    QTimer waitFirst;
    QObject::connect(&waitFirst, &QTimer::timeout, &app, [&] {
        if (!port.ends.empty())
            QCoreApplication::exit(0);  // quit() would close the window
    });
    waitFirst.start(10);
    app.exec();
    waitFirst.stop();
    if (settle > 0) {
        QTimer::singleShot(std::chrono::seconds(settle), &app, [] { QCoreApplication::exit(0); });
        app.exec();
    }

    const std::string loadBefore = bench::loadAverage();
    const double cpuBefore = cpuSeconds();
    const auto wallBefore = SteadyClock::now();
    const std::size_t firstCycle = port.starts.size() - 1;
    QTimer::singleShot(std::chrono::seconds(span), &app, [] { QCoreApplication::exit(0); });
    app.exec();
    const double cpu = cpuSeconds() - cpuBefore;
    const double wall = milliseconds(SteadyClock::now() - wallBefore) / 1000.0;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    simulator.stop();
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

    std::printf(
        "polling_bench: %s window%s, %.1f s measured, %zu cycles (%u counted, %u failed), "
        "after %d s settling, load average %s -> %s\n",
        hidden ? "hidden" : (xvfb ? "shown (Xvfb)" : "shown (offscreen)"),
        monitor ? " with the exchange monitor open" : "", wall, measured, state.polling.cycles,
        state.polling.exchangeErrors, settle, loadBefore.c_str(), bench::loadAverage().c_str());
    std::printf("  CPU time of the program: %.3f s = %.4f %% of one core (target <= 0.05 %%)\n",
                cpu, 100.0 * cpu / wall);
    std::printf("  CPU time per cycle:      %.3f ms\n",
                measured > 0 ? 1000.0 * cpu / static_cast<double>(measured) : 0.0);
    std::printf("  peak resident memory:    %.1f MB (target <= 32 MB)\n",
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    std::printf("  mean transaction time:   %.2f ms\n", transaction);
    std::printf(
        "  mean cycle period:       %.2f ms; 1000 ms + transaction = %.2f ms; "
        "difference %+.2f ms (target within 5 ms)\n",
        period, expected, period - expected);
    return 0;
}
