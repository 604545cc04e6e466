#include "config/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace m8163 {
namespace {

std::string systemReason(int error) {
    return std::strerror(error);
}

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

std::string folderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
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

mode_t creationMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

SettingsFileError::SettingsFileError(const std::string& path, bool writing,
                                     const std::string& reason)
    : std::runtime_error(
          std::string(writing ? "Не удалось записать файл \"" : "Не удалось прочитать файл \"") +
          path + "\": " + reason),
      path_(path) {}

IniFile::IniFile(std::string path)
    : path_(std::move(path)), replace_([](const std::string& from, const std::string& to) {
          return ::rename(from.c_str(), to.c_str());
      }) {
    Descriptor fd(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        // No file (or no folder): the loaders create it with its defaults.
        if (errno == ENOENT || errno == ENOTDIR)
            return;
        throw SettingsFileError(path_, false, systemReason(errno));
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        throw SettingsFileError(path_, false, systemReason(errno));
    if (S_ISDIR(info.st_mode))
        throw SettingsFileError(path_, false, systemReason(EISDIR));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw SettingsFileError(path_, false, systemReason(errno));
        }
        if (n == 0)
            break;
        original_.append(buffer, static_cast<std::size_t>(n));
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
    auto fail = [this](int error) { throw SettingsFileError(path_, true, systemReason(error)); };

    struct stat old {};
    bool haveOld = ::stat(target.c_str(), &old) == 0;
    // A write in place would be refused for a file without write permission;
    // the rename below would not notice, so ask first.
    if (haveOld && !allowReadOnly_ && ::access(target.c_str(), W_OK) != 0)
        fail(errno);

    std::string temporary = folderOf(target) + "/." + nameOf(target) + ".XXXXXX";
    Descriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.get() < 0)
        fail(errno);
    auto failAndRemove = [&](int error) {
        ::unlink(temporary.c_str());
        fail(error);
    };

    if (!writeAll(fd.get(), text))
        failAndRemove(errno);
    mode_t mode = haveOld ? (old.st_mode & 07777) : creationMode();
    if (allowReadOnly_)
        mode |= S_IWUSR;
    if (haveOld && ::fchown(fd.get(), old.st_uid, old.st_gid) != 0) {
        // Only the owner or root may hand a file over; a file that changes
        // owner is still the right text.
    }
    if (::fchmod(fd.get(), mode) != 0)
        failAndRemove(errno);
    if (::fsync(fd.get()) != 0)
        failAndRemove(errno);
    if (fd.close() != 0)
        failAndRemove(errno);
    if (replace_(temporary, target) != 0)
        failAndRemove(errno);

    // Make the rename itself durable; the file is already whole either way.
    Descriptor folder(::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        ::fsync(folder.get());
}

}  // namespace m8163
