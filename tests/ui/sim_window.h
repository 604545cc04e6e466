#pragma once

// The window built and started as main() does, in a fresh working folder,
// with the real termios port against the simulated module on a
// pseudo-terminal.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/clock.h"
#include "link/termios_port.h"
#include "recorders.h"
#include "sim/pty_server.h"
#include "ui/window/program_window.h"
#include "ui/window/startup.h"

namespace m8163::test {

namespace fs = std::filesystem;

class SimWindowTest : public ::testing::Test {
  protected:
    fs::path folder;
    fs::path previous = fs::current_path();
    AppState state;
    TermiosPort port;
    RecordingBoxes boxes;
    SystemClock clock;
    std::unique_ptr<sim::PtyServer> server;
    std::unique_ptr<TForm1> window;
    std::mutex eventsMutex;
    std::vector<std::string> simEvents;
    // Set before start(): the simulated adapter echoes, and COM1's options.
    bool adapterEchoes = false;
    std::string com1Options;

    void SetUp() override {
        char name[] = "/tmp/m8163-exchange-sim.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        fs::current_path(folder);
    }
    void TearDown() override {
        window.reset();
        port.close();
        if (server)
            server->stop();
        fs::current_path(previous);
        fs::remove_all(folder);
    }

    // Serves `modules` on a pseudo-terminal that dev.dat maps COM1 to, with
    // the program's side at `lineSettings` ("19200,N,8,1"), `address` and
    // `timeoutMs`, then builds and starts the window.
    void start(std::vector<sim::ModuleModel> modules, const std::string& lineSettings, int address,
               int timeoutMs = 300) {
        sim::ServerOptions options;
        options.modules = std::move(modules);
        options.stateFile = (folder / "state.json").string();
        options.echo = adapterEchoes;
        options.onEvent = [this](const std::string& event) {
            std::lock_guard lock(eventsMutex);
            simEvents.push_back(event);
        };
        server = std::make_unique<sim::PtyServer>(std::move(options));
        server->start();
        std::ofstream(folder / "dev.dat", std::ios::binary)
            << "[COM_SETTINGS]\r\nNumber=1\r\nSettings=" << lineSettings
            << "\r\n[DEVICE]\r\nNetAdrr=" << address << "\r\n[SETTINGS]\r\nTimeOut=" << timeoutMs
            << "\r\n[COM_PORTS]\r\nCOM1=" << server->path()
            << "\r\n[COM_OPTIONS]\r\nCOM1=" << com1Options << "\r\n";
        window = makeProgramWindow(state, port, WindowSeams{&boxes, nullptr, &clock});
        ASSERT_TRUE(runStartupSequence(*window));
        ASSERT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;
        ASSERT_TRUE(port.isOpen());
    }

    template <class Widget>
    Widget& control(const char* name) {
        return window->control<Widget>(name);
    }
    QString text(const char* name) { return control<QLabel>(name).text(); }
    void pick(const char* name, int index) {
        control<QComboBox>(name).setCurrentIndex(index);
        emit control<QComboBox>(name).activated(index);
    }
    void readOnce() {
        window->selectPage(TForm1::kMeasurePage);
        control<QPushButton>("Button17").click();
    }
    // The replies the simulated module at `address` has sent so far.
    std::uint64_t repliesOf(int address) {
        std::uint64_t n = 0;
        server->withModule(address, [&](sim::ModuleModel& m) { n = m.counters.replies; });
        return n;
    }
    std::vector<std::string> lastTexts(std::size_t from) {
        std::vector<std::string> texts;
        for (std::size_t i = from; i < boxes.shown.size(); ++i)
            texts.push_back(boxes.shown[i].text);
        return texts;
    }
};

}  // namespace m8163::test
