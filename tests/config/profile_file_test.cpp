#include "config/profile_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "config/ini_file.h"
#include "config_test_support.h"

namespace m8163 {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::TempFolder;
using test::unixText;
using test::windowsText;
using test::writeBytes;

class Profile : public ::testing::Test {
  protected:
    ProfileParts parts() { return {image, measurementLog, search, values, pages}; }
    void load() { loadProfile(path, cataloguePath, parts(), catalogue); }
    void loadText(std::string_view text) {
        writeBytes(path, windowsText(text));
        load();
    }
    void save() { saveProfile(path, parts()); }
    IniFile file() const { return IniFile(path); }

    TempFolder folder;
    std::string path = folder.file("recent.prf");
    std::string cataloguePath = folder.file("konstr_type.prf");
    RegisterImage image;
    MeasurementLogSettings measurementLog;
    SearchSettings search;
    ProfileValues values;
    test::FakePages pages;
    DesignCatalogue catalogue;
};

TEST_F(Profile, AMissingProfileIsCreatedWithItsDefaults) {
    load();
    EXPECT_EQ(readBytes(path), test::goldenFile("recent.prf"));
    EXPECT_EQ(readBytes(cataloguePath), test::goldenFile("konstr_type.prf"));

    EXPECT_EQ(search.speeds, (std::array<int, 8>{0, 0, 0, 1, 1, 0, 0, 0}));
    EXPECT_EQ(search.parityNone, 0);
    EXPECT_EQ(search.parityOdd, 0);
    EXPECT_EQ(search.parityEven, 1);
    EXPECT_EQ(search.firstAddress, 1);
    EXPECT_EQ(search.lastAddress, 5);
    EXPECT_EQ(measurementLog.writeFile, 0);
    EXPECT_EQ(measurementLog.fileName, "izm.txt");
    EXPECT_EQ(measurementLog.adcFileName, "adc.txt");
    for (std::size_t word = 0; word < kImageWords; ++word) {
        EXPECT_EQ(image.words[word], word == 8 ? 2 : word == 9 ? 7 : 0) << "word " << word;
    }
    EXPECT_FLOAT_EQ(image.sensor.constructionRangeMin, -50.0f);
    EXPECT_FLOAT_EQ(image.sensor.constructionRangeMax, 200.0f);
    EXPECT_EQ(pages.page, 0);
    EXPECT_EQ(values.interval, 10);
    EXPECT_EQ(catalogue.designTypes.size(), 26u);
}

TEST_F(Profile, WithoutASearchSectionTheFastSpeedsAreSearched) {
    loadText("[TAB]\nnum=1\n");
    EXPECT_EQ(search.speeds, (std::array<int, 8>{0, 0, 0, 0, 1, 1, 1, 1}));
    EXPECT_EQ(search.parityEven, 1);
    EXPECT_EQ(search.parityNone + search.parityOdd, 0);
    EXPECT_EQ(search.firstAddress, 1);
    EXPECT_EQ(search.lastAddress, 5);
    const std::string text = unixText(readBytes(path));
    EXPECT_NE(text.find("[Seach]\n1200=0\n2400=0\n4800=0\n9600=0\n19200=1\n38400=1\n57600=1\n"
                        "115200=1\nbeg=1\nend=5\nparity_non=0\nparity_odd=0\nparity_ev=1\n"),
              std::string::npos)
        << text;
    // Missing switches of an existing profile mean "on".
    EXPECT_EQ(measurementLog.writeFile, 1);
    EXPECT_EQ(measurementLog.adcWriteFile, 1);
}

TEST_F(Profile, CorrectsImpossibleExchangeWordsWithoutWritingThem) {
    struct Case {
        const char* key;
        const char* text;
        std::size_t word;
        std::uint16_t value;
    };
    const Case cases[] = {
        {"reg_9", "12", 9, 7},       {"reg_9", "2", 9, 7},      {"reg_9", "3", 9, 3},
        {"reg_9", "10", 9, 10},      {"reg_8", "0", 8, 2},      {"reg_8", "248", 8, 2},
        {"reg_8", "247", 8, 247},    {"reg_10", "5", 10, 0},    {"reg_10", "2", 10, 2},
        {"reg_0", "70000", 0, 4464}, {"reg_1", "-1", 1, 65535}, {"reg_84", "0x1234", 84, 0x1234},
        {"reg_9", "65545", 9, 9},  // low 16 bits first, then the check
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.text);
        image = {};
        loadText(std::string("[REG_HOLD]\n") + c.key + "=" + c.text + "\n");
        EXPECT_EQ(image.words[c.word], c.value);
        EXPECT_EQ(file().readString("REG_HOLD", c.key, "?"), c.text);
    }
}

TEST_F(Profile, AnUnknownPageLeavesTheNotebookWhereItIs) {
    struct Case {
        const char* num;
        int page;
    };
    const Case cases[] = {{"7", 2}, {"-1", 2}, {"3", 3}, {"0", 0}, {"x", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.num);
        pages.page = 2;
        loadText(std::string("[TAB]\nnum=") + c.num + "\n");
        EXPECT_EQ(pages.page, c.page);
        EXPECT_EQ(file().readInt("TAB", "num", -9), c.page);
    }
}

