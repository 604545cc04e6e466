#include "config/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "config_test_support.h"
#include "link/system_reason.h"
#include "scoped_locale.h"

namespace m8163 {
namespace {

namespace fs = std::filesystem;
using test::folderEntries;
using test::readBytes;
using test::TempFolder;
using test::writeBytes;

const std::string kOldText = "[S]\r\nk=old\r\n";

TEST(IniFile, CreatesAMissingFileAndWritesOnlyWhenTheTextChanges) {
    TempFolder folder;
    const std::string path = folder.file("a.ini");
    {
        IniFile ini(path);
        EXPECT_FALSE(ini.existed());
        ini.writeInt("S", "k", 1);
        ini.save();
    }
    EXPECT_EQ(readBytes(path), "[S]\r\nk=1\r\n");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::owner_write, fs::perms::owner_write);

    int replaces = 0;
    IniFile again(path);
    EXPECT_TRUE(again.existed());
    again.setReplaceFunction([&](const std::string& from, const std::string& to) {
        ++replaces;
        return ::rename(from.c_str(), to.c_str());
    });
    again.writeInt("S", "k", 1);  // the same text: nothing to write
    again.save();
    EXPECT_EQ(replaces, 0);
    again.writeInt("S", "k", 2);
    again.save();
    EXPECT_EQ(replaces, 1);
    EXPECT_EQ(readBytes(path), "[S]\r\nk=2\r\n");
}

TEST(IniFile, ASaveThatDiesBeforeTheRenameLeavesTheOldFile) {
    TempFolder folder;
    const std::string path = folder.file("a.ini");
    writeBytes(path, kOldText);
    IniFile ini(path);
    ini.writeString("S", "k", "new");
    ini.setReplaceFunction([](const std::string&, const std::string&) {
        errno = EIO;
        return -1;
    });
    try {
        ini.save();
        FAIL() << "no error";
    } catch (const SettingsFileError& error) {
        EXPECT_EQ(error.path(), path);
        EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find(systemReason(EIO)), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(readBytes(path), kOldText);
    EXPECT_EQ(folderEntries(folder.path()), std::vector<std::string>{"a.ini"});
}

TEST(IniFile, AFolderThatCannotHoldTheFileGivesAnErrorNamingIt) {
    TempFolder folder;
    writeBytes(folder.file("plain"), "not a folder");
    const std::string path = folder.file("plain/dev.dat");
    IniFile ini(path);  // nothing to read: created on save
    EXPECT_FALSE(ini.existed());
    ini.writeInt("S", "k", 1);
    try {
        ini.save();
        FAIL() << "no error";
    } catch (const SettingsFileError& error) {
        EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("Это не каталог"), std::string::npos)
            << error.what();
    }
}

// 0: the write refused with an error naming the file; 1: written; 2: any
// other outcome (a refused read included).
int saveAndClassify(const std::string& path) {
    try {
        IniFile ini(path);
        ini.writeString("S", "k", "new");
        ini.save();
        return 1;
    } catch (const SettingsFileError& error) {
        const std::string what = error.what();
        bool names = what.find(path) != std::string::npos;
        bool writing = what.find("записать") != std::string::npos;
        return names && writing ? 0 : 2;
    }
}

// A folder that refuses new files takes no temporary: a writable file there
// is written in place, and a refusal says which of the two said no.
TEST(IniFile, AReadOnlyFolderGetsTheFileWrittenInPlace) {
    enum Outcome { Written, FolderRefused, FileRefused, BothRefused, Other };
    struct Case {
        const char* name;
        bool fileExists;
        bool fileWritable;
        bool ownedByUser;  // else by root, when the tests run as root
        bool allowReadOnly;
        Outcome outcome;
    };
    const Case cases[] = {
        {"writable file", true, true, true, false, Written},
        {"read-only file", true, false, true, false, BothRefused},
        {"own read-only file that may be overwritten", true, false, true, true, Written},
        {"someone else's read-only file that may be overwritten", true, false, false, true,
         BothRefused},
        {"no file", false, false, true, false, FolderRefused},
    };
    // Longer than the new text: a write in place must cut the file.
    const std::string longer = "[S]\r\nk=an old value longer than the new one\r\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.ownedByUser && ::geteuid() != 0)
            continue;  // only root can give a file to someone else
        TempFolder folder;
        const std::string path = folder.file("a.ini");
        if (c.fileExists) {
            writeBytes(path, longer);
            const auto readable =
                fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
            const auto writable =
                fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
            fs::permissions(path, c.fileWritable ? readable | writable : readable);
            if (c.ownedByUser && ::geteuid() == 0) {
                ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
            }
        }
        struct stat before {};
        ::stat(path.c_str(), &before);
        fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                           fs::perms::others_read | fs::perms::others_exec);
        const int result = test::runAsOrdinaryUser([&] {
            try {
                IniFile ini(path);
                if (c.allowReadOnly)
                    ini.allowReadOnlyOverwrite();
                ini.writeString("S", "k", "new");
                ini.save();
                return Written;
            } catch (const SettingsFileError& error) {
                const std::string what = error.what();
                bool folderSaid =
                    what.find("в папке \"" + folder.path() + "\"") != std::string::npos;
                bool fileSaid = what.find("файл закрыт для записи") != std::string::npos;
                // The reasons are the system's, in Russian like the rest.
                if (what.find(path) == std::string::npos ||
                    what.find("Отказано в доступе") == std::string::npos)
                    return Other;
                return folderSaid && fileSaid ? BothRefused
                       : folderSaid           ? FolderRefused
                       : fileSaid             ? FileRefused
                                              : Other;
            }
        });
        EXPECT_EQ(result, c.outcome);
        fs::permissions(folder.path(), fs::perms::owner_all);
        if (c.outcome == Written) {
            EXPECT_EQ(readBytes(path), "[S]\r\nk=new\r\n");
            struct stat after {};
            ::stat(path.c_str(), &after);
            EXPECT_EQ(after.st_ino, before.st_ino);  // the same file, not a new one
        } else if (c.fileExists) {
            EXPECT_EQ(readBytes(path), longer);
        }
        EXPECT_EQ(folderEntries(folder.path()).size(), c.fileExists ? 1u : 0u);
    }
}

