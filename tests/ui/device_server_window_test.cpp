// The window as main() builds it, with COM1 mapped to ser2net serving the
// simulated module: a single reading, polling, and polling that outlives
// the server being stopped and started again.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "../sim/ser2net_server.h"
#include "base/clock.h"
#include "link/device_port.h"
#include "recorders.h"
#include "sim/pty_server.h"
#include "ui/window/program_window.h"
#include "ui/window/startup.h"

namespace m8163 {
namespace {

namespace fs = std::filesystem;
using sim::test::Ser2net;

bool runUntil(const std::function<bool()>& done, int limitMs) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

class DeviceServerWindowTest : public ::testing::Test {
  protected:
    fs::path folder;
    fs::path previous = fs::current_path();
    AppState state;
    DevicePort port;
    test::RecordingBoxes boxes;
    SystemClock clock;
    std::unique_ptr<sim::PtyServer> module;
    std::unique_ptr<Ser2net> server;
    std::unique_ptr<TForm1> window;

    void SetUp() override {
        if (!Ser2net::installed())
            GTEST_SKIP() << "ser2net is not installed (scripts/ensure-packages.sh)";
        char name[] = "/tmp/m8163-device-server.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        fs::current_path(folder);
        sim::ServerOptions options;  // module 1 at 19200 bit/s without parity
        options.stateFile = (folder / "state.json").string();
        module = std::make_unique<sim::PtyServer>(std::move(options));
        module->start();
        server = std::make_unique<Ser2net>(folder.string(), module->path());
        server->start();
        std::ofstream(folder / "dev.dat", std::ios::binary)
            << "[COM_SETTINGS]\r\nNumber=1\r\nSettings=19200,N,8,1\r\n[DEVICE]\r\nNetAdrr=1\r\n"
            << "[SETTINGS]\r\nTimeOut=300\r\n[COM_PORTS]\r\nCOM1=" << server->rfc2217Url()
            << "\r\n";
        // The Qt pump and port wait, as main() has them.
        window = makeProgramWindow(state, port, WindowSeams{&boxes, nullptr, &clock});
        ASSERT_TRUE(runStartupSequence(*window));
        ASSERT_TRUE(boxes.shown.empty()) << boxes.shown[0].text << "\n" << boxes.shown[0].detail;
        ASSERT_TRUE(port.isOpen());
        window->selectPage(TForm1::kMeasurePage);
    }
    void TearDown() override {
        window.reset();
        port.close();
        server.reset();
        if (module)
            module->stop();
        fs::current_path(previous);
        if (!folder.empty())
            fs::remove_all(folder);
    }

    std::uint64_t replies() {
        std::uint64_t n = 0;
        module->withModule(1, [&](sim::ModuleModel& m) { n = m.counters.replies; });
        return n;
    }
    QString portLine() {
        QString text;
        for (QLabel* label : window->findChildren<QLabel*>()) {
            if (label->text().contains(QString::fromStdString(server->rfc2217Url())))
                text = label->text();
        }
        return text;
    }
};

TEST_F(DeviceServerWindowTest, SingleReadingAndPollingThroughRfc2217) {
    window->control<QPushButton>("Button17").click();
    EXPECT_EQ(replies(), 1u);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Прочитано измеренное значение.");
    EXPECT_EQ(state.measurement.exerr, 0u);

    window->control<QPushButton>("Button18").click();
    ASSERT_TRUE(runUntil([&] { return state.polling.cycles >= 3; }, 20000));
    EXPECT_EQ(state.polling.exchangeErrors, 0u);
    EXPECT_EQ(boxes.shown.size(), 1u);  // polling shows none
}

TEST_F(DeviceServerWindowTest, PollingResumesByItselfWhenTheServerComesBack) {
    window->control<QPushButton>("Button18").click();
    ASSERT_TRUE(runUntil([&] { return state.polling.cycles >= 2; }, 20000));

    server->stop();
    ASSERT_TRUE(runUntil([&] { return port.lost(); }, 20000));
    const std::uint32_t failedBefore = state.polling.exchangeErrors;
    ASSERT_TRUE(runUntil([&] { return state.polling.exchangeErrors >= failedBefore + 2; }, 20000));
    EXPECT_TRUE(portLine().contains(QStringLiteral("прервана"))) << portLine().toStdString();

    server->start();
    const std::uint64_t answered = replies();
    ASSERT_TRUE(runUntil([&] { return replies() >= answered + 2 && !port.lost(); }, 20000));
    EXPECT_TRUE(state.polling.polling);
    EXPECT_FALSE(portLine().contains(QStringLiteral("прервана"))) << portLine().toStdString();
    // Polling never shows a box, through the loss or after it.
    EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
}  // namespace m8163
