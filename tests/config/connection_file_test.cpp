#include "config/connection_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "config/ini_file.h"
#include "config_test_support.h"
#include "recorders.h"

namespace m8163 {
namespace {

using test::readBytes;
using test::TempFolder;
using test::unixText;
using test::windowsText;
using test::writeBytes;

const char kCaption[] = "Проверьте параметры установления связи с прибором";

class ConnectionFile : public ::testing::Test {
  protected:
    // Loads dev.dat holding `text` (UTF-8, "\n" line ends).
    void loadText(std::string_view text) {
        writeBytes(path, windowsText(text));
        load();
    }
    void load() { loadConnectionSettings(path, settings, ports, boxes); }
    std::string fileText() const { return unixText(readBytes(path)); }

    TempFolder folder;
    std::string path = folder.file("dev.dat");
    ConnectionSettings settings;
    ComPortMap ports;
    test::RecordingBoxes boxes;
};

TEST_F(ConnectionFile, AMissingFileIsCreatedWithItsDefaults) {
    load();
    EXPECT_EQ(readBytes(path), test::goldenFile("dev.dat"));
    EXPECT_EQ(settings.portNumber, 1);
    EXPECT_EQ(settings.speed, 19200);
    EXPECT_EQ(settings.parity, Parity::None);
    EXPECT_EQ(settings.moduleAddress, 1);
    EXPECT_EQ(settings.timeoutMs, 2000);
    EXPECT_EQ(settings.useLogFile, 0);  // a created file keeps the exchange log off
    EXPECT_EQ(settings.logFileName, "COM.txt");
    EXPECT_EQ(ports.devices[7], "/dev/ttyUSB7");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ConnectionFile, ReadingAloneNeverWritesTheFile) {
    readConnectionSettings(path, settings, ports);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(settings.portNumber, 1);
    EXPECT_EQ(settings.speed, 19200);
    EXPECT_EQ(settings.moduleAddress, 1);
    EXPECT_EQ(settings.timeoutMs, 2000);
    EXPECT_EQ(settings.useLogFile, 0);

    // A file with gaps and a big time-out is read by the same rules, left
    // as it is and not warned about.
    const std::string text = windowsText(
        "[COM_SETTINGS]\nSettings=9600,E,8,1\n"
        "[SETTINGS]\nTimeOut=5000\n[COM_PORTS]\nCOM1=/dev/pts/9\n");
    writeBytes(path, text);
    readConnectionSettings(path, settings, ports);
    EXPECT_EQ(readBytes(path), text);
    EXPECT_EQ(settings.speed, 9600);
    EXPECT_EQ(settings.parity, Parity::Even);
    EXPECT_EQ(settings.timeoutMs, 5000);
    EXPECT_EQ(settings.useLogFile, 1);  // an existing file without the key logs
    EXPECT_EQ(ports.devices[0], "/dev/pts/9");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ConnectionFile, TakesSpeedAndParityFromTheSettingsText) {
    struct Case {
        const char* text;
        int speed;
        int parity;
    };
    const Case cases[] = {
        {"9600,E,8,1", 9600, kParityEven},     {"4800,O,8,2", 4800, kParityOdd},
        {"abc", 19200, kParityNone},           {"9600,e,8,1", 9600, kParityNone},
        {"115200,N,8,2", 115200, kParityNone}, {"", 19200, kParityNone},
        {"1200 EO", 1200, kParityOdd},  // the last letter tested wins
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        loadText(std::string("[COM_SETTINGS]\nSettings=") + c.text + "\n");
        EXPECT_EQ(settings.speed, c.speed);
        EXPECT_EQ(settings.parity, parityFromCode(c.parity));
        IniFile written(path);
        EXPECT_EQ(written.readString("COM_SETTINGS", "Settings", "?"), c.text);  // unchanged
    }
}

TEST_F(ConnectionFile, KeepsOnlyModuleAddressesUpTo255AndReadsHexPortNumbers) {
    struct Case {
        const char* netAdrr;
        int address;
    };
    const Case cases[] = {{"300", 1}, {"-5", 1},     {"0", 0}, {"255", 255},
                          {"256", 1}, {"0xFF", 255}, {"x", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.netAdrr);
        loadText(std::string("[COM_SETTINGS]\nNumber=0x3\n[DEVICE]\nNetAdrr=") + c.netAdrr + "\n");
        EXPECT_EQ(settings.portNumber, 3);
        EXPECT_EQ(settings.moduleAddress, c.address);
        IniFile written(path);
        EXPECT_EQ(written.readString("DEVICE", "NetAdrr", "?"), std::to_string(c.address));
        EXPECT_EQ(written.readString("COM_SETTINGS", "Number", "?"), "3");
    }
}

// The exchange log's rotation size: megabytes, read but never added.
TEST_F(ConnectionFile, ReadsTheLogRotationSizeWithoutAddingIt) {
    constexpr std::uint64_t kMb = 1024 * 1024;
    struct Case {
        const char* text;
        std::uint64_t bytes;
    };
    const Case cases[] = {{"", 50 * kMb},
                          {"LogFileMaxMB=5\n", 5 * kMb},
                          {"LogFileMaxMB=0\n", 0},
                          {"LogFileMaxMB=-3\n", 50 * kMb},
                          {"LogFileMaxMB=4096\n", 4096 * kMb}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        loadText(std::string("[LOG]\n") + c.text);
        EXPECT_EQ(settings.logRotateBytes, c.bytes);
        EXPECT_EQ(fileText().find("LogFileMaxMB") != std::string::npos, *c.text != 0);
    }
}

TEST_F(ConnectionFile, AnExistingFileWithoutUseLogFileLogsTheExchange) {
    loadText("[LOG]\nLogFileName=обмен.txt\n");
    EXPECT_EQ(settings.useLogFile, 1);
    EXPECT_EQ(settings.logFileName, "обмен.txt");
    EXPECT_EQ(fileText(),
              "[LOG]\n"
              "LogFileName=обмен.txt\n"
              "UseLogFile=1\n"
              "[COM_SETTINGS]\n"
              "Number=1\n"
              "Settings=19200,N,8,1\n"
              "[DEVICE]\n"
              "NetAdrr=1\n"
              "[SETTINGS]\n"
              "TimeOut=2000\n"
              "[COM_PORTS]\n"
              "COM1=/dev/ttyUSB0\n"
              "COM2=/dev/ttyUSB1\n"
              "COM3=/dev/ttyUSB2\n"
              "COM4=/dev/ttyUSB3\n"
              "COM5=/dev/ttyUSB4\n"
              "COM6=/dev/ttyUSB5\n"
              "COM7=/dev/ttyUSB6\n"
              "COM8=/dev/ttyUSB7\n");
}

TEST_F(ConnectionFile, WarnsAboutABigPortNumberAndALongTimeOut) {
    const MessageBox portBox{"Слишком большой номер COM порта.", kCaption, BoxIcon::Warning,
                             BoxButtons::Ok, ""};
    const MessageBox timeoutBox{"Задан большой тайм аут. Работать будет можно, но неудобно.",
                                kCaption, BoxIcon::Information, BoxButtons::Ok, ""};
    struct Case {
        const char* number;
        const char* timeout;
        std::vector<MessageBox> boxes;
    };
    const Case cases[] = {
        {"17", "4000", {}},
        {"20", "2000", {portBox}},
        {"1", "5000", {timeoutBox}},
        {"1", "-1", {timeoutBox}},  // negative counts as huge
        {"20", "5000", {portBox, timeoutBox}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.number) + " " + c.timeout);
        boxes.shown.clear();
        loadText(std::string("[COM_SETTINGS]\nNumber=") + c.number +
                 "\n[SETTINGS]\nTimeOut=" + c.timeout + "\n");
        EXPECT_EQ(boxes.shown, c.boxes);
        EXPECT_EQ(std::to_string(settings.portNumber), c.number);  // still in force
        EXPECT_EQ(std::to_string(settings.timeoutMs), c.timeout);
    }
}

TEST(LineSettingsText, SpeedParityAndTheFixedTail) {
    struct Case {
        int speed;
        int parity;
        const char* text;
    };
    const Case cases[] = {
        {9600, kParityEven, "9600,E,8,2"}, {115200, kParityNone, "115200,N,8,2"},
        {1200, kParityOdd, "1200,O,8,2"},  {12345, kParityNone, "19200,N,8,2"},
        {4800, 7, "4800,N,8,2"},           {4800, -1, "4800,N,8,2"},
    };
    for (const Case& c : cases) {
        ConnectionSettings settings;
        settings.speed = c.speed;
        settings.parity = parityFromCode(c.parity);
        EXPECT_EQ(lineSettingsText(settings), c.text);
    }
}

TEST_F(ConnectionFile, ASaveWithoutAFileCreatesIt) {
    settings = {3, 9600, parityFromCode(kParityEven), 17, 500, 1, 1, "ignored.txt"};
    ports.devices[2] = "/dev/pts/7";
    saveConnectionSettings(path, settings, ports);
    EXPECT_EQ(fileText(),
              "[LOG]\n"
              "LogFileName=COM.txt\n"
              "UseLogFile=1\n"
              "[COM_SETTINGS]\n"
              "Number=3\n"
              "Settings=9600,E,8,2\n"
              "[DEVICE]\n"
              "NetAdrr=17\n"
              "[SETTINGS]\n"
              "TimeOut=500\n"
              "[COM_PORTS]\n"
              "COM1=/dev/ttyUSB0\n"
              "COM2=/dev/ttyUSB1\n"
              "COM3=/dev/pts/7\n"
              "COM4=/dev/ttyUSB3\n"
              "COM5=/dev/ttyUSB4\n"
              "COM6=/dev/ttyUSB5\n"
              "COM7=/dev/ttyUSB6\n"
              "COM8=/dev/ttyUSB7\n");
}

TEST_F(ConnectionFile, ASaveKeepsTheLogFileNameAndEveryOtherLine) {
    loadText(
        "; set up by the service engineer\n"
        "[com_settings]\n"
        "number = 2\n"
        "settings = 4800,O,8,1\n"
        "[Log]\n"
        "LogFileName = Журнал\\обмен.txt \n"
        "UseLogFile=0\n"
        "[COM_PORTS]\n"
        "COM2=/dev/serial/by-id/usb-FTDI_FT232R-if00-port0\n");
    EXPECT_EQ(ports.devices[1], "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0");
    settings.logFileName = "other.txt";
    settings.speed = 38400;
    settings.useLogFile = 1;
    ports.devices[2] = "/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0";
    saveConnectionSettings(path, settings, ports);
    EXPECT_EQ(fileText(),
              "; set up by the service engineer\n"
              "[com_settings]\n"
              "number=2\n"
              "settings=38400,O,8,2\n"
              "[Log]\n"
              "LogFileName=Журнал\\обмен.txt\n"
              "UseLogFile=1\n"
              "[COM_PORTS]\n"
              "COM2=/dev/serial/by-id/usb-FTDI_FT232R-if00-port0\n"
              "COM1=/dev/ttyUSB0\n"
              "COM3=/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0\n"
              "COM4=/dev/ttyUSB3\n"
              "COM5=/dev/ttyUSB4\n"
              "COM6=/dev/ttyUSB5\n"
              "COM7=/dev/ttyUSB6\n"
              "COM8=/dev/ttyUSB7\n"
              "[DEVICE]\n"
              "NetAdrr=1\n"
              "[SETTINGS]\n"
              "TimeOut=2000\n");
}

// Options per COM number are read where the user wrote them; the file keeps
// its text, unknown words included, and they are named in one warning.
TEST_F(ConnectionFile, PortOptionsAreReadAndUnknownWordsNamed) {
    const std::string text =
        "[COM_PORTS]\nCOM2=/dev/ttyS1\n"
        "[com_options]\nCOM2 = rs485, rs485-delay-before=2, rs458 \nCOM5=echo,no-low-latency\n"
        "COM8=fast\n";
    loadText(text);
    EXPECT_EQ(ports.options[0], PortOptions{});
    EXPECT_TRUE(ports.options[1].rs485);
    EXPECT_EQ(ports.options[1].delayBeforeMs, 2u);
    EXPECT_TRUE(ports.options[4].echo);
    EXPECT_FALSE(ports.options[4].lowLatency);
    EXPECT_NE(fileText().find("COM2 = rs485, rs485-delay-before=2, rs458 \n"), std::string::npos)
        << fileText();
    EXPECT_EQ(fileText().find("COM1=\n"), std::string::npos) << "no keys are added";
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Warning);
    EXPECT_EQ(boxes.shown[0].caption, kCaption);
    EXPECT_EQ(boxes.shown[0].text,
              "В параметрах портов есть слова, которые не приняты; они пропущены.");
    EXPECT_EQ(boxes.shown[0].detail,
              "[COM_OPTIONS] COM2: слово «rs458» пропущено: неизвестное слово\n"
              "[COM_OPTIONS] COM8: слово «fast» пропущено: неизвестное слово");

