#include "link/termios_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "link/port_open.h"
#include "pty_pair.h"
#include "recorders.h"

namespace m8163 {
namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;
using std::chrono::milliseconds;

milliseconds since(Steady::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Steady::now() - start);
}

// User plus system CPU time of the whole process.
milliseconds cpuTime() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return milliseconds(t.tv_sec * 1000 + t.tv_usec / 1000); };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// The time-outs are kept as given (a TimeOut of 0x7FFFFFFF stays that), but
// a single read never waits more than a minute.
TEST(ReadTimeLimit, ConstantPlusPerByteAtMostAMinute) {
    struct Case {
        PortTimeouts timeouts;
        std::size_t size;
        milliseconds limit;
    };
    const Case cases[] = {
        {{12, 12, 1000, 0, 0}, 21, 1252ms},
        {{0, 0, 0, 0, 0}, 8, 0ms},
        {{0, 0, 60000, 0, 0}, 0, 60000ms},
        {{0, 1, 59999, 0, 0}, 2, 60000ms},
        {{0, 0, 0x7FFFFFFF, 0, 0}, 8, 60000ms},
        {{0, 0xFFFFFFFF, 0xFFFFFFFF, 0, 0}, 256, 60000ms},
        {{0, 0xFFFFFFFF, 0, 0, 0}, SIZE_MAX, 60000ms},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.timeouts.readConstant);
        EXPECT_EQ(readTimeLimit(c.timeouts, c.size), c.limit);
    }
}

class TermiosPortTest : public ::testing::Test {
  protected:
    test::PtyPair pty;
    TermiosPort port;

    void openPlain(const PortTimeouts& timeouts) {
        const OpenResult result = port.open(pty.slave, LineSettings{19200, Parity::None}, timeouts);
        ASSERT_TRUE(result.ok) << result.reason;
    }
};

// What the far end sees after openPort: the speed and the parity bits, and
// always 8 data bits and one stop bit, whatever was asked.
TEST_F(TermiosPortTest, PeerSeesLineFormatThatOpenPortSet) {
    struct Case {
        int speed, parity;
        speed_t baud;
        bool parodd, inpck;
    };
    const Case cases[] = {
        {4800, 1, B4800, true, true},
        {115200, 2, B115200, false, true},
        {1200, 0, B1200, false, false},
        {9600, 3, B9600, false, false},  // unknown code: no parity
    };
    ComPortMap map;
    map.devices[2] = pty.slave;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.speed);
        test::RecordingBoxes boxes;
        openPort(port, map, 3, {c.speed, parityFromCode(c.parity)}, 1500, boxes);
        ASSERT_TRUE(port.isOpen());
        EXPECT_TRUE(boxes.shown.empty());
        port.clearRtsSetDtr();  // no modem lines on a pseudo-terminal: harmless
        termios seen{};
        ASSERT_EQ(tcgetattr(pty.master, &seen), 0);
        EXPECT_EQ(cfgetospeed(&seen), c.baud);
        EXPECT_EQ((seen.c_cflag & PARODD) != 0, c.parodd);
        EXPECT_EQ((seen.c_iflag & INPCK) != 0, c.inpck);
        EXPECT_EQ(seen.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
        EXPECT_EQ(seen.c_cflag & (CSTOPB | CRTSCTS), 0u);
        EXPECT_EQ(seen.c_iflag & (IXON | IXOFF), 0u);
        EXPECT_EQ(seen.c_lflag & (ICANON | ECHO), 0u);
    }
    closePort(port);
    EXPECT_FALSE(port.isOpen());
}

TEST_F(TermiosPortTest, SecondOpenOfTheSameDeviceFails) {
    openPlain({});
    TermiosPort second;
    const OpenResult result = second.open(pty.slave, {}, {});
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, EBUSY);

    ComPortMap map;
    map.devices[0] = pty.slave;
    test::RecordingBoxes boxes;
    openPort(second, map, 9, {19200, Parity::None}, 1000, boxes);  // 9 means COM1
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Невозможно открыть последовательный порт");
    EXPECT_EQ(boxes.shown[0].caption, "Ошибка");
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Error);
    EXPECT_EQ(boxes.shown[0].buttons, BoxButtons::Ok);
    EXPECT_NE(boxes.shown[0].detail.find(pty.slave), std::string::npos);
    EXPECT_FALSE(second.isOpen());
    std::uint8_t byte = 0;
    EXPECT_EQ(second.write(&byte, 1), 0u);
    EXPECT_EQ(second.read(&byte, 1), 0u);

    port.close();
    openPort(second, map, 1, {19200, Parity::None}, 1000, boxes);
    EXPECT_TRUE(second.isOpen());
    EXPECT_EQ(boxes.shown.size(), 1u);
}

