#pragma once

#include <optional>
#include <string>

// Who may open a device, from its permission bits and owning group: the
// advice a box gives when the system refuses us access.

namespace m8163 {

struct DeviceAccess {
    bool known = false;  // the device could be looked at
    unsigned mode = 0;   // permission bits
    unsigned gid = 0;
    std::string group;  // the owning group's name; empty when it has none
};

DeviceAccess deviceAccess(const std::string& device);

// The group whose members may read and write the device (usually dialout).
// None for a device no group may open, or whose group is root: joining root
// is no advice to give.
std::optional<std::string> grantingGroup(const DeviceAccess& access);

// One sentence: which group to join and how, or that the device's
// permissions forbid access.
std::string permissionAdvice(const DeviceAccess& access);

// How to join `group`.
std::string joinGroupAdvice(const std::string& group);

// The command that adds the user to `group`.
std::string joinGroupCommand(const std::string& group);

}  // namespace m8163
