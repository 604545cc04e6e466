#pragma once

#include <string>
#include <vector>

#include "sim/pty_server.h"

// The options of the program sim8163.

namespace m8163::sim {

struct CommandLine {
    ServerOptions server;
    bool help = false;
};

// Parses the arguments after the program name. Throws std::invalid_argument
// with a message for the user on a bad option or value.
CommandLine parseCommandLine(const std::vector<std::string>& args);

// The text of --help.
std::string usage();

}  // namespace m8163::sim
