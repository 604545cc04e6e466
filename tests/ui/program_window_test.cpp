// The window as the program builds it: typing aids, the command guard, and
// the close sequence, driven by clicks and the window's own timers.
#include "program_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "ui/command_guard.h"

namespace m8163 {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;
namespace fs = std::filesystem;

class WindowAsBuilt : public test::ProgramWindowTest {
  protected:
    // A command of the kind the pages run: it holds the line and pauses on
    // the window's pump. `after` runs when the pause is over.
    void addPausingCommand(QPushButton& button, std::chrono::milliseconds pause,
                           std::function<void()> after = {}) {
        window->commands().connectLine(&button, &QPushButton::clicked, window.get(),
                                       [this, pause, after](LineLease&) {
                                           struct Ended {
                                               std::vector<std::string>& events;
                                               ~Ended() { events.push_back("command ended"); }
                                           } ended{events};
                                           window->pump().pause(pause);
                                           if (after)
                                               after();
                                       });
    }
    std::size_t lines(const fs::path& file) {
        std::ifstream in(file);
        std::size_t n = 0;
        for (std::string line; std::getline(in, line);)
            ++n;
        return n;
    }
};

TEST_F(WindowAsBuilt, TheDecimalKeyEntersThePointInTheRealFields) {
    for (const char* name : {"Edit25", "Edit26"}) {
        QLineEdit& field = control<QLineEdit>(name);
        field.clear();
        for (QChar c : QString("2,5")) {
            QKeyEvent press(QEvent::KeyPress, c.unicode(), Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(&field, &press);
        }
        EXPECT_EQ(field.text(), "2.5") << name;
    }
}

TEST_F(WindowAsBuilt, AnErrorEscapingAReactionIsShownAndTheWindowGoesOn) {
    QPushButton& button = control<QPushButton>("Button25");
    window->commands().connectLine(&button, &QPushButton::clicked, window.get(),
                                   [](LineLease&) { throw std::runtime_error("Файл занят."); });
    button.click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0],
              (MessageBox{"Файл занят.", "8163", BoxIcon::Error, BoxButtons::Ok, {}}));

    // The line is free again: the next command runs.
    port.replyRegisters(1, {0x41C8, 0x0000, 1, 0, 0, 0, 0});
    control<QPushButton>("Button17").click();
    EXPECT_EQ(port.written.size(), 1u);
    EXPECT_EQ(control<QLabel>("Panel1").text(), "    25.0000");
}

TEST_F(WindowAsBuilt, ASecondLineCommandDuringAPauseDoesNotRunAndThePauseIsWhole) {
    addPausingCommand(control<QPushButton>("Button25"), 300ms, [this] {
        // The command goes on after its pause with the line to itself.
        events.push_back("command step");
    });
    bool clicked = false;
    QTimer::singleShot(50ms, window.get(), [&] {
        control<QPushButton>("Button17").click();  // a single reading
        clicked = true;
    });
    const auto start = SteadyClock::now();
    control<QPushButton>("Button25").click();
    const auto elapsed = SteadyClock::now() - start;

    EXPECT_TRUE(clicked);
    EXPECT_GE(elapsed, 300ms);
    EXPECT_TRUE(port.written.empty());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(events, (std::vector<std::string>{"command step", "command ended"}));

    // Afterwards the same click runs.
    port.replyRegisters(1, {0x41C8, 0x0000, 1, 0, 0, 0, 0});
    control<QPushButton>("Button17").click();
    EXPECT_EQ(port.written.size(), 1u);
}

TEST_F(WindowAsBuilt, ACloseDuringAPauseRunsOnceAfterTheCommandEnded) {
    window->show();
    addPausingCommand(control<QPushButton>("Button25"), 300ms,
                      [this] { events.push_back("command step"); });
    QTimer::singleShot(50ms, window.get(), [&] {
        events.push_back("close asked");
        window->close();
        events.push_back(window->isVisible() ? "still open" : "closed");
        window->close();  // a second request changes nothing
    });
    control<QPushButton>("Button25").click();

    // The command ended at its next step, then the close sequence ran once.
    EXPECT_EQ(events, (std::vector<std::string>{"close asked", "still open", "command ended",
                                                "port closed"}));
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(port.closes, 1);
    EXPECT_TRUE(fs::exists(folder / "dev.dat"));
    EXPECT_TRUE(boxes.shown.empty());

    // Closed is closed: nothing runs again.
    window->close();
    EXPECT_EQ(port.closes, 1);
}

TEST_F(WindowAsBuilt, ClosingWhilePollingWritesNoMeasurementLineAfterTheCloseBegan) {
    window->show();
    state.measurementLog.writeFile = 1;
    state.measurementLog.fileName = (folder / "izm.txt").string();
    window->selectPage(TForm1::kMeasurePage);
    control<QPushButton>("Button18").click();
    ASSERT_TRUE(runUntil([&] { return state.polling.cycles >= 1; }, 5000));

    // dev.dat cannot be saved: the close shows its error box, and the window's
    // timers keep running under it for longer than a polling cycle.
    fs::remove(folder / "dev.dat");
    fs::create_directory(folder / "dev.dat");
    std::size_t linesAtClose = 0;
    std::size_t readsAtClose = 0;
    boxes.whileShown = [&](const MessageBox&) { runFor(1500); };
    events.clear();
    QTimer::singleShot(0ms, window.get(), [&] {
        linesAtClose = lines(folder / "izm.txt");
        window->close();
    });
    runUntil([&] { return !window->isVisible(); }, 5000);
    readsAtClose = std::count(events.begin(), events.end(), "port read");

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Error);
    EXPECT_EQ(lines(folder / "izm.txt"), linesAtClose);
    EXPECT_EQ(readsAtClose, 0u);
    EXPECT_FALSE(state.polling.polling);
    EXPECT_FALSE(window->timer(4).isActive());
}

}  // namespace
}  // namespace m8163
