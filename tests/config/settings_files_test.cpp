// The three settings files as the field leaves them: not plain files, saves
// killed half-way, bytes that Windows-1251 has no character for. Each case
// goes through the loaders and savers that start-up and close call.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "config/connection_file.h"
#include "config/ini_file.h"
#include "config/profile_file.h"
#include "config/settings_paths.h"
#include "config_test_support.h"
#include "recorders.h"

namespace m8163 {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::TempFolder;
using test::writeBytes;

// What start-up and close keep of the three files.
struct Program {
    explicit Program(const TempFolder& folder)
        : devDat(folder.file(kConnectionFileName)),
          recent(folder.file(kProfileFileName)),
          catalogueFile(folder.file(kCatalogueFileName)) {}

    ProfileParts parts() { return {image, measurementLog, search, values, pages}; }
    void load() {
        loadConnectionSettings(devDat, connection, ports, boxes);
        loadProfile(recent, catalogueFile, parts(), catalogue);
    }
    void save() {
        saveConnectionSettings(devDat, connection, ports);
        saveProfile(recent, parts());
    }

    std::string devDat, recent, catalogueFile;
    ConnectionSettings connection;
    ComPortMap ports;
    test::RecordingBoxes boxes;
    RegisterImage image;
    MeasurementLogSettings measurementLog;
    SearchSettings search;
    ProfileValues values;
    test::FakePages pages;
    DesignCatalogue catalogue;
};

// Enough of a file's state to see that nobody touched it.
std::string describe(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return "missing";
    std::string text = std::to_string(info.st_mode) + " " + std::to_string(info.st_size) + " " +
                       std::to_string(info.st_mtim.tv_sec) + "." +
                       std::to_string(info.st_mtim.tv_nsec);
    if (S_ISLNK(info.st_mode))
        text += " -> " + fs::read_symlink(path).string();
    else if (S_ISREG(info.st_mode))
        text += " " + std::to_string(std::hash<std::string>{}(readBytes(path)));
    return text;
}

// Names of save temporaries in the folder.
int temporariesIn(const std::string& folder) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().find(".save-") != std::string::npos)
            ++count;
    }
    return count;
}

TEST(SettingsFiles, AnythingButAPlainFileIsRefusedAtOnceAndLeftAsItWas) {
    struct Kind {
        const char* name;
        std::function<void(const std::string&)> make;
        const char* reason;  // part of the error text
    };
    const Kind kinds[] = {
        {"FIFO", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }, "FIFO"},
        {"link to /dev/zero", [](const std::string& p) { fs::create_symlink("/dev/zero", p); },
         "устройство, а не обычный файл (ссылка на /dev/zero)"},
        {"folder", [](const std::string& p) { fs::create_directory(p); }, "это папка"},
        {"2 MiB file",
         [](const std::string& p) {
             writeBytes(p, "[COM_SETTINGS]\r\nNumber=3\r\n" + std::string(2 << 20, ';'));
         },
         "больше 1 МиБ"},
    };
    for (std::string_view file : {kConnectionFileName, kProfileFileName, kCatalogueFileName}) {
        for (const Kind& kind : kinds) {
            SCOPED_TRACE(std::string(file) + ", " + kind.name);
            TempFolder folder;
            const std::string path = folder.file(file);
            kind.make(path);
            const std::string before = describe(path);
            Program program(folder);

            const auto start = std::chrono::steady_clock::now();
            try {
                program.load();
                ADD_FAILURE() << "no error";
            } catch (const SettingsFileError& error) {
                EXPECT_EQ(error.path(), path);
                const std::string what = error.what();
                EXPECT_NE(what.find("Не удалось прочитать файл \"" + path + "\""),
                          std::string::npos)
                    << what;
                EXPECT_NE(what.find(kind.reason), std::string::npos) << what;
            }
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
            if (file != kCatalogueFileName) {
                // Close saves without reading the file either.
                EXPECT_THROW(file == kConnectionFileName
                                 ? saveConnectionSettings(path, program.connection, program.ports)
                                 : saveProfile(path, program.parts()),
                             SettingsFileError);
            }
            EXPECT_EQ(describe(path), before);
            EXPECT_EQ(temporariesIn(folder.path()), 0);
        }
    }
}

// Saves killed after writing their temporary and before the rename, the way
// a kill during close leaves them; the next start-up clears them away.
TEST(SettingsFiles, TemporariesOfKilledSavesAreRemovedAtStartUp) {
    TempFolder folder;
    Program first(folder);
    first.load();
    const std::string devDat = readBytes(first.devDat);
    for (const std::string& path : {first.devDat, first.recent, first.catalogueFile}) {
        for (int kill = 0; kill < 3; ++kill) {
            pid_t child = ::fork();
            if (child == 0) {
                IniFile ini(path);
                ini.writeString("KILLED", "save", std::to_string(kill));
                ini.setReplaceFunction([](const std::string&, const std::string&) {
                    ::raise(SIGKILL);
                    return -1;
                });
                ini.save();
                ::_exit(0);
            }
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFSIGNALED(status));
        }
    }
    // Each save opened its file and so removed the one killed before it.
    ASSERT_EQ(temporariesIn(folder.path()), 3);

    Program next(folder);
    next.load();
    EXPECT_EQ(temporariesIn(folder.path()), 0);
    EXPECT_EQ(readBytes(next.devDat), devDat);  // the old files are whole
    EXPECT_EQ(next.catalogue.designTypes.size(), 26u);
}

// A load and a save that change nothing keep every byte, also bytes that
// have no Windows-1251 character: 0x98 and UTF-8 typed by hand.
TEST(SettingsFiles, BytesNobodyChangedSurviveALoadAndASave) {
    TempFolder folder;
    {
        Program created(folder);
        created.load();
        created.save();
    }
    struct Edit {
        std::string path;
        std::string from;
        std::string to;
    };
    const Edit edits[] = {
        {folder.file(kConnectionFileName), "LogFileName=COM.txt", "LogFileName=COM\x98.txt"},
        {folder.file(kConnectionFileName), "COM2=/dev/ttyUSB1",
         "COM2=/dev/serial/by-id/\xD0\x98\xD0\xB7\xD0\xBC"},  // "Изм" in UTF-8
        {folder.file(kProfileFileName), "izm_name=izm.txt", "izm_name=\xD0\x98zm\x98.txt"},
        {folder.file(kCatalogueFileName), "konstr_case1=\xC3\xC0-1",
         "konstr_case1=\xD0\x93\xD0\x90-1"},  // "ГА-1" in UTF-8
    };
    for (const Edit& edit : edits) {
        std::string bytes = readBytes(edit.path);
        std::size_t at = bytes.find(edit.from);
        ASSERT_NE(at, std::string::npos) << edit.from;
        writeBytes(edit.path, bytes.replace(at, edit.from.size(), edit.to));
    }
    const std::string before[] = {readBytes(folder.file(kConnectionFileName)),
                                  readBytes(folder.file(kProfileFileName)),
                                  readBytes(folder.file(kCatalogueFileName))};

    Program program(folder);
    program.load();
    program.save();
    EXPECT_EQ(readBytes(folder.file(kConnectionFileName)), before[0]);
    EXPECT_EQ(readBytes(folder.file(kProfileFileName)), before[1]);
    EXPECT_EQ(readBytes(folder.file(kCatalogueFileName)), before[2]);
}

}  // namespace
}  // namespace m8163
