#include "link/log_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "link/file_kind.h"
#include "link/system_reason.h"

namespace m8163 {

namespace {

// Why no file can be made at `path`, which names none yet: its folder is
// missing, is no folder, or is closed to us. Empty when one can.
std::string folderRefusal(const std::string& path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    const std::string folder = parent.empty() ? std::string(".") : parent.string();
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? "папки " + folder + " нет"
                                                   : folder + ": " + systemReason(errno);
    }
    if (!S_ISDIR(info.st_mode))
        return folder + " — не папка";
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return "в папке " + folder + " нельзя создать файл: " + systemReason(errno);
    return {};
}

}  // namespace

std::string logFileRefusal(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? folderRefusal(path) : systemReason(errno);
    return notAPlainFile(info.st_mode);
}

bool appendToLogFile(const std::string& path, std::string_view text, std::uint64_t rotateAtBytes) {
    // Looked at before the open: opening a FIFO for writing waits for a
    // reader, opening a device may act on it. O_NONBLOCK covers a name that
    // changes in between, and the open file is looked at once more.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        return false;
    const int fd = ::open(path.c_str(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool written = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    std::size_t done = 0;
    while (written && done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        written = n > 0;
        if (written)
            done += static_cast<std::size_t>(n);
    }
    // Renamed while still open: the name is free for the next record, and
    // a reader holding the old file keeps reading it. A failed rename keeps
    // the file growing rather than losing records.
    if (written && rotateAtBytes > 0 && ::fstat(fd, &info) == 0 &&
        static_cast<std::uint64_t>(info.st_size) >= rotateAtBytes)
        ::rename(path.c_str(), (path + ".1").c_str());
    return ::close(fd) == 0 && written;
}

}  // namespace m8163
