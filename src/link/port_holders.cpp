#include "link/port_holders.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace m8163 {
namespace {

bool isNumber(const std::string& text) {
    if (text.empty())
        return false;
    for (char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c)) == 0)
            return false;
    }
    return true;
}

// stat() follows /proc/<pid>/fd/<n> to what the descriptor has open.
bool holdsDevice(const std::filesystem::path& fdFolder, dev_t device) {
    std::error_code error;
    for (std::filesystem::directory_iterator it(fdFolder, error), end; !error && it != end;
         it.increment(error)) {
        struct stat target {};
        if (stat(it->path().c_str(), &target) == 0 && S_ISCHR(target.st_mode) &&
            target.st_rdev == device) {
            return true;
        }
    }
    return false;
}

std::string commandName(const std::filesystem::path& processFolder) {
    std::ifstream file(processFolder / "comm");
    std::string name;
    std::getline(file, name);
    return name;
}

}  // namespace

std::vector<PortHolder> portHolders(const std::string& device, const std::string& procRoot) {
    std::vector<PortHolder> holders;
    struct stat node {};
    if (stat(device.c_str(), &node) != 0 || !S_ISCHR(node.st_mode))
        return holders;
    std::error_code error;
    for (std::filesystem::directory_iterator it(procRoot, error), end; !error && it != end;
         it.increment(error)) {
        const std::string pid = it->path().filename().string();
        if (!isNumber(pid) || !holdsDevice(it->path() / "fd", node.st_rdev))
            continue;
        holders.push_back(
            {static_cast<int>(std::strtol(pid.c_str(), nullptr, 10)), commandName(it->path())});
    }
    return holders;
}

}  // namespace m8163
