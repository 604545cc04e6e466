#include "config/ini_document.h"

#include <gtest/gtest.h>

#include <string>

#include "base/cp1251.h"
#include "config_test_support.h"

namespace m8163 {
namespace {

using test::unixText;
using test::windowsText;

TEST(IniInteger, DecimalAndTheHexPrefix) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {"0", 0},
        {"17", 17},
        {"-5", -5},
        {"+7", 7},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt},
        {"0x3", 3},
        {"0X1f", 31},
        {"0xFFFFFFFF", -1},  // hexadecimal covers the unsigned range
        {"0x100000000", std::nullopt},
        {"0x", std::nullopt},  // two characters: not a hexadecimal number
        {"0xg", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"+-5", std::nullopt},
        {"0x-5", std::nullopt},
        {"+", std::nullopt},
        {"12abc", std::nullopt},
        {"1 2", std::nullopt},
        {"$10", std::nullopt},
        {"abc", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseIniInteger(c.text), c.value);
    }
}

TEST(IniDocument, ReadsAFileAsAWindowsEditorLeavesIt) {
    IniDocument ini(
        windowsText("; connection of the line\n"
                    "[com_settings]\n"
                    "  NUMBER  =  3  \n"
                    "Settings\t=\t9600,E,8,1\n"
                    "\n"
                    "[ Log ]\n"
                    "logfilename = Журнал обмена.txt \n"
                    "quoted=\" a b \"\n"
                    "single='x'\n"
                    "half=\"x\n"
                    "novalue\n"
                    "empty=\n"
                    "[Имя]\n"
                    "Ключ=значение\n"));
    EXPECT_EQ(ini.readInt("COM_SETTINGS", "Number", 1), 3);
    EXPECT_EQ(ini.readString("COM_SETTINGS", "Settings", ""), "9600,E,8,1");
    EXPECT_EQ(ini.readString("LOG", "LogFileName", ""), "Журнал обмена.txt");
    EXPECT_EQ(ini.readString("LOG", "quoted", ""), " a b ");
    EXPECT_EQ(ini.readString("LOG", "single", ""), "x");
    EXPECT_EQ(ini.readString("LOG", "half", ""), "\"x");
    EXPECT_EQ(ini.readString("LOG", "novalue", "default"), "default");
    EXPECT_EQ(ini.readString("LOG", "empty", "default"), "");
    EXPECT_EQ(ini.readInt("LOG", "empty", 42), 42);
    EXPECT_EQ(ini.readString("имя", "КЛЮЧ", ""), "значение");
    // Keys belong to their own section only.
    EXPECT_EQ(ini.readString("LOG", "Number", "none"), "none");
}

TEST(IniDocument, DefaultsLoseTheirTrailingBlanks) {
    IniDocument ini;
    EXPECT_EQ(ini.readString("KONSTR", "konstr_type0", "Т      "), "Т");
    EXPECT_EQ(ini.readString("KONSTR", "konstr_long0", "L=60 "), "L=60");
}

TEST(IniDocument, TextValuesAreReadUpTo1023Characters) {
    std::string value(1500, 'x');
    value[1022] = 'y';
    IniDocument ini("[S]\r\nkey=" + value + "\r\n");
    std::string read = ini.readString("S", "key", "");
    EXPECT_EQ(read.size(), kIniMaxValueLength);
    EXPECT_EQ(read.back(), 'y');
}

TEST(IniDocument, RealsUseTheirLeadingNumberAndAPoint) {
    IniDocument ini("[R]\r\na=-12.5\r\nb=2,5\r\nc=abc\r\nd=\r\ne=1.5e1xyz\r\nf=      40.00\r\n");
    EXPECT_FLOAT_EQ(ini.readReal("R", "a", "9"), -12.5f);
    EXPECT_FLOAT_EQ(ini.readReal("R", "b", "9"), 2.0f);
    EXPECT_FLOAT_EQ(ini.readReal("R", "c", "9"), 0.0f);
    EXPECT_FLOAT_EQ(ini.readReal("R", "d", "9"), 0.0f);
    EXPECT_FLOAT_EQ(ini.readReal("R", "e", "9"), 15.0f);
    EXPECT_FLOAT_EQ(ini.readReal("R", "f", "9"), 40.0f);
    EXPECT_FLOAT_EQ(ini.readReal("R", "missing", "-50.0"), -50.0f);
}

