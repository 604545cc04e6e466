#include "link/serial_devices.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace m8163 {
namespace {

namespace fs = std::filesystem;

// A scratch /dev and /sys/class/tty. The devices are links to /dev/null,
// a character device that is no UART.
class SerialDeviceScanTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "m8163-devices-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        fs::create_directories(root / "dev" / "serial" / "by-id");
        fs::create_directories(root / "sys");
        scan.devRoot = (root / "dev").string();
        scan.sysTtyRoot = (root / "sys").string();
    }
    void TearDown() override { fs::remove_all(root); }

    void device(const std::string& name) { fs::create_symlink("/dev/null", root / "dev" / name); }
    void uartType(const std::string& name, const char* type) {
        fs::create_directories(root / "sys" / name);
        std::ofstream(root / "sys" / name / "type") << type << "\n";
    }
    std::string dev(const std::string& name) const { return (root / "dev" / name).string(); }

    fs::path root;
    SerialDeviceScan scan;
};

TEST_F(SerialDeviceScanTest, ListsAdaptersByIdAndRealUartsInNaturalOrder) {
    for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyS1", "ttyS2", "ttyS10",
                             "tty0", "ttyUSBx", "ttyprintk", "console"}) {
        device(name);
    }
    std::ofstream(root / "dev" / "ttyUSB3") << "a plain file, not a device";
    uartType("ttyS0", "4");   // a 16550A
    uartType("ttyS1", "0");   // PORT_UNKNOWN: no UART behind it
    uartType("ttyS10", "4");  // ttyS2 has no type: the ioctl on /dev/null says no UART
    fs::create_symlink("../../ttyUSB2",
                       root / "dev" / "serial" / "by-id" / "usb-FTDI_A-if00-port0");
    fs::create_symlink("../../gone", root / "dev" / "serial" / "by-id" / "usb-dangling");

    std::vector<std::string> paths;
    for (const SerialDevice& d : serialDevices(scan)) {
        paths.push_back(d.path);
        EXPECT_TRUE(d.mayOpen) << d.path;  // everyone may open /dev/null
    }
    const std::vector<std::string> expected = {
        dev("serial/by-id/usb-FTDI_A-if00-port0"),
        dev("ttyUSB2"),
        dev("ttyUSB10"),
        dev("ttyACM0"),
        dev("ttyS0"),
        dev("ttyS10"),
    };
    EXPECT_EQ(paths, expected);
    EXPECT_EQ(serialDevices(scan).front().target, dev("ttyUSB2"));
}

TEST_F(SerialDeviceScanTest, DevicesTheUserMayNotOpenAreMarked) {
    device("ttyUSB0");
    device("ttyACM0");
    scan.mayOpen = [](const std::string& path) { return path.find("ttyACM") == std::string::npos; };
    const std::vector<SerialDevice> devices = serialDevices(scan);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_TRUE(devices[0].mayOpen);
    EXPECT_FALSE(devices[1].mayOpen);
    EXPECT_EQ(devices[1].grantingGroup, std::nullopt);  // /dev/null belongs to root
}

TEST_F(SerialDeviceScanTest, NothingThereIsAnEmptyList) {
    EXPECT_TRUE(serialDevices(scan).empty());
    scan.devRoot = (root / "missing").string();
    EXPECT_TRUE(serialDevices(scan).empty());
}

