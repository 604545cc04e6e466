#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

// A program run by a test, with its standard output and error collected
// through pipes. The destructor kills it if it still runs.

namespace m8163::sim::test {

class ChildProcess {
  public:
    // `ownGroup`: in a process group of its own, which its id names (for a
    // server whose children must end with it).
    explicit ChildProcess(const std::vector<std::string>& args, bool ownGroup = false) {
        int out[2];
        int err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe2 failed");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        if (ownGroup) {
            posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
            posix_spawnattr_setpgroup(&attributes, 0);
        }
        int rc = ::posix_spawnp(&pid_, argv[0], &actions, &attributes, argv.data(), environ);
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        outFd_ = out[0];
        errFd_ = err[0];
        if (rc != 0) {
            pid_ = -1;
            throw std::runtime_error("cannot start " + args[0]);
        }
    }
    ~ChildProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (outFd_ >= 0)
            ::close(outFd_);
        if (errFd_ >= 0)
            ::close(errFd_);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits for a whole line of standard output that starts with `prefix`
    // and returns it (without the newline); empty on time-out or end.
    std::string waitForLine(const std::string& prefix, std::chrono::milliseconds timeout) {
        auto end = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            std::size_t start = 0;
            for (std::size_t nl; (nl = out.find('\n', start)) != std::string::npos;
                 start = nl + 1) {
                if (out.compare(start, prefix.size(), prefix) == 0 && consumed_ <= start) {
                    consumed_ = nl + 1;
                    return out.substr(start, nl - start);
                }
            }
            if (!pump(end))
                return {};
        }
    }

    pid_t pid() const { return pid_; }

    void signal(int sig) {
        if (pid_ > 0)
            ::kill(pid_, sig);
    }

    // Collects the output until the program ends and returns its exit code
    // (128 + signal when a signal ended it); -1 if it runs past the time-out.
    int wait(std::chrono::milliseconds timeout) {
        auto end = std::chrono::steady_clock::now() + timeout;
        while (outFd_ >= 0 || errFd_ >= 0) {
            if (!pump(end)) {
                if (std::chrono::steady_clock::now() >= end)
                    return -1;
            }
        }
        int status = 0;
        rusage usage{};
        if (pid_ <= 0 || ::wait4(pid_, &status, 0, &usage) != pid_)
            return -1;
        peakKb = usage.ru_maxrss;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    std::string out;
    std::string err;
    long peakKb = 0;  // the program's peak resident memory, once wait() saw it end

  private:
    // Reads what is there before `end`; false on time-out or when both
    // pipes are closed.
    bool pump(std::chrono::steady_clock::time_point end) {
        std::vector<pollfd> fds;
        if (outFd_ >= 0)
            fds.push_back({outFd_, POLLIN, 0});
        if (errFd_ >= 0)
            fds.push_back({errFd_, POLLIN, 0});
        if (fds.empty())
            return false;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        if (::poll(fds.data(), fds.size(), static_cast<int>(left.count())) <= 0)
            return false;
        for (const pollfd& p : fds) {
            if (p.revents == 0)
                continue;
            char buffer[4096];
            ssize_t n = ::read(p.fd, buffer, sizeof buffer);
            int& fd = p.fd == outFd_ ? outFd_ : errFd_;
            std::string& text = p.fd == outFd_ ? out : err;
            if (n > 0) {
                text.append(buffer, static_cast<std::size_t>(n));
            } else {
                ::close(fd);
                fd = -1;
            }
        }
        return true;
    }

    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    std::size_t consumed_ = 0;
};

// The full path of a program on PATH, or empty.
inline std::string findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t from = 0;
    for (;;) {
        std::size_t colon = dirs.find(':', from);
        std::filesystem::path candidate =
            std::filesystem::path(dirs.substr(from, colon - from)) / name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
        if (colon == std::string::npos)
            return {};
        from = colon + 1;
    }
}

}  // namespace m8163::sim::test