// The exclusive flag lives on the tty, not on our descriptor: it must be
// gone after close, or a user other than root could not reopen a
// pseudo-terminal whose far end stays open (the simulated module's).
TEST_F(TermiosPortTest, CloseLeavesTheDeviceOpenableForOthers) {
    openPlain({});
    port.close();
    const int fd = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    int exclusive = -1;
    ASSERT_EQ(ioctl(fd, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    ::close(fd);
}

// A configured path that does not exist: the box gives the reason in Russian
// and what this machine offers instead.
TEST_F(TermiosPortTest, MissingDeviceListsTheSerialPortsThere) {
    ComPortMap map;
    map.devices[1] = "/nonexistent/ttyUSB9";
    test::RecordingBoxes boxes;
    openPort(port, map, 2, {19200, Parity::None}, 1000, boxes);
    ASSERT_EQ(boxes.shown.size(), 1u);
    const std::string& detail = boxes.shown[0].detail;
    EXPECT_EQ(detail.rfind("Устройство: /nonexistent/ttyUSB9\n"
                           "Причина: Нет такого файла или каталога\n"
                           "Последовательн",
                           0),
              0u)
        << detail;
    // Whatever this machine has: a COM2 example, or that there is none.
    const bool listed = detail.find("\nCOM2=/dev/") != std::string::npos;
    const bool none = detail.find("не найдено") != std::string::npos;
    EXPECT_NE(listed, none) << detail;
}

// Another program holds the device with the exclusive flag. Root's open gets
// past that flag, so the port checks it itself: the open is refused as busy,
// the box names the holder, and the holder's flag outlives our attempt.
TEST_F(TermiosPortTest, DeviceHeldExclusivelyByAnotherIsBusy) {
    const int other = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    ASSERT_EQ(ioctl(other, TIOCEXCL), 0);
    ComPortMap map;
    map.devices[0] = pty.slave;
    test::RecordingBoxes boxes;
    openPort(port, map, 1, {19200, Parity::None}, 1000, boxes);
    EXPECT_FALSE(port.isOpen());
    ASSERT_EQ(boxes.shown.size(), 1u);
    const std::string& detail = boxes.shown[0].detail;
    EXPECT_NE(detail.find("Порт занят другой программой."), std::string::npos) << detail;
    EXPECT_NE(detail.find("(PID " + std::to_string(getpid()) + ")"), std::string::npos) << detail;
    int exclusive = 0;
    ASSERT_EQ(ioctl(other, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);

    // Once the other program lets go, the port opens.
    ioctl(other, TIOCNXCL);
    ::close(other);
    openPort(port, map, 1, {19200, Parity::None}, 1000, boxes);
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(boxes.shown.size(), 1u);
}

// A refused open is tried again before each exchange, at most once a
// second, without a box: the port opens once the holder lets go. A retry
// refused otherwise (here the link now leads nowhere) updates the port's
// words and tells the listener; the same refusal again tells nothing.
TEST_F(TermiosPortTest, BusyPortOpensByItselfOnceItsHolderLetsGo) {
    std::string folder = (std::filesystem::temp_directory_path() / "m8163-link-XXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    const std::string link = folder + "/usb-adapter";
    std::filesystem::create_symlink(pty.slave, link);
    const int other = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    ASSERT_EQ(ioctl(other, TIOCEXCL), 0);
    int changes = 0;
    port.setStateListener([&] { ++changes; });
    ComPortMap map;
    map.devices[0] = link;
    test::RecordingBoxes boxes;
    openPort(port, map, 1, {19200, Parity::None}, 100, boxes);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(port.retrying());
    const std::string busy = port.notOpenReason();
    EXPECT_NE(busy.find("(PID " + std::to_string(getpid()) + "). Закройте её — откроется сам"),
              std::string::npos)
        << busy;

    // Retries until `done`, as exchanges would: false after 3 s.
    auto retryUntil = [&](auto done) {
        const auto start = Steady::now();
        while (!done()) {
            if (since(start) > 3s)
                return false;
            port.purge();
            std::this_thread::sleep_for(20ms);
        }
        return true;
    };
    const auto start = Steady::now();
    port.purge();  // the first retry comes at once
    std::this_thread::sleep_for(300ms);
    port.purge();  // and the next not within a second
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(port.notOpenReason(), busy);

    std::filesystem::remove(link);
    std::filesystem::create_symlink(folder + "/gone", link);
    ASSERT_TRUE(retryUntil([&] { return changes == 1; }));
    EXPECT_GE(since(start), 900ms);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.lastOpen().error, ENOENT);
    EXPECT_NE(port.notOpenReason().find("нет устройства " + link), std::string::npos)
        << port.notOpenReason();

    std::filesystem::remove(link);
    std::filesystem::create_symlink(pty.slave, link);
    ioctl(other, TIOCNXCL);
    ::close(other);
    ASSERT_TRUE(retryUntil([&] { return port.isOpen(); }));
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(port.retrying());
    EXPECT_EQ(port.notOpenReason(), "");
    EXPECT_TRUE(port.lastOpen().ok);
    const std::uint8_t request[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x07, 0x04, 0x08};
    EXPECT_EQ(port.write(request, sizeof request), sizeof request);
    EXPECT_EQ(pty.receive(8, 5s), std::vector<std::uint8_t>(request, request + 8));
    EXPECT_EQ(boxes.shown.size(), 1u);

    // A port closed by the program is not retried.
    port.close();
    EXPECT_FALSE(port.retrying());
    std::filesystem::remove_all(folder);
}

// The program's close ends the retries: nothing opens the device after it.
TEST_F(TermiosPortTest, ClosingARefusedPortEndsItsRetries) {
    const int other = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    ASSERT_EQ(ioctl(other, TIOCEXCL), 0);
    EXPECT_FALSE(port.open(pty.slave, {}, {}).ok);
    EXPECT_TRUE(port.retrying());
    closePort(port);
    EXPECT_FALSE(port.retrying());
    ioctl(other, TIOCNXCL);
    ::close(other);
    port.purge();
    EXPECT_FALSE(port.isOpen());
}

TEST_F(TermiosPortTest, WriteReachesThePeerAndFullReadReturnsAtOnce) {
    openPlain({5000, 0, 10000, 0, 0});
    const std::uint8_t request[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x07, 0x04, 0x08};
    EXPECT_EQ(port.write(request, sizeof request), sizeof request);
    EXPECT_EQ(pty.receive(8, 5s), std::vector<std::uint8_t>(request, request + 8));

    pty.send({1, 2, 3, 4, 5, 6, 7, 8});
    std::uint8_t reply[8] = {};
    const auto start = Steady::now();
    EXPECT_EQ(port.read(reply, sizeof reply), 8u);
    EXPECT_LT(since(start), 2000ms);  // neither the interval nor the total ran out
    EXPECT_EQ(reply[7], 8);
}

// Bytes that come with gaps shorter than the interval belong to one read,
// which ends one interval after the last of them.
TEST_F(TermiosPortTest, ReadEndsOneIntervalAfterTheLastByte) {
    const milliseconds interval{500};
    openPlain({static_cast<std::uint32_t>(interval.count()), 0, 20000, 0, 0});
    std::atomic<Steady::rep> lastSent{0};
    std::thread peer([&] {
        pty.send({0x01, 0x03, 0x02});
        std::this_thread::sleep_for(30ms);  // a short gap inside the reply
        // Taken before the send, so the bytes reach the port after it.
        lastSent = Steady::now().time_since_epoch().count();
        pty.send({0x12, 0x34});
    });
    std::uint8_t reply[20] = {};
    const std::size_t got = port.read(reply, sizeof reply);
    const auto end = Steady::now();
    peer.join();
    EXPECT_EQ(got, 5u);
    EXPECT_EQ(reply[4], 0x34);
    const auto afterLast = std::chrono::duration_cast<milliseconds>(
        end - Steady::time_point(Steady::duration(lastSent.load())));
    EXPECT_GE(afterLast, interval);
    EXPECT_LE(afterLast, interval + 1500ms);
}

// Voluntary context switches of the calling thread so far: one per wake-up
// from a wait.
long threadWakeUps() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

// A reply that comes one byte at a time, paced as the line carries it (at
// 1200 bit/s, 8.3 ms a byte), is read in a few waits instead of one wake-up
// per byte, and the read still ends as soon as its last byte is in.
TEST_F(TermiosPortTest, PacedReplyIsReadInFewWakeUpsAndEndsWithItsLastByte) {
    const OpenResult opened =
        port.open(pty.slave, LineSettings{1200, Parity::None}, {500, 0, 20000, 0, 0});
    ASSERT_TRUE(opened.ok) << opened.reason;
    constexpr std::size_t kReply = 19;
    std::atomic<Steady::rep> lastSent{0};
    std::thread peer([&] {
        std::this_thread::sleep_for(20ms);
        for (std::size_t i = 0; i < kReply; ++i) {
            if (i + 1 == kReply)
                lastSent = Steady::now().time_since_epoch().count();
            pty.send({static_cast<std::uint8_t>(i + 1)});
            std::this_thread::sleep_for(8333us);
        }
    });
    std::uint8_t reply[kReply] = {};
    const long wakeUpsBefore = threadWakeUps();
    const std::size_t got = port.read(reply, sizeof reply);
    const long wakeUps = threadWakeUps() - wakeUpsBefore;
    const auto end = Steady::now();
    peer.join();
    EXPECT_EQ(got, kReply);
    EXPECT_EQ(reply[kReply - 1], kReply);
    EXPECT_LE(wakeUps, 8) << "one wake-up per byte would be " << kReply;
    EXPECT_LT(std::chrono::duration_cast<milliseconds>(
                  end - Steady::time_point(Steady::duration(lastSent.load()))),
              150ms);
}

// A silent line costs constant + multiplier * N, spent waiting in the kernel.
TEST_F(TermiosPortTest, SilentPeerCostsTheTotalTimeoutWithoutSpinning) {
    openPlain({50, 20, 200, 0, 0});
    std::uint8_t reply[10];
    const auto cpuBefore = cpuTime();
    const auto start = Steady::now();
    EXPECT_EQ(port.read(reply, sizeof reply), 0u);
    const auto elapsed = since(start);
    EXPECT_GE(elapsed, 400ms);
    EXPECT_LE(elapsed, 1900ms);
    EXPECT_LT(cpuTime() - cpuBefore, 60ms);
}

TEST_F(TermiosPortTest, PurgeDropsWaitingInput) {
    openPlain({2000, 0, 5000, 0, 0});
    pty.send({1, 2, 3, 4});
    std::uint8_t first = 0;
    ASSERT_EQ(port.read(&first, 1), 1u);  // the rest is now in the receive buffer
    port.purge();
    port.setTimeouts({10, 0, 100, 0, 0});
    std::uint8_t rest[4];
    EXPECT_EQ(port.read(rest, sizeof rest), 0u);
    EXPECT_EQ(port.clearErrors(), 0u);  // a pseudo-terminal counts no errors
}

// The far end closing (a pulled adapter looks the same) ends a long read at
// once, and later reads and writes return at once too, without burning CPU.
TEST_F(TermiosPortTest, HangUpEndsReadsAtOnce) {
    openPlain({10000, 100, 30000, 0, 0});
    std::thread peer([&] {
        pty.send({0x01, 0x03});
        pty.closeMaster();
    });
    const auto cpuBefore = cpuTime();
    std::uint8_t reply[21];
    auto start = Steady::now();
    EXPECT_LE(port.read(reply, sizeof reply), 2u);
    peer.join();
    EXPECT_LT(since(start), 3000ms);

    start = Steady::now();
    for (int i = 0; i < 20; ++i) {
        port.purge();
        port.write(reply, 8);
        EXPECT_EQ(port.read(reply, sizeof reply), 0u);
    }
    EXPECT_LT(since(start), 2000ms);
    EXPECT_LT(cpuTime() - cpuBefore, 200ms);
}

// After a hang-up the port lets the device go and tries the same path again
// at the next exchange, but not more than once a second while it is
// missing. The path here is a link that is turned to a plain file once the
// line is gone: each retry opens that file (and is refused: not a tty),
// which inotify counts.
TEST_F(TermiosPortTest, HungUpPortRetriesItsPathAtMostOnceASecond) {
    std::string folder = (std::filesystem::temp_directory_path() / "m8163-link-XXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    const std::string link = folder + "/port";
    const std::string plainFile = folder + "/not-a-tty";
    std::ofstream(plainFile).put('x');
    std::filesystem::create_symlink(pty.slave, link);
    ASSERT_TRUE(port.open(link, LineSettings{19200, Parity::None}, {10, 10, 100, 0, 0}).ok);

    pty.closeMaster();
    std::uint8_t reply[8];
    EXPECT_EQ(port.read(reply, sizeof reply), 0u);
    EXPECT_TRUE(port.lost());
    EXPECT_TRUE(port.isOpen());

    std::filesystem::remove(link);
    std::filesystem::create_symlink(plainFile, link);
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, plainFile.c_str(), IN_OPEN), 0);
    int opens = 0;
    const auto start = Steady::now();
    while (since(start) < 2500ms) {
        port.purge();
        EXPECT_EQ(port.write(reply, 8), 0u);
        EXPECT_EQ(port.read(reply, sizeof reply), 0u);
        // Read as they come: inotify merges an event with an unread twin.
        inotify_event events[16];
        for (ssize_t n; (n = ::read(watch, events, sizeof events)) > 0;)
            opens += static_cast<int>(n / static_cast<ssize_t>(sizeof(inotify_event)));
        std::this_thread::sleep_for(20ms);
    }
    ::close(watch);
    EXPECT_GE(opens, 2);  // at about 0 s, 1 s and 2 s
    EXPECT_LE(opens, 3);

    port.close();
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.lost());
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace m8163
