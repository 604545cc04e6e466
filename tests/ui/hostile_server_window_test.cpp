// The real program on a real X server (Xvfb), its COM1 a device server that
// misbehaves on purpose: whatever the server does, the window appears,
// answers its desktop's pings through the connection and a reading, ends
// within a second of a SIGTERM, and stays small.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "../sim/child_process.h"
#include "hostile_server.h"
#include "link/network_port.h"
#include "program_window.h"
#include "x_desktop.h"

namespace m8163 {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using sim::test::ChildProcess;
using sim::test::findProgram;
using test::Hostility;
using test::XDesktop;
using SteadyClock = std::chrono::steady_clock;

// A desktop greys a window after about 5 s without an answer; this bound
// keeps a margin for a loaded machine.
constexpr auto kPingBound = 300ms;
constexpr long kMemoryLimitKb = 64 * 1024;

TEST(HostileServerWindow, AppearsAnswersItsDesktopAndEndsOnSigterm) {
    if (findProgram("Xvfb").empty())
        GTEST_SKIP() << "Xvfb is not installed";
    ChildProcess xvfb(
        {"Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
    const std::string number = xvfb.waitForLine("", 20s);
    ASSERT_FALSE(number.empty()) << xvfb.err;
    const std::string display = ":" + number;
    XDesktop desktop(display);

    for (const Hostility h : test::kAllHostilities) {
        for (const std::string scheme : {"rfc2217", "socket"}) {
            SCOPED_TRACE(std::string(test::hostilityName(h)) + " " + scheme);
            test::HostileServer server(h);
            char name[] = "/tmp/m8163-hostile.XXXXXX";
            ASSERT_NE(mkdtemp(name), nullptr);
            const fs::path folder = name;
            std::ofstream(folder / "dev.dat", std::ios::binary)
                << "[COM_SETTINGS]\r\nNumber=1\r\nSettings=19200,N,8,1\r\n[DEVICE]\r\n"
                   "NetAdrr=1\r\n[SETTINGS]\r\nTimeOut=300\r\n[COM_PORTS]\r\nCOM1="
                << server.url(scheme) << "\r\n";
            const fs::path geometry = folder / "geometry";
            ChildProcess program({"env", "-C", folder.string(), "DISPLAY=" + display,
                                  "QT_QPA_PLATFORM=xcb", "M8163_GEOMETRY=" + geometry.string(),
                                  M8163_APP_PATH});

            // A window of the program (the main one, or the box saying why
            // the port is not open) within the connection limit.
            std::optional<Window> window;
            for (const auto until = SteadyClock::now() + kConnectLimit + 5s;
                 !window && SteadyClock::now() < until; std::this_thread::sleep_for(20ms))
                window = desktop.windowOf(program.pid());
            ASSERT_TRUE(window) << program.err;

            // A single reading through the server, where the main window shows.
            std::istringstream places(fs::exists(geometry) ? test::fileText(geometry) : "");
            std::string control;
            int x = 0, y = 0, width = 0, height = 0;
            while (places >> control >> x >> y >> width >> height) {
                if (control == "Button17")
                    desktop.click(x + width / 2, y + height / 2);
            }
            std::chrono::milliseconds slowest{0};
            for (const auto end = SteadyClock::now() + 1500ms; SteadyClock::now() < end;
                 std::this_thread::sleep_for(100ms)) {
                if (const auto shown = desktop.windowOf(program.pid()))
                    slowest = std::max(slowest, desktop.ping(*shown, 2s).value_or(2s));
            }
            EXPECT_LT(slowest, kPingBound);

            const auto signalled = SteadyClock::now();
            program.signal(SIGTERM);
            const int code = program.wait(10s);
            EXPECT_LT(SteadyClock::now() - signalled, 1s);
            EXPECT_EQ(code, 0) << program.err;
            if (test::kPeakMemoryMeasured) {
                EXPECT_LT(program.peakKb, kMemoryLimitKb);
            }
            fs::remove_all(folder);
        }
    }
}

}  // namespace
}  // namespace m8163
