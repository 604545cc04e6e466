#pragma once

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

// Switches the C library's locale for one test and back. A locale that the
// machine has not generated is compiled with localedef from the system's
// locale sources into a fresh temporary directory (found through LOCPATH),
// so that locale tests run on machines with only the C locale installed.
// active() is false when neither works; the test then skips.

namespace m8163::test {

class ScopedLocale {
  public:
    // `name` is language_TERRITORY.CHARMAP, e.g. "ru_RU.UTF-8".
    explicit ScopedLocale(const std::string& name, int category = LC_ALL)
        : category_(category), previous_(std::setlocale(category, nullptr)) {
        if (const char* path = std::getenv("LOCPATH"))
            previousLocPath_ = path;
        active_ = std::setlocale(category, name.c_str()) != nullptr || compile(name);
    }
    ~ScopedLocale() {
        std::setlocale(category_, previous_.c_str());
        if (!directory_.empty()) {
            if (previousLocPath_) {
                setenv("LOCPATH", previousLocPath_->c_str(), 1);
            } else {
                unsetenv("LOCPATH");
            }
            std::error_code ignored;
            std::filesystem::remove_all(directory_, ignored);
        }
    }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

    bool active() const { return active_; }

  private:
    bool compile(const std::string& name) {
        const auto dot = name.find('.');
        if (dot == std::string::npos)
            return false;
        std::string pattern =
            (std::filesystem::temp_directory_path() / "m8163-locale-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            return false;
        directory_ = pattern;
        const std::string command = "localedef -i " + name.substr(0, dot) + " -f " +
                                    name.substr(dot + 1) + " '" + directory_ + "/" + name +
                                    "' >/dev/null 2>&1";
        // Warnings give a non-zero status with a usable locale: setlocale decides.
        [[maybe_unused]] int status = std::system(command.c_str());
        setenv("LOCPATH", directory_.c_str(), 1);
        return std::setlocale(category_, name.c_str()) != nullptr;
    }

    int category_;
    std::string previous_;
    std::optional<std::string> previousLocPath_;
    std::string directory_;
    bool active_ = false;
};

}  // namespace m8163::test