TEST(IniFile, AReadOnlyFileIsRefusedUnlessTheCallerAllowsIt) {
    TempFolder folder;
    const std::string path = folder.file("a.ini");
    writeBytes(path, kOldText);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(folder.path(), fs::perms::all);  // the folder itself is writable
    EXPECT_EQ(test::runAsOrdinaryUser([&] { return saveAndClassify(path); }), 0);
    EXPECT_EQ(readBytes(path), kOldText);

    IniFile allowed(path);
    allowed.allowReadOnlyOverwrite();
    allowed.writeString("S", "k", "new");
    allowed.save();
    EXPECT_EQ(readBytes(path), "[S]\r\nk=new\r\n");
    // Made writable for its owner; the other permissions stay.
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write |
                                                  fs::perms::group_read | fs::perms::others_read);
}

TEST(IniFile, KeepsPermissionsAndSymbolicLinks) {
    TempFolder folder;
    const std::string target = folder.file("real.ini");
    const std::string link = folder.file("link.ini");
    writeBytes(target, kOldText);
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(target, link);
    IniFile ini(link);
    ini.writeString("S", "k", "new");
    ini.save();
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readBytes(target), "[S]\r\nk=new\r\n");
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(IniFile, APathThatIsAFolderCannotBeRead) {
    TempFolder folder;
    fs::create_directory(folder.file("dev.dat"));
    try {
        IniFile ini(folder.file("dev.dat"));
        FAIL() << "no error";
    } catch (const SettingsFileError& error) {
        EXPECT_EQ(error.path(), folder.file("dev.dat"));
    }
}

// A Russian locale writes "," in printf; the files must keep ".".
TEST(IniFile, RealsAreWrittenWithAPointUnderAnyLocale) {
    char printed[32];
    IniDocument ini;
    std::string text;
    float read = 0;
    {
        const test::ScopedLocale russian("ru_RU.UTF-8");
        if (!russian.active())
            GTEST_SKIP() << "locale ru_RU.UTF-8 not available";
        std::snprintf(printed, sizeof printed, "%.2f", 1.5);
        ini.writeReal("S", "r", -12.5f);
        text = ini.bytes();
        read = ini.readReal("S", "r", "0");
    }
    EXPECT_STREQ(printed, "1,50");  // the locale is in force
    EXPECT_EQ(text, "[S]\r\nr=     -12.50\r\n");
    EXPECT_FLOAT_EQ(read, -12.5f);
}

}  // namespace
}  // namespace m8163
