#include "config/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "config/save_temporary.h"
#include "config/settings_paths.h"
#include "link/file_kind.h"
#include "link/system_reason.h"

namespace m8163 {
namespace {

constexpr off_t kMaxSettingsFileSize = 1 << 20;

// Closes the descriptor when it goes out of scope.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    void reset(int fd) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    // Closes now and reports the result, so that a failed close is seen.
    int close() {
        int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

  private:
    int fd_;
};

// The file that a write has to replace: a symbolic link stays a link and
// its target gets the new text.
std::string writeTarget(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            std::string target = resolved;
            std::free(resolved);
            return target;
        }
    }
    return path;
}

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Why the file described by `info` cannot be a settings file, or "" when it
// can. Anything but a plain file of a sane size is refused before a read:
// a FIFO blocks, a device such as /dev/zero never ends.
std::string notASettingsFile(const struct stat& info) {
    if (S_ISREG(info.st_mode) && info.st_size > kMaxSettingsFileSize)
        return "файл больше 1 МиБ (" + std::to_string(info.st_size) +
               " байт): файл настроек не бывает таким большим";
    return notAPlainFile(info.st_mode);
}

// " (ссылка на ...)" for a symbolic link, so that the user sees what the
// name stands for.
std::string linkNote(const std::string& path) {
    char target[PATH_MAX];
    ssize_t n = ::readlink(path.c_str(), target, sizeof target);
    if (n <= 0)
        return {};
    return " (ссылка на " + std::string(target, static_cast<std::size_t>(n)) + ")";
}

std::string folderRefuses(const std::string& target, int error) {
    return "в папке \"" + folderOf(target) + "\" нельзя создать файл (" + systemReason(error) + ")";
}

std::string fileRefuses(int error) {
    return "файл закрыт для записи (" + systemReason(error) + ")";
}

}  // namespace

SettingsFileError::SettingsFileError(const std::string& path, bool writing,
                                     const std::string& reason)
    : std::runtime_error(
          std::string(writing ? "Не удалось записать файл \"" : "Не удалось прочитать файл \"") +
          path + "\": " + reason),
      path_(path) {}

bool checkSettingsFile(const std::string& path) {
    auto refuse = [&path](const std::string& reason) {
        throw SettingsFileError(path, false, reason + linkNote(path));
    };
    // Look before opening: opening a device may act on it, and a FIFO
    // without O_NONBLOCK waits for a writer.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        // No file (or no folder): the loaders create it with its defaults.
        if (errno == ENOENT || errno == ENOTDIR)
            return false;
        refuse(systemReason(errno));
    }
    if (std::string why = notASettingsFile(info); !why.empty())
        refuse(why);
    return true;
}

IniFile::IniFile(std::string path)
    : path_(std::move(path)), replace_([](const std::string& from, const std::string& to) {
          return ::rename(from.c_str(), to.c_str());
      }) {
    removeStaleSaveTemporaries(writeTarget(path_));
    auto refuse = [this](const std::string& reason) {
        throw SettingsFileError(path_, false, reason + linkNote(path_));
    };
    if (!checkSettingsFile(path_))
        return;
    struct stat info {};
    Descriptor fd(::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0)
        refuse(systemReason(errno));
    // The name may stand for another file by now.
    if (::fstat(fd.get(), &info) != 0)
        refuse(systemReason(errno));
    if (std::string why = notASettingsFile(info); !why.empty())
        refuse(why);
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            refuse(systemReason(errno));
        }
        if (n == 0)
            break;
        original_.append(buffer, static_cast<std::size_t>(n));
        // A file that grows while it is read, or one that gives no size.
        if (original_.size() > static_cast<std::size_t>(kMaxSettingsFileSize)) {
            info.st_size = static_cast<off_t>(original_.size());
            refuse(notASettingsFile(info));
        }
    }
    existed_ = true;
    static_cast<IniDocument&>(*this) = IniDocument(original_);
}

void IniFile::save() {
    std::string text = bytes();
    if (existed_ && text == original_)
        return;
    writeReplacement(text);
    original_ = std::move(text);
    existed_ = true;
}

void IniFile::writeReplacement(const std::string& text) {
    const std::string target = writeTarget(path_);
    auto fail = [this](const std::string& reason) { throw SettingsFileError(path_, true, reason); };

    struct stat old {};
    bool haveOld = ::stat(target.c_str(), &old) == 0;
    // A write in place would be refused for a file without write permission;
    // the rename below would not notice, so ask first.
    if (haveOld && !allowReadOnly_ && ::access(target.c_str(), W_OK) != 0) {
        const int fileError = errno;
        // Making the file writable would not do either when its folder
        // takes no new file: say so, as a write in place would.
        if (::access(folderOf(target).c_str(), W_OK) != 0)
            fail(folderRefuses(target, errno) + ", и " + fileRefuses(fileError));
        fail(fileRefuses(fileError));
    }

    mode_t mode = haveOld ? (old.st_mode & 07777) : newFileMode();
    if (allowReadOnly_)
        mode |= S_IWUSR;
    const TemporaryWrite written =
        writeThroughTemporary(target, text, mode, haveOld ? &old : nullptr, replace_);
    if (written.noTemporary) {
        const int folderError = written.error;
        bool folderRefused = folderError == EACCES || folderError == EPERM || folderError == EROFS;
        if (haveOld && folderRefused) {
            writeInPlace(target, text, folderError);
            return;
        }
        fail(folderRefuses(target, folderError));
    }
    if (written.error != 0)
        fail(systemReason(written.error));
}

// The folder takes no new file, so the text cannot go through a temporary;
// the file itself may still be writable. A crash during this write can leave
// a part of the new text: the price of a folder that refuses new files.
void IniFile::writeInPlace(const std::string& target, const std::string& text, int folderError) {
    auto bothRefuse = [&](int fileError) {
        throw SettingsFileError(
            path_, true, folderRefuses(target, folderError) + ", и " + fileRefuses(fileError));
    };
    auto fail = [this](const std::string& reason) { throw SettingsFileError(path_, true, reason); };

    const int flags = O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    Descriptor fd(::open(target.c_str(), flags));
    if (fd.get() < 0 && errno == EACCES && allowReadOnly_) {
        // The owner may make the file writable even in a folder that is not.
        struct stat info {};
        if (::stat(target.c_str(), &info) == 0 &&
            ::chmod(target.c_str(), (info.st_mode & 07777) | S_IWUSR) == 0)
            fd.reset(::open(target.c_str(), flags));
        else
            errno = EACCES;
    }
    if (fd.get() < 0)
        bothRefuse(errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        fail(systemReason(errno));
    if (!S_ISREG(info.st_mode))
        fail(notASettingsFile(info));
    // Room for the whole text before a byte of the old one is overwritten, so
    // that a full disk refuses the save and leaves the file as it was.
    if (static_cast<off_t>(text.size()) > info.st_size &&
        ::fallocate(fd.get(), 0, 0, static_cast<off_t>(text.size())) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS)
        fail(systemReason(errno));
    if (!writeAll(fd.get(), text))
        fail(systemReason(errno));
    if (::ftruncate(fd.get(), static_cast<off_t>(text.size())) != 0)
        fail(systemReason(errno));
    if (::fsync(fd.get()) != 0)
        fail(systemReason(errno));
    if (fd.close() != 0)
        fail(systemReason(errno));
}

}  // namespace m8163
