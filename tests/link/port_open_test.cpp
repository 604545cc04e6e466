#include "link/port_open.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>

#include "protocol/transactions.h"
#include "recorders.h"
#include "scripted_port.h"

namespace m8163 {
namespace {

ComPortMap numberedMap() {
    ComPortMap map;
    for (std::size_t i = 0; i < map.devices.size(); ++i) {
        map.devices[i] = "/dev/test" + std::to_string(i + 1);
    }
    return map;
}

TEST(OpenPort, DeviceSpeedParityAndTimeouts) {
    struct Case {
        int portNumber;
        const char* device;
        int speed;
        int parity;
        std::uint32_t perByte;
        int lineParity;
    };
    const Case cases[] = {
        {1, "/dev/test1", 1200, 0, 192, 0},  {8, "/dev/test8", 2400, 1, 96, 1},
        {5, "/dev/test5", 4800, 2, 48, 2},   {9, "/dev/test1", 9600, 3, 24, 0},
        {0, "/dev/test1", 19200, -1, 12, 0}, {-4, "/dev/test1", 38400, 1, 6, 1},
        {2, "/dev/test2", 57600, 2, 6, 2},   {3, "/dev/test3", 115200, 0, 6, 0},
    };
    const ComPortMap map = numberedMap();
    test::ScriptedPort port;
    test::RecordingBoxes boxes;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.portNumber);
        port.timeoutsSet.clear();
        openPort(port, map, c.portNumber, {c.speed, parityFromCode(c.parity)}, 2000, boxes);
        EXPECT_EQ(port.openedDevices.back(), c.device);
        EXPECT_EQ(port.line, (LineSettings{c.speed, parityFromCode(c.lineParity)}));
        ASSERT_EQ(port.timeoutsSet.size(), 1u);
        EXPECT_EQ(port.timeoutsSet[0], (PortTimeouts{c.perByte, c.perByte, 2000, 0, 0}));
    }
    EXPECT_TRUE(boxes.shown.empty());
    // Every open closed the port it found open (the scripted one starts open).
    EXPECT_EQ(port.closes, static_cast<int>(std::size(cases)));
    closePort(port);
    EXPECT_FALSE(port.isOpen());
}

// A failed open leaves every exchange failing with an empty reply until a
// later open succeeds.
TEST(OpenPort, FailureShowsTheBoxAndExchangesFailUntilReopened) {
    const ComPortMap map = numberedMap();
    test::ScriptedPort port;
    test::RecordingBoxes boxes;
    port.failOpen = true;
    port.openFailure = {false, EACCES, "Permission denied"};
    openPort(port, map, 2, {19200, Parity::None}, 1000, boxes);
    ASSERT_EQ(boxes.shown.size(), 1u);
    const MessageBox& box = boxes.shown[0];
    EXPECT_EQ(box.text, "Невозможно открыть последовательный порт");
    EXPECT_EQ(box.caption, "Ошибка");
    EXPECT_EQ(box.icon, BoxIcon::Error);
    EXPECT_EQ(box.buttons, BoxButtons::Ok);
    EXPECT_NE(box.detail.find("/dev/test2"), std::string::npos);
    EXPECT_NE(box.detail.find("Permission denied"), std::string::npos);
    // Nothing to tell about a device that cannot be looked at but that its
    // permissions do not let us in.
    EXPECT_NE(box.detail.find("Права доступа к устройству не позволяют"), std::string::npos)
        << box.detail;

    ConnectionSettings settings;
    settings.moduleAddress = 1;
    test::FixedClock clock;
    ModbusLine line{port, settings, clock};
    port.replyRegisters(1, {7});
    std::array<std::uint16_t, 1> value{};
    EXPECT_EQ(readRegisters(line, 0, value).result, 0x6Eu);

    port.failOpen = false;
    openPort(port, map, 3, {19200, Parity::None}, 1000, boxes);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(readRegisters(line, 0, value).ok());
    EXPECT_EQ(value[0], 7);
}

// Opening a tty raises RTS and DTR. Every successful open leaves both off, a
// failed one touches nothing, and start-up's call then drops RTS before it
// raises DTR.
TEST(OpenPort, ControlLinesOffAfterEveryOpen) {
    const ComPortMap map = numberedMap();
    test::ScriptedPort port;
    test::RecordingBoxes boxes;
    openPort(port, map, 1, {19200, Parity::None}, 1000, boxes);
    openPort(port, map, 2, {9600, Parity::Even}, 1000, boxes);
    port.failOpen = true;
    openPort(port, map, 3, {9600, Parity::Even}, 1000, boxes);
    port.failOpen = false;
    openPort(port, map, 1, {19200, Parity::None}, 1000, boxes);
    port.clearRtsSetDtr();
    const std::vector<std::string> expected = {
        "open",    "RTS off", "DTR off",  // first open
        "open",    "RTS off", "DTR off",  // reopen at another format
        "open",    "RTS off", "DTR off",  // after the failed open
        "RTS off", "DTR on",              // start-up's setting
    };
    EXPECT_EQ(port.lineCalls, expected);
}

// /dev/null belongs to the group root: joining root is no advice to give.
TEST(OpenPort, PermissionHintNeverAdvisesJoiningRoot) {
    ComPortMap map;
    map.devices[0] = "/dev/null";
    test::ScriptedPort port;
    port.failOpen = true;
    port.openFailure = {false, EACCES, "Permission denied"};
    test::RecordingBoxes boxes;
    openPort(port, map, 1, {19200, Parity::None}, 1000, boxes);
    ASSERT_EQ(boxes.shown.size(), 1u);
    const std::string& detail = boxes.shown[0].detail;
    EXPECT_EQ(detail.find("usermod"), std::string::npos) << detail;
    EXPECT_NE(detail.find("Права доступа к устройству не позволяют"), std::string::npos) << detail;
}

}  // namespace
}  // namespace m8163
