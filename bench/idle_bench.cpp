// The real program left alone: how often it wakes up and how much CPU it
// uses while nobody touches it, and its peak resident memory.
//
// m8163 starts on a virtual X display of its own (Xvfb) in a scratch folder
// whose COM1 is a simulated module on a pseudo-terminal, as a user would
// start it, and is left to settle for 5 s (start-up, the pause timer's one
// tick). Then, over the measured span, from /proc/<pid>/task/<tid>/:
//   - wake-ups: the voluntary context switches of each thread (a thread that
//     sleeps in poll() and is woken by a timer or an event switches once).
//     The GUI thread's count is the one the program's own timers drive;
//   - CPU: each thread's run time from schedstat (nanoseconds, unlike the
//     10 ms clock ticks of /proc/<pid>/stat);
//   - peak RSS: VmHWM of /proc/<pid>/status, 5 s after start and at the end.
//
// Usage: idle_bench [seconds] [--program PATH]   (default 60 s)
#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "bench_support.h"

namespace {

struct ThreadSample {
    std::string name;
    long long runNs = 0;
    long long voluntarySwitches = 0;
};

std::string fieldOf(const std::string& statusFile, const std::string& key) {
    std::ifstream in(statusFile);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(key + ":", 0) == 0) {
            std::string value = line.substr(key.size() + 1);
            value.erase(0, value.find_first_not_of(" \t"));
            return value;
        }
    }
    return {};
}

// Every thread of `pid`, by thread id.
std::map<long, ThreadSample> sample(pid_t pid) {
    std::map<long, ThreadSample> threads;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (dir == nullptr) {
        return threads;
    }
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        const std::string task = tasks + "/" + entry->d_name;
        ThreadSample thread;
        thread.name = fieldOf(task + "/status", "Name");
        thread.voluntarySwitches =
            std::atoll(fieldOf(task + "/status", "voluntary_ctxt_switches").c_str());
        std::ifstream(task + "/schedstat") >> thread.runNs;
        threads[std::atol(entry->d_name)] = thread;
    }
    closedir(dir);
    return threads;
}

double peakRssMb(pid_t pid) {
    const std::string hwm = fieldOf("/proc/" + std::to_string(pid) + "/status", "VmHWM");
    return static_cast<double>(std::atoll(hwm.c_str())) / 1024.0;
}

bool alive(pid_t pid) {
    return waitpid(pid, nullptr, WNOHANG) == 0;
}

int measure(const std::string& program, const std::string& folder, int span) {
    bench::Child sim;
    if (!bench::startModuleOnCom1(sim, folder)) {
        return 1;
    }
    const bench::VirtualDisplay screen;
    if (screen.display.empty()) {
        std::fprintf(stderr, "Xvfb did not start (is it installed?)\n");
        return 1;
    }

    bench::Child app;
    bench::spawn(app, {program}, {"QT_QPA_PLATFORM=xcb", screen.variable()}, folder);
    sleep(5);
    if (!alive(app.pid)) {
        std::fprintf(stderr, "%s ended during start-up\n", program.c_str());
        return 1;
    }
    const double rssAfterStart = peakRssMb(app.pid);
    const std::string loadBefore = bench::loadAverage();
    const std::map<long, ThreadSample> before = sample(app.pid);
    const long long wallBefore = bench::monotonicNs();
    sleep(static_cast<unsigned>(span));
    const std::map<long, ThreadSample> after = sample(app.pid);
    const double wall = static_cast<double>(bench::monotonicNs() - wallBefore) / 1e9;
    const double rssAtEnd = peakRssMb(app.pid);

    std::printf("%s idle on Xvfb, %.1f s measured after 5 s of settling, load average %s -> %s\n",
                program.c_str(), wall, loadBefore.c_str(), bench::loadAverage().c_str());
    long long totalNs = 0;
    long long totalSwitches = 0;
    for (const auto& [tid, end] : after) {
        const auto start = before.find(tid);
        const long long runNs = end.runNs - (start != before.end() ? start->second.runNs : 0);
        const long long switches =
            end.voluntarySwitches - (start != before.end() ? start->second.voluntarySwitches : 0);
        totalNs += runNs;
        totalSwitches += switches;
        std::printf("  thread %-16s %s: %7.3f wake-ups/s, CPU %.4f %% of one core\n",
                    end.name.c_str(), tid == app.pid ? "(GUI)" : "     ",
                    static_cast<double>(switches) / wall,
                    100.0 * static_cast<double>(runNs) / 1e9 / wall);
    }
    std::printf(
        "  all threads: %.3f wake-ups/s (targets: GUI thread 0), CPU %.4f %% of one core "
        "(target <= 0.005 %%)\n",
        static_cast<double>(totalSwitches) / wall,
        100.0 * static_cast<double>(totalNs) / 1e9 / wall);
    std::printf("  peak RSS: %.1f MB 5 s after start, %.1f MB at the end (target <= 32 MB)\n",
                rssAfterStart, rssAtEnd);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bench::ProgramArguments arguments = bench::programArguments(argc, argv, 60);
    return bench::inScratchFolder("idle", [&](const std::string& folder) {
        return measure(arguments.program, folder, arguments.count);
    });
}
