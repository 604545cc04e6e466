#include "config/whole_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "config/ini_file.h"
#include "config/save_temporary.h"
#include "link/system_reason.h"

namespace m8163 {

void writeWholeFile(const std::string& path, const std::string& bytes) {
    std::string target = path;
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    auto fail = [&](int error) { throw SettingsFileError(path, true, systemReason(error)); };
    // The rename would replace a file the user may not write; refuse it as
    // writing into it would be refused.
    if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0)
        fail(errno);
    // What killed exports of this file left behind.
    removeStaleSaveTemporaries(target);

    struct stat old {};
    const bool haveOld = ::stat(target.c_str(), &old) == 0;
    // An existing file keeps its permissions and owner; a new one gets what
    // the umask leaves of read and write for all.
    const TemporaryWrite written = writeThroughTemporary(
        target, bytes, haveOld ? (old.st_mode & 07777) : newFileMode(), haveOld ? &old : nullptr,
        [](const std::string& from, const std::string& to) {
            return ::rename(from.c_str(), to.c_str());
        });
    if (written.error != 0)
        fail(written.error);
}

}  // namespace m8163
