#include "config/save_temporary.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <ctime>
#include <optional>
#include <string_view>

#include "config/settings_paths.h"

namespace m8163 {
namespace {

constexpr std::string_view kMark = ".save-";
constexpr std::size_t kRandomLength = 6;  // mkostemp's XXXXXX

std::string prefixFor(const std::string& target) {
    std::string prefix(1, '.');
    prefix += fileNameOf(target);
    prefix += kMark;
    return prefix;
}

// The process id in the name of a temporary of the file with `prefix`, or
// nullopt when the name is not one of ours.
std::optional<pid_t> writerOf(std::string_view name, std::string_view prefix) {
    if (name.substr(0, prefix.size()) != prefix)
        return std::nullopt;
    name.remove_prefix(prefix.size());
    std::size_t dash = name.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 10)
        return std::nullopt;
    long long pid = 0;
    for (char c : name.substr(0, dash)) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        pid = pid * 10 + (c - '0');
    }
    std::string_view random = name.substr(dash + 1);
    if (pid <= 0 || pid > INT_MAX || random.size() != kRandomLength)
        return std::nullopt;
    for (char c : random) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            return std::nullopt;
    }
    return static_cast<pid_t>(pid);
}

bool processAlive(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// Removes the temporary `name` of the folder `folderFd` unless a save may
// still be writing it: locked, or young with its writer alive.
bool removeIfStale(int folderFd, const char* name, pid_t writer) {
    int fd = ::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    bool stale = false;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        const auto age = std::time(nullptr) - info.st_mtime;
        stale = !processAlive(writer) || age >= kSaveTemporaryGrace.count();
    }
    bool removed = stale && ::unlinkat(folderFd, name, 0) == 0;
    ::close(fd);
    return removed;
}

}  // namespace

int createSaveTemporary(const std::string& target, std::string& temporaryPath) {
    temporaryPath = folderOf(target) + "/" + prefixFor(target) + std::to_string(::getpid()) + "-" +
                    std::string(kRandomLength, 'X');
    int fd = ::mkostemp(temporaryPath.data(), O_CLOEXEC);
    if (fd < 0)
        return -1;
    // A new file nobody else has opened: the lock is free. Should the system
    // refuse locks altogether, the grace period still protects the file.
    (void)::flock(fd, LOCK_EX | LOCK_NB);
    return fd;
}

int removeStaleSaveTemporaries(const std::string& target) {
    const std::string prefix = prefixFor(target);
    DIR* folder = ::opendir(folderOf(target).c_str());
    if (folder == nullptr)
        return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(folder)) {
        if (auto writer = writerOf(entry->d_name, prefix)) {
            if (removeIfStale(::dirfd(folder), entry->d_name, *writer))
                ++removed;
        }
    }
    ::closedir(folder);
    return removed;
}

TemporaryWrite writeThroughTemporary(const std::string& target, std::string_view bytes, mode_t mode,
                                     const struct stat* old, const ReplaceFunction& replace) {
    std::string temporary;
    const int fd = createSaveTemporary(target, temporary);
    if (fd < 0)
        return {errno, true};
    auto failed = [&](int error, bool open) -> TemporaryWrite {
        if (open)
            ::close(fd);
        ::unlink(temporary.c_str());
        return {error, false};
    };
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno != EINTR)
            return failed(errno, true);
        if (n > 0)
            done += static_cast<std::size_t>(n);
    }
    if (old != nullptr && ::fchown(fd, old->st_uid, old->st_gid) != 0) {
        // Only the owner or root may hand a file over; a file that changes
        // owner still holds the right bytes.
    }
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)
        return failed(errno, true);
    if (::close(fd) != 0)
        return failed(errno, false);
    if (replace(temporary, target) != 0)
        return failed(errno, false);
    const int folder = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return {};
}

mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace m8163
