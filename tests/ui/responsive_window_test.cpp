// The real program on a real X server (Xvfb) against the simulated module,
// treated as a desktop treats it: pinged for liveness while its line is
// silent, clicked with the server's pointer, closed by its close button.
#include <stdlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "../sim/child_process.h"
#include "program_window.h"
#include "sim/pty_server.h"
#include "x_desktop.h"

namespace m8163 {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using sim::test::ChildProcess;
using sim::test::findProgram;
using test::fileText;
using test::XDesktop;
using SteadyClock = std::chrono::steady_clock;

// What a desktop allows before it greys a window is about 5 s; the window
// answers far sooner, and this bound keeps a margin for a loaded machine.
constexpr auto kPingBound = 300ms;

struct Place {
    int x = 0, y = 0, width = 0, height = 0;
};

class ResponsiveWindow : public ::testing::Test {
  protected:
    fs::path folder;
    std::unique_ptr<ChildProcess> xvfb;
    std::string display;
    std::unique_ptr<sim::PtyServer> server;
    std::unique_ptr<ChildProcess> program;
    std::unique_ptr<XDesktop> desktop;
    Window window = 0;
    std::map<std::string, Place> places;

    void SetUp() override {
        if (findProgram("Xvfb").empty())
            GTEST_SKIP() << "Xvfb is not installed";
        char name[] = "/tmp/m8163-responsive.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        xvfb = std::make_unique<ChildProcess>(std::vector<std::string>{
            "Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        const std::string number = xvfb->waitForLine("", 20s);
        ASSERT_FALSE(number.empty()) << xvfb->err;
        display = ":";
        display += number;

        // One module, at 9600 bit/s without parity, number 1; every request
        // to it can be silenced.
        sim::ServerOptions options;
        options.link = (folder / "ttyM8163").string();
        sim::ModuleSetup setup;
        setup.address = 1;
        setup.format = {9600, sim::kNone};
        options.modules.emplace_back(setup);
        server = std::make_unique<sim::PtyServer>(std::move(options));
        server->start();
    }
    void TearDown() override {
        desktop.reset();
        program.reset();
        if (server)
            server->stop();
        xvfb.reset();
        if (!folder.empty())
            fs::remove_all(folder);
    }

    void writeSettings(int page, int timeoutMs) {
        std::ofstream(folder / "dev.dat", std::ios::binary)
            << "[COM_SETTINGS]\r\nNumber=1\r\nSettings=9600,N,8,1\r\n[DEVICE]\r\nNetAdrr=1\r\n"
               "[SETTINGS]\r\nTimeOut="
            << timeoutMs << "\r\n[COM_PORTS]\r\nCOM1=" << (folder / "ttyM8163").string() << "\r\n";
        // The search: 9600 bit/s, all three parities, module numbers 5 to 9,
        // where nobody answers.
        std::ofstream(folder / "recent.prf", std::ios::binary)
            << "[TAB]\r\nnum=" << page
            << "\r\n[Seach]\r\n1200=0\r\n2400=0\r\n4800=0\r\n9600=1\r\n19200=0\r\n38400=0\r\n"
               "57600=0\r\n115200=0\r\nbeg=5\r\nend=9\r\nparity_non=1\r\nparity_odd=1\r\n"
               "parity_ev=1\r\n";
    }

    void startProgram() {
        const fs::path geometry = folder / "geometry";
        program = std::make_unique<ChildProcess>(std::vector<std::string>{
            "env", "-C", folder.string(), "DISPLAY=" + display, "QT_QPA_PLATFORM=xcb",
            "M8163_GEOMETRY=" + geometry.string(), M8163_APP_PATH});
        const auto limit = SteadyClock::now() + 30s;
        while (!fs::exists(geometry) && SteadyClock::now() < limit)
            std::this_thread::sleep_for(20ms);
        ASSERT_TRUE(fs::exists(geometry)) << program->err;
        std::istringstream lines(fileText(geometry));
        std::string name;
        Place place;
        while (lines >> name >> place.x >> place.y >> place.width >> place.height)
            places[name] = place;
        desktop = std::make_unique<XDesktop>(display);
        std::optional<Window> found;
        for (auto until = SteadyClock::now() + 10s; !found && SteadyClock::now() < until;
             std::this_thread::sleep_for(20ms))
            found = desktop->windowOf(program->pid());
        ASSERT_TRUE(found);
        window = *found;
    }

    void click(const std::string& control) {
        ASSERT_TRUE(places.count(control)) << control;
        const Place& p = places[control];
        desktop->click(p.x + p.width / 2, p.y + p.height / 2);
    }

    // Pings the window every 100 ms for `span`; the slowest answer.
    std::chrono::milliseconds slowestPing(std::chrono::milliseconds span) {
        std::chrono::milliseconds slowest{0};
        for (const auto end = SteadyClock::now() + span; SteadyClock::now() < end;) {
            const auto answer = desktop->ping(window, 2s);
            slowest = std::max(slowest, answer.value_or(2s));
            std::this_thread::sleep_for(100ms);
        }
        return slowest;
    }

    std::uint64_t requestsToModule() {
        std::uint64_t requests = 0;
        server->withModule(1, [&](sim::ModuleModel& m) { requests = m.counters.requests; });
        return requests;
    }
};

TEST_F(ResponsiveWindow, AnswersItsDesktopThroughASilentSearchAndClosesAfterOneMoreTrial) {
    writeSettings(3, 1000);  // the search page
    startProgram();
    click("Button33");  // "Начать поиск"
    const auto slowest = slowestPing(3500ms);
    EXPECT_LT(slowest, kPingBound);

    // The close button during the search: the search ends after the trial in
    // progress (no box), the close sequence saves the settings.
    fs::remove(folder / "dev.dat");
    fs::remove(folder / "recent.prf");
    const auto asked = SteadyClock::now();
    desktop->askClose(window);
    // One trial is the time-out and the request and reply at 9600 bit/s.
    const int status = program->wait(1030ms + 1s + 1500ms);
    const auto gone = SteadyClock::now() - asked;
    EXPECT_EQ(status, 0) << program->err;
    EXPECT_LT(gone, 1030ms + 1s) << "after " << gone.count() << " ns";
    EXPECT_NE(fileText(folder / "dev.dat").find("TimeOut=1000"), std::string::npos);
    EXPECT_NE(fileText(folder / "recent.prf").find("[Seach]"), std::string::npos);
}

TEST_F(ResponsiveWindow, AnswersItsDesktopWhilePollingASilentModuleAndStopsPollingOnClick) {
    writeSettings(0, 1500);  // the measured-value page
    startProgram();
    server->withModule(1,
                       [](sim::ModuleModel& m) { m.faults.push_back({sim::FaultKind::Silence}); });
    click("Button18");  // "Начать циклический опрос"
    EXPECT_LT(slowestPing(3s), kPingBound);

    // "Завершить циклический опрос" while a polling request waits for its
    // silent reply: polling stops after it.
    const std::uint64_t before = requestsToModule();
    ASSERT_TRUE(server->waitUntil(
        [&](const sim::Line& line) { return line.modules()[0].counters.requests > before; }, 5s));
    std::this_thread::sleep_for(200ms);
    click("Button19");
    std::this_thread::sleep_for(3500ms);
    const std::uint64_t afterStop = requestsToModule();
    EXPECT_LE(afterStop, before + 2);
    std::this_thread::sleep_for(3s);
    EXPECT_EQ(requestsToModule(), afterStop);

    desktop->askClose(window);
    EXPECT_EQ(program->wait(10s), 0) << program->err;
}

}  // namespace
}  // namespace m8163
