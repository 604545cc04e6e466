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
        {"missing/log.txt", [](const fs::path&) {}, "папки {folder}/missing нет"},
        {"missing/deeper/log.txt", [](const fs::path&) {}, "папки {folder}/missing/deeper нет"},
        {"plain.txt/log.txt", [](const fs::path&) {}, "{folder}/plain.txt — не папка"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const fs::path path = folder / c.file;
        c.make(path);
        std::string refusal = c.refusal;
        if (const auto at = refusal.find("{folder}"); at != std::string::npos)
            refusal.replace(at, 8, folder.string());
        EXPECT_EQ(logFileRefusal(path.string()), refusal);
        const bool plain = refusal.empty();
        EXPECT_EQ(appendToLogFile(path.string(), "line\r\n"), plain);
        if (plain) {
            EXPECT_EQ(fileText(path).substr(fileText(path).size() - 6), "line\r\n");
        }
    }
    fs::remove_all(folder);
}

}  // namespace
}  // namespace m8163
