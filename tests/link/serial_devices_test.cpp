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
    EXPECT_EQ(serialDevices(scan).front().target, "/dev/null");
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

TEST(SerialDeviceListing, DevicesAccessAndTheMapping) {
    const std::vector<SerialDevice> devices = {
        {"/dev/serial/by-id/usb-FTDI_A-if00-port0", "/dev/ttyUSB0", true, std::nullopt},
        {"/dev/ttyUSB0", "", true, std::nullopt},
        {"/dev/ttyACM0", "", false, "dialout"},
        {"/dev/ttyS0", "", false, std::nullopt},
    };
    const std::string text = serialDeviceListing(devices, 3);
    const std::string expected =
        "Последовательные порты в системе:\n"
        "  /dev/serial/by-id/usb-FTDI_A-if00-port0 (/dev/ttyUSB0)\n"
        "  /dev/ttyUSB0\n"
        "  /dev/ttyACM0: нет доступа, его даёт группа dialout\n"
        "  /dev/ttyS0: нет доступа, права устройства не дают его через группу\n"
        "Номер порта связывается с устройством строкой в файле dev.dat, например:\n"
        "[COM_PORTS]\n"
        "COM3=/dev/serial/by-id/usb-FTDI_A-if00-port0\n"
        "Доступ к порту даёт членство в группе dialout: sudo usermod -aG dialout $USER, затем "
        "войдите в систему заново.";
    EXPECT_EQ(text, expected);
    // The section is named once, in the line to copy.
    EXPECT_EQ(text.find("[COM_PORTS]"), text.rfind("[COM_PORTS]"));
    EXPECT_EQ(serialDeviceListing({}, 1),
              "Последовательных портов в системе не найдено: подключите адаптер.");
}

}  // namespace
}  // namespace m8163