// One tree with every kind the chooser meets, as one table: the name a person
// knows, the adapter's name from sysfs, who holds it, whether we may open it.
TEST_F(SerialDeviceScanTest, DescribesEachKindOfDevice) {
    fs::create_directories(root / "proc" / "4321" / "fd");
    scan.procRoot = (root / "proc").string();
    device("ttyUSB0");
    fs::create_symlink("../../ttyUSB0", root / "dev" / "serial" / "by-id" /
                                            "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    const fs::path ftdi = root / "sys" / "usb" / "1-1";
    fs::create_directories(ftdi / "1-1:1.0" / "ttyUSB0");
    std::ofstream(ftdi / "manufacturer") << "FTDI\n";
    std::ofstream(ftdi / "product") << "FT232R USB UART\n";
    fs::create_directories(root / "sys" / "ttyUSB0");
    fs::create_symlink("../usb/1-1/1-1:1.0/ttyUSB0", root / "sys" / "ttyUSB0" / "device");

    fs::create_symlink("/dev/zero", root / "dev" / "ttyUSB1");  // held by minicom
    fs::create_symlink("/dev/zero", root / "proc" / "4321" / "fd" / "5");
    std::ofstream(root / "proc" / "4321" / "comm") << "minicom\n";
    device("ttyUSB2");  // the user may not open it
    scan.mayOpen = [this](const std::string& path) { return path != dev("ttyUSB2"); };

    device("ttyACM0");
    const fs::path arduino = root / "sys" / "usb" / "2-1";
    fs::create_directories(arduino / "2-1:1.0");
    std::ofstream(arduino / "product") << "Arduino Uno\n";
    fs::create_directories(root / "sys" / "ttyACM0");
    fs::create_symlink("../usb/2-1/2-1:1.0", root / "sys" / "ttyACM0" / "device");

    device("ttyS0");  // a UART on the board: the driver's name
    device("ttyS1");  // no UART behind it
    uartType("ttyS0", "4");
    uartType("ttyS1", "0");
    fs::create_directories(root / "sys" / "platform" / "serial8250");
    fs::create_directories(root / "sys" / "drivers" / "serial8250");
    fs::create_symlink("../drivers/serial8250",
                       root / "sys" / "platform" / "serial8250" / "driver");
    fs::create_symlink("../platform/serial8250", root / "sys" / "ttyS0" / "device");

    struct Row {
        std::string path, target, description;
        bool mayOpen;
        std::string holders;
    };
    const std::vector<Row> expected = {
        {dev("serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"), dev("ttyUSB0"),
         "FTDI FT232R USB UART", true, ""},
        {dev("ttyUSB0"), "", "FTDI FT232R USB UART", true, ""},
        {dev("ttyUSB1"), "", "", true, "minicom 4321"},
        {dev("ttyUSB2"), "", "", false, ""},
        {dev("ttyACM0"), "", "Arduino Uno", true, ""},
        {dev("ttyS0"), "", "serial8250", true, ""},
    };
    const std::vector<SerialDevice> devices = serialDevices(scan);
    ASSERT_EQ(devices.size(), expected.size());
    for (std::size_t i = 0; i < devices.size(); ++i) {
        SCOPED_TRACE(expected[i].path);
        EXPECT_EQ(devices[i].path, expected[i].path);
        EXPECT_EQ(devices[i].target, expected[i].target);
        EXPECT_EQ(devices[i].description, expected[i].description);
        EXPECT_EQ(devices[i].mayOpen, expected[i].mayOpen);
        std::string holders;
        for (const PortHolder& holder : devices[i].holders)
            holders += holder.name + " " + std::to_string(holder.pid);
        EXPECT_EQ(holders, expected[i].holders);
    }

    // The chooser lists the adapter once, by its by-id link.
    std::vector<std::string> shown;
    for (const SerialDevice& d : recognisableDevices(devices))
        shown.push_back(d.path);
    EXPECT_EQ(shown, (std::vector<std::string>{expected[0].path, dev("ttyUSB1"), dev("ttyUSB2"),
                                               dev("ttyACM0"), dev("ttyS0")}));

    // The path kept for a mapping: a device node with a by-id link becomes the
    // link; links and other paths stay as given.
    const std::string ownLink = (root / "my-adapter").string();
    fs::create_symlink(dev("ttyUSB0"), ownLink);
    const std::pair<std::string, std::string> kept[] = {
        {dev("ttyUSB0"), expected[0].path},   {dev("serial/../ttyUSB0"), expected[0].path},
        {expected[0].path, expected[0].path}, {ownLink, ownLink},
        {dev("ttyACM0"), dev("ttyACM0")},     {"/dev/pts/7", "/dev/pts/7"},
    };
    for (const auto& [given, stored] : kept)
        EXPECT_EQ(lastingDevicePath(given, devices), stored) << given;
}

TEST(SerialDeviceListing, DevicesAccessAndTheMapping) {
    // The first device listed may not be opened: the example maps the first
    // one that may.
    const std::vector<SerialDevice> devices = {
        {"/dev/ttyS0", "", false, std::nullopt, "serial8250", {}},
        {"/dev/serial/by-id/usb-FTDI_A-if00-port0",
         "/dev/ttyUSB0",
         true,
         std::nullopt,
         "FTDI FT232R USB UART",
         {}},
        {"/dev/ttyUSB0", "", true, std::nullopt, "", {}},
        {"/dev/ttyACM0", "", false, "dialout", "", {}},
    };
    const std::string text = serialDeviceListing(devices, 3, "/home/u/.config/m8163/dev.dat");
    const std::string expected =
        "Последовательные порты в системе:\n"
        "  /dev/ttyS0 — serial8250: нет доступа, права устройства не дают его через группу\n"
        "  /dev/serial/by-id/usb-FTDI_A-if00-port0 (/dev/ttyUSB0) — FTDI FT232R USB UART\n"
        "  /dev/ttyACM0: нет доступа, его даёт группа dialout\n"
        "Выберите порт кнопкой «Выбрать порт…» (Ctrl+P) или свяжите номер порта с устройством "
        "строкой в разделе [COM_PORTS] файла /home/u/.config/m8163/dev.dat, например:\n"
        "COM3=/dev/serial/by-id/usb-FTDI_A-if00-port0\n"
        "Доступ к порту даёт членство в группе dialout: sudo usermod -aG dialout $USER, затем "
        "войдите в систему заново.";
    EXPECT_EQ(text, expected);
    // No device the user may open: no mapping is suggested.
    const std::string none = serialDeviceListing({devices[0]}, 1, "dev.dat");
    EXPECT_EQ(none.find("COM1="), std::string::npos) << none;
    EXPECT_NE(none.find("[COM_PORTS] файла dev.dat."), std::string::npos) << none;
    EXPECT_EQ(serialDeviceListing({}, 1, "dev.dat"),
              "Последовательных портов в системе не найдено: подключите адаптер.");
    // For m8163ctl: its options instead of the window's chooser.
    const std::string shell = serialDeviceListing(devices, 3, "dev.dat", PortPicker::Options);
    EXPECT_NE(shell.find("\nУкажите устройство параметром --device ПУТЬ или свяжите номер порта "
                         "(--com N) с устройством строкой в разделе [COM_PORTS] файла dev.dat, "
                         "например:\nCOM3=/dev/serial/by-id/usb-FTDI_A-if00-port0\n"),
              std::string::npos)
        << shell;
    EXPECT_EQ(shell.find("Выбрать порт"), std::string::npos) << shell;
}

}  // namespace
}  // namespace m8163
