#include "link/log_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace m8163 {
namespace {

namespace fs = std::filesystem;

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A name that stands for no plain file is refused at once, with the reason;
// the appends never wait on it (a FIFO without a reader would block an open
// for writing for good).
TEST(LogFile, OnlyAPlainFileTakesRecordsAndNothingWaits) {
    char name[] = "/tmp/m8163-log-test.XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    const fs::path folder = name;
    const struct {
        const char* file;
        std::function<void(const fs::path&)> make;
        const char* refusal;  // empty: written
    } cases[] = {
        {"plain.txt", [](const fs::path& p) { std::ofstream(p) << "old\r\n"; }, ""},
        {"new.txt", [](const fs::path&) {}, ""},
        {"fifo", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); },
         "это именованный канал (FIFO), а не обычный файл"},
        {"folder", [](const fs::path& p) { fs::create_directory(p); }, "это папка, а не файл"},
        {"device", [](const fs::path& p) { fs::create_symlink("/dev/null", p); },
         "это устройство, а не обычный файл"},
        {"missing/log.txt", [](const fs::path&) {}, ""},  // refused only when written
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const fs::path path = folder / c.file;
        c.make(path);
        EXPECT_EQ(logFileRefusal(path.string()), c.refusal);
        const bool plain = std::string(c.refusal).empty() && fs::exists(path.parent_path());
        EXPECT_EQ(appendToLogFile(path.string(), "line\r\n"), plain);
        if (plain) {
            EXPECT_EQ(fileText(path).substr(fileText(path).size() - 6), "line\r\n");
        }
    }
    fs::remove_all(folder);
}

}  // namespace
}  // namespace m8163
