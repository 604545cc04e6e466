#pragma once

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "child_process.h"

// ser2net, the serial device server, serving one device to the tests: over
// RFC 2217 on one free local port and as plain TCP on another, both at
// 19200 bit/s without parity until a client sets the line. Started in the
// foreground with its own configuration; stopped and started again on the
// same ports.

namespace m8163::sim::test {

// A port on 127.0.0.1 that nothing uses now.
inline int freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("no free local port");
    ::close(fd);
    return ntohs(address.sin_port);
}

// Whether a socket listens on 127.0.0.1:port, from /proc/net/tcp (a test
// connection would itself take the port of the device).
inline bool listensOnLoopback(int port) {
    std::ifstream table("/proc/net/tcp");
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X", port);
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (local == wanted && state == "0A")
            return true;
    }
    return false;
}

// A device server of the tests, started with `args` in a process group of
// its own and waited for until it listens on each of `ports`.
inline std::unique_ptr<ChildProcess> startServer(const std::vector<std::string>& args,
                                                 const std::vector<int>& ports) {
    auto process = std::make_unique<ChildProcess>(args, true);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int port : ports) {
        while (!listensOnLoopback(port)) {
            if (std::chrono::steady_clock::now() > end)
                throw std::runtime_error(args[0] + " does not listen: " + process->err);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    return process;
}

// Stops the server, and ends whatever of its process group is left: sredird
// can hang in a lock after its connection ends, with SIGTERM blocked.
inline void stopServer(std::unique_ptr<ChildProcess>& process) {
    if (!process)
        return;
    const pid_t group = process->pid();
    process->signal(SIGTERM);
    process->wait(std::chrono::seconds(10));
    process.reset();
    if (group > 0)
        ::kill(-group, SIGKILL);
}

class Ser2net {
  public:
    Ser2net(const std::string& folder, const std::string& device)
        : config_(folder + "/ser2net.yaml"),
          pidFile_(folder + "/ser2net.pid"),
          rfc2217Port_(freeLoopbackPort()),
          rawPort_(freeLoopbackPort()) {
        std::ofstream(config_) << "%YAML 1.1\n---\n"
                               << "connection: &rfc2217\n"
                               << "  accepter: telnet(rfc2217),tcp,127.0.0.1," << rfc2217Port_
                               << "\n  connector: serialdev," << device << ",19200n81,local\n"
                               << "connection: &raw\n"
                               << "  accepter: tcp,127.0.0.1," << rawPort_
                               << "\n  connector: serialdev," << device << ",19200n81,local\n";
    }

    static bool installed() {
        return !findProgram("ser2net").empty() || ::access("/usr/sbin/ser2net", X_OK) == 0;
    }

    std::string rfc2217Url() const { return "rfc2217://127.0.0.1:" + std::to_string(rfc2217Port_); }
    std::string rawUrl() const { return "socket://127.0.0.1:" + std::to_string(rawPort_); }
    int rfc2217Port() const { return rfc2217Port_; }

    // Starts it and waits until both ports listen.
    void start() {
        std::string program = findProgram("ser2net");
        if (program.empty())
            program = "/usr/sbin/ser2net";
        // -n: foreground; -u: no UUCP lock files; -P: a pid file of its own.
        process_ = startServer({program, "-n", "-u", "-c", config_, "-P", pidFile_},
                               {rfc2217Port_, rawPort_});
    }
    void stop() { stopServer(process_); }
    ~Ser2net() { stop(); }

  private:
    std::string config_;
    std::string pidFile_;
    int rfc2217Port_;
    int rawPort_;
    std::unique_ptr<ChildProcess> process_;
};

}  // namespace m8163::sim::test
