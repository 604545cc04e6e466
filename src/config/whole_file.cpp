#include "config/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "config/ini_file.h"
#include "config/save_temporary.h"
#include "config/settings_paths.h"

namespace m8163 {

void writeWholeFile(const std::string& path, const std::string& bytes) {
    std::string target = path;
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    auto fail = [&](int error) { throw SettingsFileError(path, true, std::strerror(error)); };
    // The rename would replace a file the user may not write; refuse it as
    // writing into it would be refused.
    if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0)
        fail(errno);
    // What killed exports of this file left behind.
    removeStaleSaveTemporaries(target);

    std::string temporary;
    const int fd = createSaveTemporary(target, temporary);
    if (fd < 0)
        fail(errno);
    auto failAndRemove = [&](int error) {
        ::close(fd);
        ::unlink(temporary.c_str());
        fail(error);
    };
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno != EINTR)
            failAndRemove(errno);
        if (n > 0)
            done += static_cast<std::size_t>(n);
    }
    // An existing file keeps its permissions; a new one gets what the umask
    // leaves of read and write for all.
    struct stat old {};
    mode_t mode = 0;
    if (::stat(target.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)
        failAndRemove(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        fail(error);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        fail(error);
    }
    const int folder = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

}  // namespace m8163
