#include "config/whole_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "config/ini_file.h"
#include "config_test_support.h"

namespace m8163 {
namespace {

namespace fs = std::filesystem;
using test::folderEntries;
using test::readBytes;
using test::TempFolder;
using test::writeBytes;

TEST(WholeFile, ReplacesTheContentKeepingModeAndLinkAndLeavesNoTemporary) {
    TempFolder folder;
    const std::string bytes("time,value\n\x89PNG\0\x01", 17);
    writeWholeFile(folder.file("new.csv"), bytes);
    EXPECT_EQ(readBytes(folder.file("new.csv")), bytes);

    writeBytes(folder.file("old.csv"), "an older and longer text\n");
    ::chmod(folder.file("old.csv").c_str(), 0640);
    fs::create_symlink("old.csv", folder.file("link.csv"));
    writeWholeFile(folder.file("link.csv"), "new\n");
    EXPECT_TRUE(fs::is_symlink(folder.file("link.csv")));
    EXPECT_EQ(readBytes(folder.file("old.csv")), "new\n");
    struct stat info {};
    ASSERT_EQ(::stat(folder.file("old.csv").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(folderEntries(folder.path()).size(), 3u);
}

TEST(WholeFile, ARefusedWriteNamesTheFileAndLeavesWhatWasThere) {
    TempFolder folder;
    fs::create_directory(folder.file("taken"));
    writeBytes(folder.file("taken/inside"), "kept");
    const std::string cases[] = {folder.file("taken"), folder.file("missing/trend.csv")};
    for (const std::string& path : cases) {
        SCOPED_TRACE(path);
        try {
            writeWholeFile(path, "text");
            ADD_FAILURE() << "no error";
        } catch (const SettingsFileError& error) {
            EXPECT_NE(std::string(error.what()).find("\"" + path + "\": "), std::string::npos)
                << error.what();
        }
    }
    EXPECT_EQ(readBytes(folder.file("taken/inside")), "kept");
    EXPECT_EQ(folderEntries(folder.path()).size(), 1u);

    if (::geteuid() != 0) {
        writeBytes(folder.file("locked.csv"), "old");
        ::chmod(folder.file("locked.csv").c_str(), 0444);
        EXPECT_THROW(writeWholeFile(folder.file("locked.csv"), "new"), SettingsFileError);
        EXPECT_EQ(readBytes(folder.file("locked.csv")), "old");
    }
}

}  // namespace
}  // namespace m8163
