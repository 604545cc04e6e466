// A search of the line through the real window and termios port against
// the simulated module (the sim8163 program, in its own process, replying
// at the line's real pace) with two modules present: 1 at 19200 bit/s
// without parity, 5 at 9600 even. The search tries 9600 and 19200 bit/s,
// all three parities and the module numbers 1 to 20 (120 trials) with the
// connection's time-out at 100 ms, as dev.dat's TimeOut gives it.
//
// Prints the wall time of the run against the floor that the read time-out
// rules give (a hit: request and reply bytes at 11 bits a byte at the
// trial's speed plus the read interval; a silent trial: time-out + 21 byte
// times; both intervals those of the connection's speed, 19200 bit/s),
// the ratio, and the CPU time of this program during the run as a
// percentage of one core.
//
//   search_bench

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/message_boxes.h"
#include "link/line_format.h"
#include "link/termios_port.h"
#include "ui/shell/app_state.h"
#include "ui/window/main_window.h"
#include "ui/window/startup.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int kTimeoutMs = 100;
// The connection the window starts with (dev.dat); the trials keep its read times.
constexpr int kConnectionRate = 19200;
constexpr unsigned kFirst = 1;
constexpr unsigned kLast = 20;
constexpr int kRates[] = {9600, 19200};
// ReadRegisters of 7: an 8-byte request, a 19-byte reply.
constexpr int kExchangeBytes = 8 + 19;

// Boxes answered at once: the run's end box must not wait for a user.
class SilentBoxes final : public m8163::MessageBoxes {
  public:
    m8163::BoxAnswer show(const m8163::MessageBox& box) override {
        std::fprintf(stderr, "box: %s\n", box.text.c_str());
        return box.buttons == m8163::BoxButtons::YesNo ? m8163::BoxAnswer::Yes
                                                       : m8163::BoxAnswer::Ok;
    }
};

// Starts sim8163 on a link in `folder` with the two modules; gives the path
// it serves, or an empty text.
std::string startSimulator(const std::string& folder, pid_t& pid) {
    const std::string link = folder + "/port";
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        execl(M8163_SIM_PATH, "sim8163", "--link", link.c_str(), "--pace", "--module", "1",
              "--module", "5:9600:E", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string line;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        line += c;
    // The pipe stays open so that the simulator's later output does not fail.
    return line.rfind("READY ", 0) == 0 ? line.substr(6) : std::string();
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return s(usage.ru_utime) + s(usage.ru_stime);
}

// The least time the trials at `rate` can take with `hits` of them answered:
// the read's times are those of the connection's speed.
double floorSeconds(int rate, unsigned trials, unsigned hits) {
    const m8163::LineFormat& connection = *m8163::lineFormatByBitRate(kConnectionRate);
    const double hit = kExchangeBytes * 11.0 / rate + connection.readInterval.count() / 1000.0;
    const double silent = (kTimeoutMs + 21.0 * connection.perByte.count()) / 1000.0;
    return hits * hit + (trials - hits) * silent;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    char folder[] = "/tmp/m8163-search-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr)
        return 1;
    pid_t simulator = -1;
    const std::string path = startSimulator(folder, simulator);
    if (path.empty()) {
        std::fprintf(stderr, "sim8163 did not start\n");
        return 1;
    }
    std::ofstream(std::string(folder) + "/dev.dat", std::ios::binary)
        << "[COM_SETTINGS]\r\nNumber=1\r\nSettings=" << kConnectionRate
        << ",N,8,1\r\n[DEVICE]\r\nNetAdrr=1\r\n"
        << "[SETTINGS]\r\nTimeOut=" << kTimeoutMs << "\r\n[COM_PORTS]\r\nCOM1=" << path << "\r\n";
    if (chdir(folder) != 0)
        return 1;

    m8163::AppState state;
    m8163::TermiosPort port;
    SilentBoxes boxes;
    m8163::TForm1 window(state, port, m8163::WindowSeams{&boxes});
    if (!m8163::runStartupSequence(window))
        return 1;
    window.show();
    constexpr const char* kBoxes[] = {"CheckBox9",  "CheckBox10", "CheckBox11", "CheckBox12",
                                      "CheckBox13", "CheckBox14", "CheckBox18", "CheckBox19"};
    for (std::size_t i = 0; i < std::size(kBoxes); ++i) {
        const int rate = m8163::kLineFormats[i].bitRate;
        window.control<QCheckBox>(kBoxes[i]).setChecked(rate == kRates[0] || rate == kRates[1]);
    }
    for (const char* name : {"CheckBox15", "CheckBox16", "CheckBox17"})
        window.control<QCheckBox>(name).setChecked(true);
    window.control<QComboBox>("ComboBox12").setCurrentIndex(static_cast<int>(kFirst));
    window.control<QComboBox>("ComboBox13").setCurrentIndex(static_cast<int>(kLast));

    const double cpuBefore = cpuSeconds();
    const auto start = SteadyClock::now();
    window.control<QPushButton>("Button33").click();
    const double wall = std::chrono::duration<double>(SteadyClock::now() - start).count();
    const double cpu = cpuSeconds() - cpuBefore;

    const unsigned perSpeed = (kLast - kFirst + 1) * 3;
    double floor = 0;
    unsigned found = 0;
    for (int rate : kRates) {
        unsigned hits = 0;
        for (std::size_t i = 0; i < state.foundDevices.count(); ++i)
            hits += state.foundDevices.entries[i].speed == rate ? 1 : 0;
        found += hits;
        floor += floorSeconds(rate, perSpeed, hits);
    }
    std::printf("trials %u, modules found %u (expected 2)\n", perSpeed * 2, found);
    std::printf("wall %.3f s, floor %.3f s, ratio %.4f (target <= 1.03)\n", wall, floor,
                wall / floor);
    std::printf("cpu %.3f s = %.2f %% of one core (target < 2 %%)\n", cpu, 100.0 * cpu / wall);

    window.close();
    kill(simulator, SIGTERM);
    waitpid(simulator, nullptr, 0);
    std::filesystem::remove_all(folder);
    return found == 2 ? 0 : 1;
}
