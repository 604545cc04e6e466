#include "link/device_access.h"

#include <grp.h>
#include <sys/stat.h>

#include <array>

namespace m8163 {

DeviceAccess deviceAccess(const std::string& device) {
    DeviceAccess access;
    struct stat st {};
    if (stat(device.c_str(), &st) != 0)
        return access;
    access.known = true;
    access.mode = st.st_mode & 07777;
    access.gid = st.st_gid;
    group entry{};
    group* found = nullptr;
    std::array<char, 4096> text{};
    if (getgrgid_r(st.st_gid, &entry, text.data(), text.size(), &found) == 0 && found != nullptr)
        access.group = found->gr_name;
    return access;
}

std::optional<std::string> grantingGroup(const DeviceAccess& access) {
    constexpr unsigned kGroupReadWrite = S_IRGRP | S_IWGRP;
    if (!access.known || access.gid == 0 || (access.mode & kGroupReadWrite) != kGroupReadWrite)
        return std::nullopt;
    // usermod takes a group's number where it has no name.
    return access.group.empty() ? std::to_string(access.gid) : access.group;
}

std::string permissionAdvice(const DeviceAccess& access) {
    if (const auto group = grantingGroup(access))
        return joinGroupAdvice(*group);
    return "Права доступа к устройству не позволяют его открыть, и членство в группе этого не "
           "исправит; изменить права может администратор системы.";
}

std::string joinGroupAdvice(const std::string& group) {
    return "Доступ к порту даёт членство в группе " + group + ": " + joinGroupCommand(group) +
           ", затем войдите в систему заново.";
}

std::string joinGroupCommand(const std::string& group) {
    return "sudo usermod -aG " + group + " $USER";
}

}  // namespace m8163
