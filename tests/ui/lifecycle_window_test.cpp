// The window as the program builds it, where a command, its boxes, held
// input and a close meet: a close never sends after the port is closed,
// never cuts a write in half, never writes settings after a failed start-up,
// and no box holds the line.
#include <signal.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "program_window.h"
#include "ui/shell/command_guard.h"

namespace m8163 {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using test::fileText;

// How the user (or the desktop) closes the window.
enum class CloseBy { Window, Signal };

void askClose(QWidget& window, CloseBy by) {
    if (by == CloseBy::Window)
        window.close();
    else
        ::raise(SIGTERM);  // the window's handler takes it, as a logout's
}

class LifecycleWindow : public test::ProgramWindowTest {
  protected:
    void SetUp() override {
        ProgramWindowTest::SetUp();
        window->show();
        ASSERT_TRUE(runUntil([&] { return window->windowHandle()->isExposed(); }, 5000));
    }
    // Requests written after the port was closed.
    std::size_t writesAfterClose() const {
        const auto closed = std::find(events.begin(), events.end(), "port closed");
        return static_cast<std::size_t>(std::count(closed, events.end(), "request"));
    }
    void noteRequests() {
        port.onWrite = [this] { events.push_back("request"); };
    }
    void heldClickThenClose(CloseBy by);
};

// A click held back during a silent request, then a close: the close runs
// once the tick has ended, and the held click is dropped.
void LifecycleWindow::heldClickThenClose(CloseBy by) {
    window->selectPage(TForm1::kMeasurePage);
    port.replies.push_back({{}, 0, 800ms});  // the module is silent
    bool asked = false;
    port.onWrite = [&, by] {
        events.push_back("request");
        if (asked)
            return;
        asked = true;
        QTimer::singleShot(100ms, window.get(), [&] { postClick("Button17"); });
        QTimer::singleShot(250ms, window.get(), [&, by] { askClose(*window, by); });
    };
    control<QPushButton>("Button18").click();  // polling on
    ASSERT_TRUE(runUntil([&] { return window->closed(); }, 5000));
    runFor(300);  // the held click would come now
    EXPECT_EQ(std::count(events.begin(), events.end(), "request"), 1);
    EXPECT_EQ(writesAfterClose(), 0u);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(fs::exists(folder / "dev.dat"));
}

TEST_F(LifecycleWindow, HeldInputIsDroppedOnceTheWindowIsClosed) {
    heldClickThenClose(CloseBy::Window);
}

TEST_F(LifecycleWindow, HeldInputIsDroppedOnceASignalClosedTheWindow) {
    heldClickThenClose(CloseBy::Signal);
}

// A close during the sensor page's "Записать": the write runs to its end,
// every block, then the close.
TEST_F(LifecycleWindow, ACloseDuringAWriteLetsItFinishEveryBlock) {
    noteRequests();
    window->selectPage(TForm1::kSensorPage);
    state.sensorSettingsRead = true;
    control<QComboBox>("ComboBox17").setCurrentIndex(9);  // averaging
    control<QLineEdit>("Edit25").setText("1.5");
    control<QLineEdit>("Edit26").setText("0.995");
    control<QLineEdit>("Edit24").setText("ABCDEFGH");
    const auto address = static_cast<std::uint8_t>(state.connection.moduleAddress);
    port.replyWrite(address, 0x0507, 1);
    port.replyWrite(address, 0x0516, 4);
    port.replyWrite(address, 0x040E, 8);
    // In the pause before the first block, after the question was answered.
    QTimer::singleShot(100ms, window.get(), [&] { window->close(); });
    control<QPushButton>("Button36").click();
    ASSERT_TRUE(runUntil([&] { return window->closed(); }, 5000));

    ASSERT_EQ(port.written.size(), 3u);
    EXPECT_EQ(port.written[2][2], 0x04);  // the user text's block, 0x040E
    EXPECT_EQ(port.written[2][3], 0x0E);
    EXPECT_EQ(writesAfterClose(), 0u);
    // Only the question was shown; the success box came after the close was
    // asked and was answered at once.
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].buttons, BoxButtons::YesNo);
}

// No box holds the line: polling goes on under the single reading's box.
TEST_F(LifecycleWindow, PollingTicksRunWhileACommandsBoxIsOpen) {
    noteRequests();
    window->selectPage(TForm1::kMeasurePage);
    for (int i = 0; i < 10; ++i)
        port.replyRegisters(1, {0x41C8, 0x0000, 1, 0, 0, 0, 0});
    state.connection.moduleAddress = 1;
    control<QPushButton>("Button18").click();
    ASSERT_TRUE(runUntil([&] { return state.polling.cycles >= 1; }, 3000));
    long underTheBox = -1;
    boxes.whileShown = [&](const MessageBox&) {
        const auto before = std::count(events.begin(), events.end(), "request");
        runFor(2600);
        underTheBox = std::count(events.begin(), events.end(), "request") - before;
    };
    control<QPushButton>("Button17").click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Прочитано измеренное значение.");
    EXPECT_GE(underTheBox, 2);
    EXPECT_TRUE(state.polling.polling);
}