TEST_F(Profile, HandEditedValuesSurviveALoadAndASave) {
    loadText(
        "[IZM]\n"
        "izm_name=D:\\Измерения\\печь 3.txt\n"
        "[TX]\n"
        "INTERVAL=25\n"
        "[KONSTR_bound]\n"
        "min=-12.5\n"
        "[Grad]\n"
        "SET_RA=\n"
        "SET_RB=1,5\n");
    EXPECT_EQ(measurementLog.fileName, "D:\\Измерения\\печь 3.txt");
    EXPECT_EQ(values.interval, 25);
    EXPECT_FLOAT_EQ(image.sensor.constructionRangeMin, -12.5f);
    EXPECT_FLOAT_EQ(values.calibration[0], 0.0f);
    EXPECT_FLOAT_EQ(values.calibration[1], 1.0f);
    EXPECT_EQ(file().readString("KONSTR_bound", "min", "?"), "-12.50");
    EXPECT_NE(unixText(readBytes(path)).find("\nmin=     -12.50\n"), std::string::npos);

    measurementLog.fileName = "changed in memory.txt";  // names are never saved
    save();
    const std::string text = unixText(readBytes(path));
    EXPECT_NE(text.find("izm_name=D:\\Измерения\\печь 3.txt\n"), std::string::npos) << text;
    EXPECT_NE(text.find("INTERVAL=25\n"), std::string::npos);
    EXPECT_NE(text.find("SET_RA=       0.00\n"), std::string::npos);
    EXPECT_NE(text.find("SET_RB=       1.00\n"), std::string::npos);

    MeasurementLogSettings reloaded;
    ProfileValues reloadedValues;
    ProfileParts again{image, reloaded, search, reloadedValues, pages};
    loadProfile(path, cataloguePath, again, catalogue);
    EXPECT_EQ(reloaded.fileName, "D:\\Измерения\\печь 3.txt");
    EXPECT_EQ(reloadedValues.interval, 25);
}

TEST_F(Profile, ASaveWritesWhatTheRunChanged) {
    load();
    image.words[0] = 0x8163;
    image.words[84] = 65535;
    image.sensor.constructionRangeMin = -100.0f;
    image.sensor.constructionRangeMax = 1234.567f;
    search.speeds = {1, 0, 0, 0, 0, 0, 0, 1};
    search.firstAddress = 10;
    search.lastAddress = 247;
    measurementLog.writeFile = 1;
    values.catalogueSelection = {25, 16, 1};
    pages.page = 3;
    save();

    IniFile saved = file();
    EXPECT_EQ(saved.readInt("REG_HOLD", "reg_0", -1), 0x8163);
    EXPECT_EQ(saved.readString("REG_HOLD", "reg_84", "?"), "65535");
    EXPECT_EQ(saved.readString("REG_HOLD", "reg_9", "?"), "7");
    EXPECT_EQ(saved.readInt("IZM", "write_file", -1), 1);
    EXPECT_EQ(saved.readInt("TAB", "num", -1), 3);
    EXPECT_EQ(saved.readString("Definition", "txt0", "?"), "");
    EXPECT_EQ(saved.readInt("Seach", "1200", -1), 1);
    EXPECT_EQ(saved.readInt("Seach", "9600", -1), 0);
    EXPECT_EQ(saved.readInt("Seach", "end", -1), 247);
    EXPECT_EQ(saved.readInt("KONSTR", "konstr_line_index", -1), 25);
    EXPECT_EQ(saved.readInt("KONSTR", "konstr_case_index", -1), 1);
    const std::string text = unixText(readBytes(path));
    EXPECT_NE(text.find("[KONSTR_bound]\nmax=    1234.57\nmin=    -100.00\n"), std::string::npos)
        << text;

    // The same values come back on the next start.
    RegisterImage image2;
    SearchSettings search2;
    ProfileValues values2;
    MeasurementLogSettings log2;
    test::FakePages pages2;
    loadProfile(path, cataloguePath, {image2, log2, search2, values2, pages2}, catalogue);
    EXPECT_EQ(image2.words, image.words);
    EXPECT_EQ(search2.speeds, search.speeds);
    EXPECT_EQ(search2.lastAddress, 247);
    EXPECT_EQ(values2.catalogueSelection.caseType, 1);
    EXPECT_EQ(pages2.page, 3);
    EXPECT_FLOAT_EQ(image2.sensor.constructionRangeMax, 1234.57f);
}

TEST_F(Profile, ASaveWithoutAFileWritesOnlyTheSavedKeys) {
    save();
    IniFile saved = file();
    EXPECT_EQ(saved.readString("REG_HOLD", "reg_42", "?"), "0");
    EXPECT_EQ(saved.readString("IZM", "izm_name", "missing"), "missing");
    EXPECT_EQ(saved.readString("Dat_bound0", "max", "missing"), "missing");
    EXPECT_FALSE(fs::exists(cataloguePath));
}

TEST_F(Profile, AReadOnlyProfileIsOverwritten) {
    load();
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    search.lastAddress = 9;
    save();
    EXPECT_EQ(file().readInt("Seach", "end", -1), 9);
}

TEST_F(Profile, ARefusedWriteNamesTheFileAndLeavesTheCatalogueUnread) {
    writeBytes(folder.file("plain"), "a file, not a folder");
    const std::string badPath = folder.file("plain/recent.prf");
    try {
        loadProfile(badPath, cataloguePath, parts(), catalogue);
        FAIL() << "no error";
    } catch (const SettingsFileError& error) {
        EXPECT_NE(std::string(error.what()).find(badPath), std::string::npos) << error.what();
    }
    EXPECT_EQ(search.lastAddress, 5);  // what was read stays in force
    EXPECT_FALSE(fs::exists(cataloguePath));
    EXPECT_THROW(saveProfile(badPath, parts()), SettingsFileError);
}

}  // namespace
}  // namespace m8163
