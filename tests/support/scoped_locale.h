#pragma once

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

// Switches the C library's locale for one test and back. A locale that the
// machine has not generated is taken from the build tree's folder of test
// locales (M8163_TEST_LOCALES, filled once per test run by the fixture
// make_locales.sh) through LOCPATH, so that locale tests run on machines with
// only the C locale installed. A test program started by hand, outside CTest,
// without that folder filled, compiles it with localedef into a temporary
// directory instead. active() is false when nothing works; the test then skips.

namespace m8163::test {

class ScopedLocale {
  public:
    // `name` is language_TERRITORY.CHARMAP, e.g. "ru_RU.UTF-8".
    explicit ScopedLocale(const std::string& name, int category = LC_ALL)
        : category_(category), previous_(std::setlocale(category, nullptr)) {
        if (const char* path = std::getenv("LOCPATH"))
            previousLocPath_ = path;
        active_ = std::setlocale(category, name.c_str()) != nullptr || fromBuildTree(name) ||
                  compile(name);
    }
    ~ScopedLocale() {
        std::setlocale(category_, previous_.c_str());
        if (locPathSet_) {
            if (previousLocPath_) {
                setenv("LOCPATH", previousLocPath_->c_str(), 1);
            } else {
                unsetenv("LOCPATH");
            }
        }
        if (!directory_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(directory_, ignored);
        }
    }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

    bool active() const { return active_; }

  private:
    bool fromBuildTree(const std::string& name) {
#ifdef M8163_TEST_LOCALES
        std::error_code ignored;
        if (!std::filesystem::exists(std::filesystem::path(M8163_TEST_LOCALES) / name / "LC_CTYPE",
                                     ignored))
            return false;
        setenv("LOCPATH", M8163_TEST_LOCALES, 1);
        locPathSet_ = true;
        return std::setlocale(category_, name.c_str()) != nullptr;
#else
        (void)name;
        return false;
#endif
    }

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
        locPathSet_ = true;
        return std::setlocale(category_, name.c_str()) != nullptr;
    }

    int category_;
    std::string previous_;
    std::optional<std::string> previousLocPath_;
    std::string directory_;  // a temporary one of compile(), removed at the end
    bool locPathSet_ = false;
    bool active_ = false;
};

}  // namespace m8163::test