// The search reopens the port for its trials: where that failed, the state
// line says the port is not open (and not the device it had before).
TEST_F(LifecycleWindow, APortTheSearchCouldNotOpenShowsAsNotOpen) {
    window->selectPage(TForm1::kSearchPage);
    QLabel& stateLine = *window->controls().bar.stateLine;
    const QString openText = stateLine.text();
    ASSERT_EQ(state.portState.condition, PortCondition::Open);
    port.failOpen = true;
    control<QPushButton>("Button33").click();  // "Начать поиск"
    EXPECT_NE(state.portState.condition, PortCondition::Open);
    EXPECT_NE(stateLine.text(), openText);
    EXPECT_FALSE(port.isOpen());
}

// Start-up in a folder of the test's own, with the window's real boxes where
// a test needs a box that only a signal ends.
class StartupClose : public ::testing::Test {
  protected:
    fs::path folder;
    fs::path previous = fs::current_path();
    AppState state;
    test::ScriptedPort port;
    test::OpenBoxes boxes;
    test::FixedClock clock;
    std::unique_ptr<TForm1> window;

    void SetUp() override {
        char name[] = "/tmp/m8163-lifecycle-test.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        fs::current_path(folder);
        port.openState = false;
    }
    void TearDown() override {
        window.reset();
        fs::current_path(previous);
        fs::remove_all(folder);
    }
    void write(const char* file, const std::string& text) {
        std::ofstream(folder / file, std::ios::binary) << text;
    }
    static void runFor(int ms) { test::ProgramWindowTest::runFor(ms); }
};

TEST_F(StartupClose, ASignalDuringARefusedFilesBoxEndsTheProgramAndWritesNothing) {
    const std::string devDat =
        "[COM_SETTINGS]\r\nSettings=9600,E,8,1\r\n[DEVICE]\r\nNetAdrr=7\r\nTimeOut=1500\r\n";
    write("dev.dat", devDat);
    fs::create_directory(folder / "recent.prf");
    window = makeProgramWindow(state, port, WindowSeams{&boxes, nullptr, &clock});
    boxes.whileShown = [&](const MessageBox&) {
        ::raise(SIGTERM);
        runFor(200);
    };
    EXPECT_FALSE(runStartupSequence(*window));
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(window->closed());
    EXPECT_EQ(fileText(folder / "dev.dat"), devDat);
    EXPECT_FALSE(fs::exists(folder / "konstr_type.prf"));
    EXPECT_EQ(port.closes, 0);
}

// The window's own boxes: only the signal can end them (a guard ends a box
// left open after 10 s, and the test fails on the time).
TEST_F(StartupClose, ASignalDuringAStartupBoxEndsItAtOnce) {
    struct Case {
        const char* box;
        bool refusedFile;
    };
    for (const Case& c : {Case{"missing device", false}, Case{"refused file", true}}) {
        SCOPED_TRACE(c.box);
        for (const char* file : {"dev.dat", "recent.prf", "konstr_type.prf"})
            fs::remove_all(folder / file);
        const std::string devDat =
            "[COM_PORTS]\r\nCOM1=" + (folder / "missing-device").string() + "\r\n";
        write("dev.dat", devDat);
        if (c.refusedFile)
            fs::create_directory(folder / "recent.prf");
        port.failOpen = true;
        window = makeProgramWindow(state, port, WindowSeams{nullptr, nullptr, &clock});
        QTimer::singleShot(300ms, [] { ::raise(SIGTERM); });
        QTimer guardTimer;
        guardTimer.setSingleShot(true);
        QObject::connect(&guardTimer, &QTimer::timeout, [] {
            if (QWidget* box = QApplication::activeModalWidget())
                box->close();
        });
        guardTimer.start(10s);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(runStartupSequence(*window), !c.refusedFile);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
        EXPECT_FALSE(window->isVisible());
        if (c.refusedFile) {
            // A failed start writes nothing, and shows no box after the signal.
            EXPECT_FALSE(window->closed());
            EXPECT_EQ(fileText(folder / "dev.dat"), devDat);
        } else {
            // The close ran once, right after start-up: the window is never
            // shown.
            EXPECT_TRUE(window->closed());
            EXPECT_NE(fileText(folder / "dev.dat").find("missing-device"), std::string::npos);
        }
        window.reset();
    }
}

}  // namespace
}  // namespace m8163
