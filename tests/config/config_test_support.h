#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "base/cp1251.h"
#include "config/page_selector.h"

// A fresh folder per test, files read and written as raw bytes, and a
// notebook stand-in for the profile.

namespace m8163::test {

class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "m8163-config-XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(std::string_view name) const { return path_ + "/" + std::string(name); }

  private:
    std::string path_;
};

// Names of everything in the folder, sorted: a save must leave no temporary
// file behind.
inline std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// UTF-8 text with "\n" line ends as a Windows editor stores it:
// Windows-1251 with CR LF.
inline std::string windowsText(std::string_view utf8) {
    std::string out;
    for (char c : utf8ToCp1251(utf8)) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

// The file's text as UTF-8 with "\n" line ends, for readable expectations.
inline std::string unixText(std::string_view bytes) {
    std::string out;
    for (char c : cp1251ToUtf8(bytes)) {
        if (c != '\r')
            out += c;
    }
    return out;
}

inline std::string goldenFile(std::string_view name) {
    return readBytes(std::string(M8163_SOURCE_DIR) + "/tests/config/golden/" + std::string(name));
}

// Runs `body` as an ordinary user and returns its result: root writes into
// read-only folders and files alike, so under root the body runs in a child
// process that has given up root for the user "nobody". Files the body
// reads must be readable by everyone.
inline int runAsOrdinaryUser(const std::function<int()>& body) {
    if (::geteuid() != 0)
        return body();
    pid_t child = ::fork();
    if (child == 0) {
        constexpr id_t kNobody = 65534;
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(99);
        int result = 98;
        try {
            result = body();
        } catch (...) {
        }
        ::_exit(result);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

class FakePages : public PageSelector {
  public:
    int page = 2;  // the page the window shows before the profile is loaded
    int shown = 0;
    int currentPage() const override { return page; }
    void showPage(int index) override {
        page = index;
        ++shown;
    }
};

}  // namespace m8163::test
