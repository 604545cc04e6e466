// Helpers the benchmark programs share: child processes whose first output
// line is read (the simulated module's READY, Xvfb's display number), the
// monotonic clock and the machine's load average, printed beside each figure.
#pragma once

#include <signal.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

inline long long monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
}

// "1.23 0.98 0.51": the load averages over 1, 5 and 15 minutes.
inline std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// A child process whose stdout we read, stopped with SIGTERM at the end.
struct Child {
    pid_t pid = -1;
    int out = -1;

    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { stop(); }

    void stop() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
            pid = -1;
        }
        if (out >= 0) {
            close(out);
            out = -1;
        }
    }
};

// Starts args[0] (searched in PATH) with stdout on a pipe that `child.out`
// reads; `environment` entries ("NAME=value") are added to the child's
// environment and `folder`, when given, becomes its working folder. Its
// stderr goes to /dev/null.
inline void spawn(Child& child, const std::vector<std::string>& args,
                  const std::vector<std::string>& environment = {},
                  const std::string& folder = {}) {
    int fds[2];
    if (pipe(fds) != 0) {
        throw std::runtime_error("pipe failed");
    }
    child.pid = fork();
    if (child.pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        if (!folder.empty() && chdir(folder.c_str()) != 0) {
            _exit(126);
        }
        for (const std::string& assignment : environment) {
            putenv(const_cast<char*>(assignment.c_str()));
        }
        // Quiet when it can be; the child runs all the same when it cannot.
        [[maybe_unused]] FILE* quiet = std::freopen("/dev/null", "w", stderr);
        std::vector<char*> argv;
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    child.out = fds[0];
}

// The first line the child writes, waiting at most ten seconds.
inline std::string firstLine(const Child& child) {
    std::string line;
    const long long deadline = monotonicNs() + 10'000'000'000LL;
    char c = 0;
    while (monotonicNs() < deadline) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(child.out, &set);
        timeval wait{0, 100'000};
        if (select(child.out + 1, &set, nullptr, nullptr, &wait) <= 0) {
            continue;
        }
        if (read(child.out, &c, 1) != 1 || c == '\n') {
            return line;
        }
        line += c;
    }
    return line;
}

// A virtual X display of its own; `display` is its number, empty when Xvfb
// did not start (it is not installed, for one).
struct VirtualDisplay {
    Child xvfb;
    std::string display;

    VirtualDisplay() {
        spawn(xvfb,
              {"Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        display = firstLine(xvfb);
    }
    std::string variable() const { return "DISPLAY=:" + display; }
};

// The command line of the benchmarks that start the program: a count (runs
// or seconds) and --program PATH, another build of the program to measure.
struct ProgramArguments {
    int count;
    std::string program = M8163_APP_PATH;
};

inline ProgramArguments programArguments(int argc, char** argv, int defaultCount) {
    ProgramArguments arguments{defaultCount};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--program") == 0 && i + 1 < argc) {
            arguments.program = argv[++i];
        } else {
            arguments.count = std::max(1, std::atoi(argv[i]));
        }
    }
    return arguments;
}

// Runs `measure` in a fresh folder under /tmp named after `name`, then removes
// the folder with what the program and the benchmark leave in it.
inline int inScratchFolder(const std::string& name,
                           const std::function<int(const std::string&)>& measure) {
    std::string pattern = "/tmp/m8163-" + name + ".XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const int status = measure(pattern);
    for (const char* file : {"dev.dat", "recent.prf", "konstr_type.prf", "probe.txt"}) {
        unlink((pattern + "/" + file).c_str());
    }
    rmdir(pattern.c_str());
    return status;
}

// Starts the simulated module on a link in `folder` and maps COM1 to it in
// the folder's dev.dat, so that the program started there opens it.
inline bool startModuleOnCom1(Child& sim, const std::string& folder) {
    const std::string link = folder + "/ttyM8163";
    std::ofstream(folder + "/dev.dat") << "[COM_PORTS]\r\nCOM1=" << link << "\r\n";
    spawn(sim, {M8163_SIM_PATH, "--link", link});
    if (firstLine(sim).rfind("READY", 0) != 0) {
        std::fprintf(stderr, "the simulated module did not start\n");
        return false;
    }
    return true;
}

}  // namespace bench
