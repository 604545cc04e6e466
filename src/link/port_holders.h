#pragma once

#include <string>
#include <vector>

// Which processes have a device open, from /proc: so that a box about a busy
// port can name the program to close.

namespace m8163 {

struct PortHolder {
    int pid = 0;
    std::string name;  // the process's command name
};

// The processes under `procRoot` with a descriptor on the character device
// that `device` names (a link to it counts as the device). Processes the
// system hides from us (other users', for anyone but root) are missing.
std::vector<PortHolder> portHolders(const std::string& device,
                                    const std::string& procRoot = "/proc");

}  // namespace m8163
