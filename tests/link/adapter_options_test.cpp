#include <gtest/gtest.h>

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "link/adapter_control.h"
#include "link/port_open.h"
#include "link/termios_port.h"
#include "pty_pair.h"
#include "recorders.h"

// The driver requests that the port options make on every open, recorded
// from the real termios port on a pseudo-terminal; and what a driver that
// has none of them (the pseudo-terminal itself) leaves.

namespace m8163 {
namespace {

// Plays a driver: records each request, refuses RS-485 mode with
// `rs485Error`, the low-latency request with `serialError`.
class RecordingControl final : public AdapterControl {
  public:
    struct Call {
        std::string name;
        serial_rs485 rs485{};
        int serialFlags = 0;
    };
    std::vector<Call> calls;
    int rs485Error = 0;
    int serialError = 0;
    int flagsBefore = 0;  // what the driver reports before a change

    int getRs485(int, serial_rs485& mode) override {
        calls.push_back({"get rs485"});
        mode = {};
        mode.flags = SER_RS485_RX_DURING_TX;  // left by another program
        return rs485Error;
    }
    int setRs485(int, const serial_rs485& mode) override {
        calls.push_back({"set rs485", mode});
        return rs485Error;
    }
    int getSerial(int, serial_struct& info) override {
        calls.push_back({"get serial"});
        info = {};
        info.flags = flagsBefore;
        return serialError;
    }
    int setSerial(int, const serial_struct& info) override {
        calls.push_back({"set serial", {}, info.flags});
        return serialError;
    }

    std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (const Call& call : calls)
            result.push_back(call.name);
        return result;
    }
};

class AdapterOptions : public ::testing::Test {
  protected:
    void open(const std::string& words) {
        map.devices[0] = pty.slave;
        map.options[0] = parsePortOptions(words).options;
        openPort(port, map, 1, {115200, Parity::None}, 1000, boxes);
    }

