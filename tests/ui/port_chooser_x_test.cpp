// The real program on a real X server (Xvfb) against the simulated module,
// started with COM1 mapped to a device that is not there, pointed at the
// module the way a user does it: answer the box, Ctrl+P, type the path,
// Enter, then read once.
#include <stdlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
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

class PortChooserOnX : public ::testing::Test {
  protected:
    fs::path folder;
    std::unique_ptr<ChildProcess> xvfb;
    std::string display;
    std::unique_ptr<sim::PtyServer> server;
    std::unique_ptr<ChildProcess> program;
    std::unique_ptr<XDesktop> desktop;

    void SetUp() override {
        if (findProgram("Xvfb").empty())
            GTEST_SKIP() << "Xvfb is not installed";
        char name[] = "/tmp/m8163-chooser-x.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        xvfb = std::make_unique<ChildProcess>(std::vector<std::string>{
            "Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        const std::string number = xvfb->waitForLine("", 20s);
        ASSERT_FALSE(number.empty()) << xvfb->err;
        display = ":" + number;

        sim::ServerOptions options;
        options.link = (folder / "ttyM8163").string();
        sim::ModuleSetup setup;
        setup.address = 1;
        setup.format = {19200, sim::kNone};
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

    // Waits for a window of the program titled `title`; 0 when none came.
    Window waitForWindow(const std::string& title, std::chrono::seconds limit = 20s) {
        for (auto until = SteadyClock::now() + limit; SteadyClock::now() < until;
             std::this_thread::sleep_for(20ms)) {
            if (auto window = desktop->windowTitled(program->pid(), title))
                return *window;
        }
        return 0;
    }
    bool waitGone(Window window, std::chrono::seconds limit = 10s) {
        for (auto until = SteadyClock::now() + limit; SteadyClock::now() < until;
             std::this_thread::sleep_for(20ms)) {
            const std::vector<Window> shown = desktop->windowsOf(program->pid());
            if (std::find(shown.begin(), shown.end(), window) == shown.end())
                return true;
        }
        return false;
    }
    // Answers the box titled `title` with Enter, as a user does.
    void answer(const std::string& title) {
        const Window box = waitForWindow(title);
        ASSERT_NE(box, 0u) << "no box " << title << "\n" << program->err;
        desktop->focus(box);
        std::this_thread::sleep_for(200ms);
        desktop->key(XK_Return);
        ASSERT_TRUE(waitGone(box)) << title;
    }
};

TEST_F(PortChooserOnX, AMissingDeviceIsReplacedFromTheChooserAndKept) {
    const std::string missing = (folder / "ttyUSB9").string();
    const std::string sim = (folder / "ttyM8163").string();
    std::ofstream(folder / "dev.dat", std::ios::binary)
        << "[COM_SETTINGS]\r\nNumber=1\r\nSettings=19200,N,8,1\r\n[DEVICE]\r\nNetAdrr=1\r\n"
           "[SETTINGS]\r\nTimeOut=500\r\n[COM_PORTS]\r\nCOM1="
        << missing << "\r\n";
    std::ofstream(folder / "recent.prf", std::ios::binary) << "[TAB]\r\nnum=0\r\n";
    const fs::path geometry = folder / "geometry";
    program = std::make_unique<ChildProcess>(std::vector<std::string>{
        "env", "-C", folder.string(), "DISPLAY=" + display, "QT_QPA_PLATFORM=xcb",
        "M8163_GEOMETRY=" + geometry.string(), M8163_APP_PATH});
    desktop = std::make_unique<XDesktop>(display);

    // The box about the missing device comes before the window.
    answer("Ошибка");
    const auto limit = SteadyClock::now() + 20s;
    while (!fs::exists(geometry) && SteadyClock::now() < limit)
        std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(fs::exists(geometry)) << program->err;
    const std::optional<Window> shown = desktop->windowOf(program->pid());
    ASSERT_TRUE(shown.has_value());
    const Window window = *shown;

    desktop->focus(window);
    std::this_thread::sleep_for(200ms);
    desktop->key(XK_p, true);
    const Window chooser = waitForWindow("Выбор порта");
    ASSERT_NE(chooser, 0u) << program->err;
    desktop->focus(chooser);
    std::this_thread::sleep_for(200ms);
    // The field has the focus and its text is selected: typing replaces it.
    desktop->type(sim);
    desktop->key(XK_Return);
    ASSERT_TRUE(waitGone(chooser));

    // "Прочитать однократно".
    std::istringstream lines(fileText(geometry));
    std::string name;
    int x = 0, y = 0, width = 0, height = 0;
    bool clicked = false;
    while (lines >> name >> x >> y >> width >> height) {
        if (name == "Button17") {
            desktop->focus(window);
            desktop->click(x + width / 2, y + height / 2);
            clicked = true;
        }
    }
    ASSERT_TRUE(clicked);
    answer("Результат операции");
    std::uint64_t replies = 0;
    server->withModule(1, [&](sim::ModuleModel& m) { replies = m.counters.replies; });
    EXPECT_GE(replies, 1u);

    desktop->askClose(window);
    EXPECT_EQ(program->wait(10s), 0) << program->err;
    EXPECT_NE(fileText(folder / "dev.dat").find("COM1=" + sim + "\r\n"), std::string::npos)
        << fileText(folder / "dev.dat");
}

}  // namespace
}  // namespace m8163
