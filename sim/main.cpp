// sim8163: simulated 8163 modules on a pseudo-terminal or a serial device.

#include <signal.h>

#include <cstdio>
#include <exception>
#include <iostream>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/command_line.h"
#include "sim/pty_server.h"

namespace {

std::mutex outputMutex;

void say(const std::string& line) {
    std::lock_guard lock(outputMutex);
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace m8163::sim;
    CommandLine commandLine;
    try {
        commandLine = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::invalid_argument& e) {
        std::cerr << "sim8163: " << e.what() << "\nTry 'sim8163 --help'.\n";
        return 2;
    }
    if (commandLine.help) {
        std::cout << usage();
        return 0;
    }

    // A reader that went away must not kill the simulator with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);

    // The server thread inherits the blocked set, so the signals come only
    // to the sigtimedwait below.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    commandLine.server.onEvent = say;
    PtyServer server(std::move(commandLine.server));
    try {
        server.start();
    } catch (const std::exception& e) {
        std::cerr << "sim8163: " << e.what() << "\n";
        return 1;
    }
    say("READY " + server.path());

    // Wake once a second to notice a served device that went away.
    for (;;) {
        timespec second{1, 0};
        int signal = sigtimedwait(&signals, nullptr, &second);
        if (signal > 0)
            break;
        if (!server.healthy()) {
            std::cerr << "sim8163: " << server.error() << "\n";
            server.stop();
            return 1;
        }
    }
    server.stop();
    return 0;
}