TEST(IniDocument, WritesChangeOnlyTheirOwnLine) {
    const std::string original = windowsText(
        "; kept\n"
        "[A]\n"
        "  Key1 = old \n"
        "other line\n"
        "key2=2\n"
        "\n"
        "[B]\n"
        "x=1\n");
    IniDocument ini(original);
    ini.writeString("a", "KEY1", "new");
    ini.writeInt("A", "key3", 3);
    ini.writeReal("B", "y", -50.0f);
    ini.writeString("C", "z", "Ц");
    EXPECT_EQ(unixText(ini.bytes()),
              "; kept\n"
              "[A]\n"
              "Key1=new\n"  // the file's spelling of the name stays
              "other line\n"
              "key2=2\n"
              "key3=3\n"  // after the last line of the section, before the blank one
              "\n"
              "[B]\n"
              "x=1\n"
              "y=     -50.00\n"
              "[C]\n"
              "z=Ц\n");
    const std::string bytes = ini.bytes();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            EXPECT_EQ(bytes[i - 1], '\r') << "line end at " << i;
        }
    }
}

TEST(IniDocument, KeepsTheBytesOfLinesItDoesNotWrite) {
    // LF-only lines, a stray CR inside a line, text before the first section
    // and a last line without an end all come back as they were.
    const std::string original = "junk\n[A]\nk=1\r\nodd\rline\nlast=2";
    EXPECT_EQ(IniDocument(original).bytes(), original);

    IniDocument ini(original);
    ini.writeInt("A", "k", 5);
    ini.writeInt("A", "new", 6);
    EXPECT_EQ(ini.bytes(), "junk\n[A]\nk=5\r\nodd\rline\nlast=2\r\nnew=6\r\n");
}

// What a load reads and writes back keeps its bytes, even where they have no
// Windows-1251 character; a value the program changes is Windows-1251.
TEST(IniDocument, AValueWrittenBackAsReadKeepsItsBytes) {
    struct Case {
        const char* name;
        std::string value;  // bytes on disk
    };
    const Case cases[] = {
        {"unassigned byte 0x98", "COM\x98.txt"},
        {"UTF-8 typed by hand", "\xD0\x98\xD0\xB7\xD0\xBC.txt"},  // "Изм.txt"
        {"quotes around blanks", "\" a b \""},
        {"Windows-1251", "\xC6\xF3\xF0\xED\xE0\xEB.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string original = "[LOG]\r\nLogFileName=" + c.value + "\r\nUseLogFile=1\r\n";
        IniDocument ini(original);
        const std::string read = ini.readString("LOG", "LogFileName", "");
        ini.writeString("LOG", "LogFileName", read);
        EXPECT_EQ(ini.bytes(), original);

        ini.writeString("LOG", "LogFileName", read + "Ж");
        EXPECT_EQ(ini.bytes(),
                  "[LOG]\r\nLogFileName=" + utf8ToCp1251(read + "Ж") + "\r\nUseLogFile=1\r\n");
    }
    IniDocument ini("[S]\r\nk=\x98\r\n");
    ini.writeString("S", "k", "И\xEF\xBF\xBD");  // changed: U+FFFD has no byte
    EXPECT_EQ(ini.bytes(), "[S]\r\nk=\xC8?\r\n");
}

TEST(IniDocument, AValueStaysOnOneLine) {
    IniDocument ini;
    ini.writeString("S", "name", std::string("a\r\nb\0c", 6));
    ini.writeString("S", "next", "1");
    EXPECT_EQ(ini.bytes(), "[S]\r\nname=a  b c\r\nnext=1\r\n");
}

TEST(IniDocument, TheFirstOfTwoEqualNamesCounts) {
    IniDocument ini("[S]\r\nk=1\r\nK=2\r\n[s]\r\nk=3\r\n");
    EXPECT_EQ(ini.readInt("S", "k", 0), 1);
    ini.writeInt("S", "k", 9);
    EXPECT_EQ(ini.bytes(), "[S]\r\nk=9\r\nK=2\r\n[s]\r\nk=3\r\n");
}

TEST(IniDocument, ToleratesAnyBytes) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>((i * 7919 + 13) % 256);
    garbage += std::string_view("\n[\n]\n=\n[]=x\n\0\0[S\0]\nk\0=1\n", 24);
    IniDocument ini(garbage);
    EXPECT_EQ(ini.bytes(), garbage);
    EXPECT_EQ(ini.readInt("S", "k", 7), 7);
    ini.writeInt("S", "k", 1);
    EXPECT_EQ(IniDocument(ini.bytes()).readInt("S", "k", 0), 1);
}

}  // namespace
}  // namespace m8163
