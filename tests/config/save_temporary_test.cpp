#include "config/save_temporary.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "config_test_support.h"

namespace m8163 {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using test::writeBytes;

// The id of a process that has ended: a child that exits at once.
pid_t endedProcess() {
    pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

void makeOld(const std::string& path) {
    const auto old =
        fs::file_time_type::clock::now() - kSaveTemporaryGrace - std::chrono::minutes(1);
    fs::last_write_time(path, old);
}

TEST(SaveTemporary, IsNamedAfterItsFileAndProcessAndLocked) {
    TempFolder folder;
    std::string temporary;
    int fd = createSaveTemporary(folder.file("dev.dat"), temporary);
    ASSERT_GE(fd, 0);
    const std::string prefix = folder.file(".dev.dat.save-" + std::to_string(::getpid()) + "-");
    EXPECT_EQ(temporary.substr(0, prefix.size()), prefix);
    EXPECT_EQ(temporary.size(), prefix.size() + 6);
    // Another open file description cannot take the lock while the save
    // holds it.
    int other = ::open(temporary.c_str(), O_RDONLY);
    EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0);
    ::close(fd);
    EXPECT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    ::close(other);
}

// Only what no save can still be writing goes: the process is gone, or the
// file is unlocked and too old to be a save that has not locked it yet.
TEST(SaveTemporary, OnlyStaleOnesOfTheFileAreRemoved) {
    TempFolder folder;
    const std::string target = folder.file("dev.dat");
    const std::string self = std::to_string(::getpid());
    const std::string ended = std::to_string(endedProcess());

    std::string held;
    int heldFd = createSaveTemporary(target, held);  // a save at work in this process
    std::string heldOld;
    int heldOldFd = createSaveTemporary(target, heldOld);  // a slow save at work
    makeOld(heldOld);
    writeBytes(folder.file(".dev.dat.save-" + ended + "-aB3xYz"), "killed save");
    writeBytes(folder.file(".dev.dat.save-" + self + "-young1"), "not locked yet");
    writeBytes(folder.file(".dev.dat.save-" + self + "-reused"), "process id reused");
    makeOld(folder.file(".dev.dat.save-" + self + "-reused"));
    // Not ours, or not of this file: they stay.
    const std::vector<std::string> foreign = {
        ".dev.dat.save-" + ended + "-abc",        // not six characters
        ".dev.dat.save-x" + ended + "-abcdef",    // no process id
        "dev.dat.save-" + ended + "-abcdef",      // no leading dot
        ".recent.prf.save-" + ended + "-abcdef",  // another file's
        ".dev.dat." + ended + "-abcdef",          // another program's
        ".dev.dat.save-" + ended + "-folder",     // not a plain file
    };
    for (const std::string& name : foreign) {
        if (name.ends_with("folder"))
            fs::create_directory(folder.file(name));
        else
            writeBytes(folder.file(name), "x");
    }

    EXPECT_EQ(removeStaleSaveTemporaries(target), 2);
    std::vector<std::string> expected = foreign;
    expected.push_back(".dev.dat.save-" + self + "-young1");
    expected.push_back(fs::path(held).filename());
    expected.push_back(fs::path(heldOld).filename());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(test::folderEntries(folder.path()), expected);
    ::close(heldFd);
    ::close(heldOldFd);
    // The saves ended without their rename: the old one goes now, the young
    // ones stay for the grace period.
    EXPECT_EQ(removeStaleSaveTemporaries(target), 1);
    EXPECT_FALSE(fs::exists(heldOld));
    EXPECT_TRUE(fs::exists(held));
}

TEST(SaveTemporary, AFolderThatCannotBeListedIsNoError) {
    EXPECT_EQ(removeStaleSaveTemporaries("/nonexistent-folder/dev.dat"), 0);
}

}  // namespace
}  // namespace m8163
