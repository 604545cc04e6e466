// The window as the program builds it: typing aids, the command guard, and
// the close sequence, driven by clicks and the window's own timers.
#include "program_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>

#include "ui/measure/measure_page.h"
#include "ui/shell/command_guard.h"

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
    // When each request was written, from now on.
    void recordWriteTimes() {
        port.onWrite = [this] { writes_.push_back(SteadyClock::now()); };
    }
    const std::vector<SteadyClock::time_point>& writes() const { return writes_; }
    std::size_t lines(const fs::path& file) {
        std::ifstream in(file);
        std::size_t n = 0;
        for (std::string line; std::getline(in, line);)
            ++n;
        return n;
    }

  private:
    std::vector<SteadyClock::time_point> writes_;
};

// Notes when `widget` is next painted after `mark()`.
class PaintWatch : public QObject {
  public:
    explicit PaintWatch(QWidget& widget) { widget.installEventFilter(this); }
    void mark() {
        marked = SteadyClock::now();
        painted.reset();
    }
    SteadyClock::time_point marked;
    std::optional<SteadyClock::time_point> painted;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !painted)
            painted = SteadyClock::now();
        return false;
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

// Enter and keypad Enter on the focused button press it, as Space does; with
// a modifier, or on a check box, Enter presses nothing. Keys come as the
// window system delivers them: to the window, which hands them to the focus.
TEST_F(WindowAsBuilt, EnterOnAFocusedButtonPressesIt) {
    window->selectPage(TForm1::kMeasurePage);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(runUntil([&] { return window->windowHandle()->isExposed(); }, 5000));
    struct Case {
        const char* focused;
        int key;
        Qt::KeyboardModifiers modifiers;
        std::size_t readings;  // requests the keys make
    };
    const Case cases[] = {
        {"Button17", Qt::Key_Return, Qt::NoModifier, 1},
        {"Button17", Qt::Key_Enter, Qt::KeypadModifier, 1},
        {"Button17", Qt::Key_Space, Qt::NoModifier, 1},
        {"Button17", Qt::Key_Return, Qt::ControlModifier, 0},
        {"CheckBox7", Qt::Key_Return, Qt::NoModifier, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.focused) + " " + std::to_string(c.key));
        QWidget& target = control<QWidget>(c.focused);
        target.setFocus(Qt::TabFocusReason);
        ASSERT_EQ(QApplication::focusWidget(), &target);
        port.written.clear();
        port.replyRegisters(1, {0x41C8, 0x0000, 1, 0, 0, 0, 0});
        const QString text = c.key == Qt::Key_Space ? QStringLiteral(" ") : QStringLiteral("\r");
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
            QCoreApplication::postEvent(window->windowHandle(),
                                        new QKeyEvent(type, c.key, c.modifiers, text));
        runFor(100);
        EXPECT_EQ(port.written.size(), c.readings);
        EXPECT_FALSE(control<QCheckBox>("CheckBox7").isChecked());
        port.replies.clear();
    }
    EXPECT_EQ(control<QLabel>("Panel1").text(), "    25.0000");
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

TEST_F(WindowAsBuilt, WhileAReplyIsAwaitedTheWindowPaintsAndClicksWaitTheirTurnInOrder) {
    window->show();
    window->selectPage(TForm1::kMeasurePage);
    // Placed where it stays, so that the clicks' screen positions hold.
    runFor(200);
    lateReply(2000ms);
    port.replyRegisters(1, {0x41C8, 0x0000, 1, 0, 0, 0, 0});
    std::vector<std::string> order;
    std::vector<SteadyClock::time_point> writes;
    port.onWrite = [&] {
        order.push_back("request");
        writes.push_back(SteadyClock::now());
    };
    boxes.whileShown = [&](const MessageBox& box) { order.push_back(box.text); };
    QLabel& counter = control<QLabel>("Label56");
    PaintWatch watch(counter);
    QTimer::singleShot(300ms, window.get(), [&] {
        counter.setText("7");
        watch.mark();
        // "Сброс счетчиков", then a second reading, clicked while the first
        // reading waits.
        postClick("Button16");
    });
    QTimer::singleShot(400ms, window.get(), [&] { postClick("Button17"); });
    control<QPushButton>("Button17").click();
    ASSERT_TRUE(runUntil([&] { return order.size() == 5; }, 5000)) << testing::PrintToString(order);

    ASSERT_TRUE(watch.painted);
    EXPECT_LT(*watch.painted - watch.marked, 100ms);
    // Both clicks ran after the first reading had its reply, in the order
    // they came; the second reading did not start before the first ended.
    const std::string read = "Прочитано измеренное значение.";
    EXPECT_EQ(order,
              (std::vector<std::string>{"request", read, "Счетчики циклов и ошибок будут сброшены!",
                                        "request", read}));
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_GE(writes[1] - writes[0], 2000ms);
}

TEST_F(WindowAsBuilt, APollingTickDueDuringAWaitRunsRightAfterIt) {
    window->show();
    window->selectPage(TForm1::kMeasurePage);
    recordWriteTimes();
    lateReply(2000ms);
    port.replyRegisters(1, {0x41C8, 0x0000, 1, 0, 0, 0, 0});
    control<QPushButton>("Button18").click();  // polling on: a tick within a second
    window->measurePage().readOnce();          // a reading that waits 2 s
    ASSERT_TRUE(runUntil([&] { return writes().size() == 2; }, 5000));
    const auto afterReply = writes()[1] - (writes()[0] + 2000ms);
    EXPECT_LT(afterReply, 300ms);
    EXPECT_EQ(state.polling.cycles, 1u);
}

TEST_F(WindowAsBuilt, ACloseDuringAWaitRunsTheCloseSequenceOnceAfterTheCommand) {
    window->show();
    boxes.whileShown = [&](const MessageBox& box) { events.push_back(box.text); };
    lateReply(2000ms);
    QTimer::singleShot(300ms, window.get(), [&] {
        events.push_back("close asked");
        window->close();
    });
    control<QPushButton>("Button17").click();
    // The reading ends; its box is answered at once (nobody need be there
    // once the window is closing), then the close runs.
    EXPECT_EQ(events, (std::vector<std::string>{"port read", "close asked", "port closed"}));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(port.closes, 1);
    EXPECT_EQ(port.written.size(), 1u);
    EXPECT_TRUE(fs::exists(folder / "dev.dat"));
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
