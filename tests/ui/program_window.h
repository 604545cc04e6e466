#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPushButton>
#include <QWindow>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "recorders.h"
#include "scripted_port.h"
#include "ui/window/program_window.h"
#include "ui/window/startup.h"

// The window made by the function main() calls (its pages, the decimal keys,
// the close sequence it runs itself and on a signal, the real event pump
// whose pauses wait on Timer5), after the start-up sequence, in a fresh working folder. Boxes are
// recorded and answered, the clock is fixed, the port is scripted.

namespace m8163::test {

// The whole content of a file, bytes as they are.
inline std::string fileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A scripted port that notes what happened to it, in order, beside the bytes.
class EventPort : public ScriptedPort {
  public:
    std::vector<std::string>* events = nullptr;
    // Runs at each request the code writes.
    std::function<void()> onWrite;

    void close() override {
        note("port closed");
        ScriptedPort::close();
    }
    std::size_t read(std::uint8_t* buffer, std::size_t size) override {
        note("port read");
        return ScriptedPort::read(buffer, size);
    }
    std::size_t write(const std::uint8_t* data, std::size_t size) override {
        if (onWrite)
            onWrite();
        return ScriptedPort::write(data, size);
    }

  private:
    void note(const char* what) {
        if (events != nullptr)
            events->push_back(what);
    }
};

class ProgramWindowTest : public ::testing::Test {
  protected:
    std::filesystem::path folder;
    std::filesystem::path previous = std::filesystem::current_path();
    std::vector<std::string> events;
    AppState state;
    EventPort port;
    OpenBoxes boxes;
    FixedClock clock;
    std::unique_ptr<TForm1> window;
    // The window's event pump; left empty, the real one whose pauses wait on
    // Timer5. A test fixture may set a recording one before SetUp().
    EventPump* pumpSeam = nullptr;

    void SetUp() override {
        char name[] = "/tmp/m8163-window-test.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        std::filesystem::current_path(folder);
        port.openState = false;
        window = makeProgramWindow(state, port, WindowSeams{&boxes, pumpSeam, &clock});
        ASSERT_TRUE(runStartupSequence(*window));
        ASSERT_TRUE(boxes.shown.empty());
        port.events = &events;
    }
    void TearDown() override {
        window.reset();
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
    }

    template <class Widget>
    Widget& control(const char* name) {
        return window->control<Widget>(name);
    }

    // A reply that comes `delay` after the read began, as from a slow line.
    void lateReply(std::chrono::milliseconds delay) {
        port.replyRegisters(1, {0x41C8, 0x0000, 1, 0, 0, 0, 0});
        port.replies.back().delay = delay;
    }
    // A click as the window system delivers it: queued for the window.
    void postClick(const char* name) {
        QPushButton& button = control<QPushButton>(name);
        const QPointF at = button.mapTo(window.get(), button.rect().center());
        QWindow* target = window->windowHandle();
        const QPointF global = target->mapToGlobal(at.toPoint());
        QCoreApplication::postEvent(
            target, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                    Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(
            target, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                    Qt::NoButton, Qt::NoModifier));
    }

  public:
    // Runs the window's messages until `done` holds or `limitMs` passes.
    static bool runUntil(const std::function<bool()>& done, int limitMs) {
        QElapsedTimer elapsed;
        elapsed.start();
        while (!done()) {
            if (elapsed.elapsed() > limitMs)
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        }
        return true;
    }
    // Lets the window's messages run for `ms`.
    static void runFor(int ms) {
        QElapsedTimer elapsed;
        elapsed.start();
        while (elapsed.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
};

}  // namespace m8163::test