    test::PtyPair pty;
    RecordingControl control;
    TermiosPort port{control};
    ComPortMap map;
    test::RecordingBoxes boxes;
};

TEST_F(AdapterOptions, Rs485ModeWithItsFlagsAndDelaysOnEveryOpen) {
    struct Case {
        const char* words;
        __u32 flags;
        __u32 before;
        __u32 after;
    };
    const Case cases[] = {
        {"rs485,no-low-latency", SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND, 0, 0},
        {"rs485-rts-after-send,no-low-latency", SER_RS485_ENABLED | SER_RS485_RTS_AFTER_SEND, 0, 0},
        {"rs485,rs485-delay-before=3,rs485-delay-after=100,no-low-latency",
         SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND, 3, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words);
        for (int round = 0; round < 2; ++round) {
            closePort(port);
            control.calls.clear();
            open(c.words);
            ASSERT_TRUE(port.isOpen());
            ASSERT_EQ(control.names(), (std::vector<std::string>{"get rs485", "set rs485"}));
            const serial_rs485& mode = control.calls[1].rs485;
            // Receiving while sending is the driver's to keep off here.
            EXPECT_EQ(mode.flags, c.flags);
            EXPECT_EQ(mode.delay_rts_before_send, c.before);
            EXPECT_EQ(mode.delay_rts_after_send, c.after);
        }
        // Close puts back the mode the driver had.
        control.calls.clear();
        closePort(port);
        ASSERT_EQ(control.names(), std::vector<std::string>{"set rs485"});
        EXPECT_EQ(control.calls[0].rs485.flags, static_cast<__u32>(SER_RS485_RX_DURING_TX));
    }
    EXPECT_TRUE(boxes.shown.empty());

    // Without the words no RS-485 request at all.
    control.calls.clear();
    open("no-low-latency");
    EXPECT_TRUE(control.calls.empty());
}

TEST_F(AdapterOptions, LowLatencyAskedForUnlessTheOptionsSayNot) {
    open("");
    ASSERT_EQ(control.names(), (std::vector<std::string>{"get serial", "set serial"}));
    EXPECT_NE(control.calls[1].serialFlags & ASYNC_LOW_LATENCY, 0);
    EXPECT_TRUE(port.lowLatency());
    // With low latency the read keeps the interval it is given.
    port.setTimeouts({12, 6, 1000, 0, 0});
    EXPECT_EQ(port.timeouts().readInterval, 12u);

    control.calls.clear();
    closePort(port);
    ASSERT_EQ(control.names(), std::vector<std::string>{"set serial"});
    EXPECT_EQ(control.calls[0].serialFlags & ASYNC_LOW_LATENCY, 0);

    // Already on: nothing to change, nothing to put back.
    control.flagsBefore = ASYNC_LOW_LATENCY;
    control.calls.clear();
    open("");
    EXPECT_EQ(control.names(), std::vector<std::string>{"get serial"});
    EXPECT_TRUE(port.lowLatency());
    control.flagsBefore = 0;

    // Asked not to, or refused by the driver: bursts are to be expected.
    for (const char* words : {"no-low-latency", ""}) {
        SCOPED_TRACE(words);
        control.serialError = *words == '\0' ? ENOTTY : 0;
        control.calls.clear();
        open(words);
        EXPECT_FALSE(port.lowLatency());
        port.setTimeouts({12, 6, 1000, 0, 0});
        EXPECT_EQ(port.timeouts().readInterval, 24u);
        EXPECT_EQ(port.timeouts().readConstant, 1000u);
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(AdapterOptions, RefusedRs485ModeIsReportedOncePerDevice) {
    control.rs485Error = ENOTTY;
    for (int round = 0; round < 3; ++round) {
        control.calls.clear();
        open("rs485,no-low-latency");
        EXPECT_TRUE(port.isOpen()) << "the port is still of use with an automatic adapter";
        EXPECT_EQ(control.names(), std::vector<std::string>{"get rs485"});
    }
    ASSERT_EQ(boxes.shown.size(), 1u);
    const MessageBox& box = boxes.shown[0];
    EXPECT_EQ(box.icon, BoxIcon::Warning);
    EXPECT_EQ(box.text, "Порт открыт, но не переведён в режим RS-485");
    EXPECT_NE(box.detail.find(pty.slave), std::string::npos);
    EXPECT_NE(box.detail.find("в драйвере этого порта нет режима RS-485"), std::string::npos);
    EXPECT_NE(box.detail.find("COM1"), std::string::npos);

    // Another device refusing it is told of in its turn.
    test::PtyPair other;
    map.devices[1] = other.slave;
    map.options[1] = map.options[0];
    openPort(port, map, 2, {115200, Parity::None}, 1000, boxes);
    EXPECT_EQ(boxes.shown.size(), 2u);
}

// A pulled adapter plugged back in is opened again by the port itself: with
// its RS-485 mode set again.
TEST_F(AdapterOptions, ReopenAfterAHangUpSetsTheModeAgain) {
    std::string folder = (std::filesystem::temp_directory_path() / "m8163-rs485-XXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    const std::string link = folder + "/port";
    std::filesystem::create_symlink(pty.slave, link);
    port.setOptions(parsePortOptions("rs485,no-low-latency").options);
    ASSERT_TRUE(port.open(link, LineSettings{19200, Parity::None}, {10, 10, 100, 0, 0}).ok);

    test::PtyPair pluggedBack;
    pty.closeMaster();
    std::uint8_t reply[8];
    EXPECT_EQ(port.read(reply, sizeof reply), 0u);
    ASSERT_TRUE(port.lost());
    std::filesystem::remove(link);
    std::filesystem::create_symlink(pluggedBack.slave, link);
    control.calls.clear();
    port.purge();  // reopens
    EXPECT_FALSE(port.lost());
    EXPECT_EQ(control.names(), (std::vector<std::string>{"get rs485", "set rs485"}));
    port.close();
    std::filesystem::remove_all(folder);
}

// The real requests on a pseudo-terminal: it has neither, so RS-485 mode is
// refused and low latency is silently not there.
TEST(AdapterOptionsOnPseudoTerminal, NoRs485ModeAndNoLowLatency) {
    test::PtyPair pty;
    TermiosPort port;
    ComPortMap map;
    map.devices[0] = pty.slave;
    test::RecordingBoxes boxes;

    openPort(port, map, 1, {19200, Parity::None}, 1000, boxes);
    EXPECT_TRUE(port.isOpen());
    EXPECT_FALSE(port.lowLatency());
    EXPECT_TRUE(boxes.shown.empty());

    map.options[0] = parsePortOptions("rs485").options;
    openPort(port, map, 1, {19200, Parity::None}, 1000, boxes);
    openPort(port, map, 1, {19200, Parity::None}, 1000, boxes);
    EXPECT_TRUE(port.isOpen());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].detail.find("в драйвере этого порта нет режима RS-485"),
              std::string::npos);
}

}  // namespace
}  // namespace m8163