    // Reading alone hands the same lines back and shows nothing.
    ports = {};
    const std::vector<std::string> rejected = readConnectionSettings(path, settings, ports);
    EXPECT_EQ(rejected.size(), 2u);
    EXPECT_TRUE(ports.options[4].echo);
    EXPECT_EQ(boxes.shown.size(), 1u);

    // A bad delay says why; a word of 10 kB is named cut, so that the box
    // stays narrower than any screen.
    loadText("[COM_OPTIONS]\nCOM3=rs485-delay-before = 0x10\nCOM4=" + std::string(10'000, 'w') +
             "\n");
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].detail,
              "[COM_OPTIONS] COM3: слово «rs485-delay-before = 0x10» пропущено: задержка — целое "
              "число миллисекунд от 0 до 100\n"
              "[COM_OPTIONS] COM4: слово «" +
                  std::string(60, 'w') + "…» пропущено: неизвестное слово");
    EXPECT_TRUE(ports.options[2].rs485);
}

// A COM number that names a device server may lengthen its read time-outs
// by its own allowance; where none is written (or a negative one), the
// default holds, and no key is added.
TEST_F(ConnectionFile, NetworkAllowanceIsReadPerComWhereWritten) {
    loadText(
        "[COM_PORTS]\nCOM3=rfc2217://plant-box:4001\n"
        "[COM_NETWORK]\nCOM3=150\nCOM4=0\nCOM5=-7\n");
    EXPECT_EQ(ports.devices[2], "rfc2217://plant-box:4001");
    EXPECT_EQ(ports.options[2].networkAllowanceMs, 150u);
    EXPECT_EQ(ports.options[3].networkAllowanceMs, 0u);
    EXPECT_EQ(ports.options[4].networkAllowanceMs, kDefaultNetworkAllowanceMs);
    EXPECT_EQ(ports.options[0].networkAllowanceMs, kDefaultNetworkAllowanceMs);
    EXPECT_EQ(fileText().find("COM1=2"), std::string::npos) << "no keys are added";
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ConnectionFile, DamagedFilesLoadWithDefaults) {
    std::string garbage;
    for (int i = 0; i < 70000; ++i)
        garbage += static_cast<char>((i * 131 + 7) % 256);
    const std::string cases[] = {
        "",
        garbage,
        "[COM_SETTINGS]\r\nNumber=" + std::string(1 << 19, '7') + "\r\nSettings=9600,E,8,1",
        "[COM_SETTINGS]\r\nSettings=" + std::string(1 << 19, 'x') + "4800",
        "[DEVICE]\r\nNetAdrr=5",  // no final line end
    };
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(bytes.substr(0, 40));
        writeBytes(path, bytes);
        settings = {};
        load();
        EXPECT_EQ(settings.portNumber, 1);
        EXPECT_EQ(settings.timeoutMs, 2000);
        IniFile again(path);  // the written file reads back to the same values
        EXPECT_EQ(again.readInt("COM_SETTINGS", "Number", -1), 1);
        EXPECT_EQ(again.readInt("SETTINGS", "TimeOut", -1), 2000);
    }
    // The values that could be read came through.
    EXPECT_EQ(settings.moduleAddress, 5);
    writeBytes(path, "[COM_SETTINGS]\r\nSettings=" + std::string(1 << 19, 'x') + "4800");
    load();
    EXPECT_EQ(settings.speed, 19200);  // past the 1023 characters a read returns
}

TEST_F(ConnectionFile, ARefusedWriteNamesTheFileAndShowsNoWarning) {
    writeBytes(folder.file("plain"), "a file, not a folder");
    const std::string badPath = folder.file("plain/dev.dat");
    try {
        loadConnectionSettings(badPath, settings, ports, boxes);
        FAIL() << "no error";
    } catch (const SettingsFileError& error) {
        EXPECT_NE(std::string(error.what()).find(badPath), std::string::npos) << error.what();
    }
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_THROW(saveConnectionSettings(badPath, settings, ports), SettingsFileError);
}

}  // namespace
}  // namespace m8163
