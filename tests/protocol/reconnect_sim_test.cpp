// The simulator program stopped and started again at the same path, as a
// USB adapter pulled and plugged back in: the program's port finds the
// module again by itself.

#include <signal.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <thread>

#include "../sim/child_process.h"
#include "../sim/sim_test_support.h"
#include "link/port_open.h"
#include "link/termios_port.h"
#include "protocol/transactions.h"
#include "recorders.h"

namespace m8163 {
namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;
using Steady = std::chrono::steady_clock;
using sim::test::ChildProcess;

milliseconds cpuTime() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return milliseconds(t.tv_sec * 1000 + t.tv_usec / 1000); };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

milliseconds since(Steady::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Steady::now() - start);
}

std::unique_ptr<ChildProcess> startSimulator(const std::string& link) {
    auto program =
        std::make_unique<ChildProcess>(std::vector<std::string>{M8163_SIM_PATH, "--link", link});
    EXPECT_EQ(program->waitForLine("READY", 10s), "READY " + link) << program->err;
    return program;
}

TEST(Reconnect, ModuleStoppedAndStartedAgainAtTheSamePath) {
    sim::test::TempDir dir;
    const std::string link = dir.file("port");
    auto simulator = startSimulator(link);

    ComPortMap map;
    map.devices[0] = link;
    ConnectionSettings settings;
    settings.moduleAddress = 1;
    settings.timeoutMs = 300;
    TermiosPort port;
    test::RecordingBoxes boxes;
    openPort(port, map, 1, {settings.speed, settings.parity}, settings.timeoutMs, boxes);
    ASSERT_TRUE(boxes.shown.empty());
    test::FixedClock clock;
    const ModbusLine line{port, settings, clock};
    std::array<std::uint16_t, 3> values{};
    ASSERT_TRUE(readRegisters(line, 0x0408, values).ok());

    // SIGTERM: the simulator removes its link, as a pulled adapter's node
    // disappears.
    simulator->signal(SIGTERM);
    ASSERT_EQ(simulator->wait(10s), 0);

    // Gone: every cycle fails as silence, and the waiting costs no CPU.
    const auto cpuBefore = cpuTime();
    const auto goneSince = Steady::now();
    int cycles = 0;
    while (since(goneSince) < 3s) {
        EXPECT_NE(readRegisters(line, 0x0408, values).result & kNoReply, 0u);
        ++cycles;
        std::this_thread::sleep_for(50ms);  // the polling timer's wait between cycles
    }
    EXPECT_LT(cpuTime() - cpuBefore, since(goneSince) / 100) << cycles << " cycles";
    EXPECT_TRUE(port.isOpen());  // still open as far as the program is concerned
    EXPECT_TRUE(port.lost());

    // Back: good exchanges again within about a second, no reopen by hand.
    simulator = startSimulator(link);
    const auto backSince = Steady::now();
    bool good = false;
    while (!good && since(backSince) < 5s) {
        good = readRegisters(line, 0x0408, values).ok();
        if (!good)
            std::this_thread::sleep_for(50ms);
    }
    ASSERT_TRUE(good);
    EXPECT_LT(since(backSince), 2500ms);
    EXPECT_FALSE(port.lost());
    EXPECT_TRUE(readRegisters(line, 0x0408, values).ok());
    EXPECT_TRUE(boxes.shown.empty());  // all of it silently
}

}  // namespace
}  // namespace m8163
