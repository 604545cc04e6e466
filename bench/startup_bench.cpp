// Start-up of the real program: time from starting the process to the first
// paint of its window being on the screen, and the process's peak resident
// memory, on the offscreen platform and on a virtual X display (Xvfb).
//
// Each run starts m8163 in a scratch folder whose COM1 is a simulated module
// on a pseudo-terminal, with M8163_STARTUP_PROBE set: the program appends the
// CLOCK_MONOTONIC time of its first paint to the probe file and quits. The
// time is taken against the monotonic clock read just before fork(); the
// peak memory is the child's ru_maxrss from wait4().
//
// Usage: startup_bench [runs] [--program PATH]
//   runs: default 15; one warm-up run is not counted. PATH: another build of
//   the program, for a before-and-after comparison.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "bench_support.h"

namespace {

using bench::monotonicNs;

// The phases the program marks, in order, ending with its first paint.
const char* const kPhases[] = {"main_ns",    "application_ns", "window_ns",
                               "startup_ns", "show_ns",        "first_paint_ns"};
constexpr std::size_t kPhaseCount = std::size(kPhases);

struct Run {
    std::array<double, kPhaseCount> ms{};  // each phase's end after the fork
    long maxRssKb = 0;
};

// The probe's phases as milliseconds after `start`; nothing unless every
// phase is there.
std::optional<std::array<double, kPhaseCount>> readProbe(const std::string& file, long long start) {
    std::ifstream in(file);
    std::string key;
    long long ns = 0;
    std::array<double, kPhaseCount> ms{};
    std::size_t found = 0;
    while (in >> key >> ns) {
        for (std::size_t i = 0; i < kPhaseCount; ++i) {
            if (key == kPhases[i]) {
                ms[i] = static_cast<double>(ns - start) / 1e6;
                found |= std::size_t{1} << i;
            }
        }
    }
    if (found != (std::size_t{1} << kPhaseCount) - 1) {
        return std::nullopt;
    }
    return ms;
}

std::optional<Run> runOnce(const std::string& program, const std::string& folder,
                           const std::vector<std::string>& environment) {
    const std::string probe = folder + "/probe.txt";
    unlink(probe.c_str());
    const long long start = monotonicNs();
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0) {
            _exit(126);
        }
        setenv("M8163_STARTUP_PROBE", probe.c_str(), 1);
        for (const std::string& assignment : environment) {
            putenv(const_cast<char*>(assignment.c_str()));
        }
        int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, STDERR_FILENO);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const auto phases = readProbe(probe, start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !phases) {
        return std::nullopt;
    }
    return Run{*phases, usage.ru_maxrss};
}

template <class T>
T median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void measure(const char* name, const std::string& program, const std::string& folder,
             const std::vector<std::string>& environment, int runs) {
    if (!runOnce(program, folder, environment)) {  // warm-up: page cache, font cache
        std::printf("%-9s the program did not start\n", name);
        return;
    }
    std::array<std::vector<double>, kPhaseCount> phases;
    std::vector<long> rss;
    for (int i = 0; i < runs; ++i) {
        if (std::optional<Run> run = runOnce(program, folder, environment)) {
            for (std::size_t p = 0; p < kPhaseCount; ++p) {
                phases[p].push_back(run->ms[p]);
            }
            rss.push_back(run->maxRssKb);
        }
    }
    if (rss.empty()) {
        std::printf("%-9s no run succeeded\n", name);
        return;
    }
    const std::vector<double>& painted = phases[kPhaseCount - 1];
    std::printf(
        "%-9s first paint after start: median %6.1f ms  min %6.1f  max %6.1f   "
        "peak RSS: median %5.1f MB  max %5.1f MB   (%zu runs)\n",
        name, median(painted), *std::min_element(painted.begin(), painted.end()),
        *std::max_element(painted.begin(), painted.end()), median(rss) / 1024.0,
        *std::max_element(rss.begin(), rss.end()) / 1024.0, rss.size());
    std::printf("%-9s phase ends, median ms after start:", "");
    for (std::size_t p = 0; p < kPhaseCount; ++p) {
        const std::string phase(kPhases[p], std::strlen(kPhases[p]) - 3);
        std::printf(" %s %.1f", phase.c_str(), median(phases[p]));
    }
    std::printf("\n");
}

// Runs both measurements against one simulated module; the children stop
// when this returns.
int measureAll(const std::string& program, const std::string& folder, int runs) {
    bench::Child sim;
    if (!bench::startModuleOnCom1(sim, folder)) {
        return 1;
    }

    std::printf("%s start-up, %d runs each, working folder %s, load average %s\n", program.c_str(),
                runs, folder.c_str(), bench::loadAverage().c_str());
    measure("offscreen", program, folder, {"QT_QPA_PLATFORM=offscreen"}, runs);

    const bench::VirtualDisplay screen;
    if (screen.display.empty()) {
        std::printf("xvfb      Xvfb did not start (is it installed?)\n");
        return 0;
    }
    measure("xvfb", program, folder, {"QT_QPA_PLATFORM=xcb", screen.variable()}, runs);
    std::printf("load average at the end %s\n", bench::loadAverage().c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bench::ProgramArguments arguments = bench::programArguments(argc, argv, 15);
    return bench::inScratchFolder("startup", [&](const std::string& folder) {
        return measureAll(arguments.program, folder, arguments.count);
    });
}
