#include "ui/measure/measure_page.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <vector>

#include "link/termios_port.h"
#include "protocol/exchange_result.h"
#include "recorders.h"
#include "scripted_port.h"
#include "sim/pty_server.h"
#include "ui/window/program_window.h"

namespace m8163 {
namespace {

// A fresh folder per test, removed at the end.
class TempDir {
  public:
    TempDir() {
        char pattern[] = "/tmp/m8163-measure-page-XXXXXX";
        if (mkdtemp(pattern) != nullptr)
            path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

std::string fileContents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> fileLines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(fileContents(path));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line + "\n");
    return lines;
}

// Runs the event loop until `done` holds or `limit` passes.
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

QColor background(const QLabel& panel) {
    return panel.palette().color(QPalette::Window);
}

const QColor kWhite(255, 255, 255);
const QColor kYellow(255, 255, 0);

QColor buttonFace() {
    return QApplication::palette().color(QPalette::Button);
}

// A scripted port that runs a probe at every read, while the exchange is on.
class ProbingPort : public test::ScriptedPort {
  public:
    std::function<void()> onRead;
    std::size_t read(std::uint8_t* buffer, std::size_t size) override {
        if (onRead)
            onRead();
        return ScriptedPort::read(buffer, size);
    }
};

class MeasurePageTest : public ::testing::Test {
  protected:
    TempDir dir;
    AppState state;
    ProbingPort port;
    test::RecordingBoxes boxes;
    test::RecordingPump pump;
    test::FixedClock clock;
    std::unique_ptr<TForm1> window;
    MeasurePage* page = nullptr;

    void SetUp() override {
        state.connection.moduleAddress = 1;
        state.measurementLog.fileName = dir.path() + "/izm.txt";
        clock.time = {2026, 1, 2, 9, 5, 7, 0};
        window = makeProgramWindow(state, port, WindowSeams{&boxes, &pump, &clock});
        // The page over the state as the test sets it: no start-up sequence.
        ASSERT_TRUE(window->commands().runStartup([](LineLease&) { return true; }));
        page = static_cast<MeasurePage*>(window->findChild<QObject*>("MeasurePage"));
        ASSERT_NE(page, nullptr);
        window->selectPage(TForm1::kMeasurePage);
    }

    QLabel& label(const char* name) { return window->control<QLabel>(name); }
    QPushButton& button(const char* name) { return window->control<QPushButton>(name); }
    std::string text(const char* name) { return label(name).text().toStdString(); }
    std::string logFile() const { return state.measurementLog.fileName; }

    // Caption and background of Panel1, Panel10, Panel2 and Panel3.
    using Panels = std::vector<std::pair<std::string, QColor>>;
    Panels panels() {
        Panels shown;
        for (const char* name : {"Panel1", "Panel10", "Panel2", "Panel3"}) {
            shown.emplace_back(text(name), background(label(name)));
        }
        return shown;
    }
};

TEST_F(MeasurePageTest, SingleReadShowsTheValueBoxAndLogLine) {
    state.measurementLog.writeFile = 1;
    port.replyRegisters(1, {0x41C8, 0x0000, 0xFFFF, 0x0000, 0, 0, 0});
    button("Button17").click();

    EXPECT_EQ(panels(), (Panels{{"    25.0000", kWhite},
                                {"65535", kWhite},
                                {"Нормальное измерение", buttonFace()},
                                {"Нормальный обмен", buttonFace()}}));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0], (MessageBox{"Прочитано измеренное значение.",
                                          "Результат операции",
                                          BoxIcon::Information,
                                          BoxButtons::Ok,
                                          {}}));
    EXPECT_EQ(fileContents(logFile()),
              "09:05:07  IZMF=    25.0000 IZMERR=   0  EXERR=   0    \r\n");
    // The single read neither starts polling nor counts.
    EXPECT_FALSE(state.polling.polling);
    EXPECT_EQ(state.polling.cycles, 0u);
    EXPECT_TRUE(button("Button18").isEnabled());
    EXPECT_FALSE(button("Button19").isEnabled());
}

TEST_F(MeasurePageTest, FaultyStatusCaptionsAndColours) {
    struct Case {
        std::uint16_t status;
        std::string caption;
    };
    const Case cases[] = {
        {0x0003, " Обрыв Ниже НПИ "},
        {0x0018, " ошибка АЦП ошибка EEPROM "},
        {0x0020, " "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        port.replyRegisters(1, {0x41C8, 0x0000, 12, c.status, 0, 0, 0});
        button("Button17").click();
        EXPECT_EQ(panels(), (Panels{{"    25.0000", kYellow},
                                    {"12", kYellow},
                                    {c.caption, kYellow},
                                    {"Нормальный обмен", buttonFace()}}));
    }
    // A normal reading paints them back.
    port.replyRegisters(1, {0x41C8, 0x0000, 12, 0, 0, 0, 0});
    button("Button17").click();
    EXPECT_EQ(panels(), (Panels{{"    25.0000", kWhite},
                                {"12", kWhite},
                                {"Нормальное измерение", buttonFace()},
                                {"Нормальный обмен", buttonFace()}}));
}

TEST_F(MeasurePageTest, FailedSingleReadShowsTheFailureAndLeavesThePanels) {
    state.measurementLog.writeFile = 1;
    port.replyRegisters(1, {0x41C8, 0x0000, 12, 0x0003, 0, 0, 0});
    button("Button17").click();
    const Panels before = panels();
    boxes.shown.clear();

    port.replies.push_back({test::withCrc({0x01, 0x83, 0x02}), 0});
    button("Button17").click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0], (MessageBox{"Адрес данных выходит за допустимые границы.",
                                          "Устройство сообщает об ошибке",
                                          BoxIcon::Warning,
                                          BoxButtons::Ok,
                                          {}}));
    EXPECT_EQ(panels(), before);
    EXPECT_NE(state.measurement.exerr & kDeviceException, 0u);

    port.silence();
    button("Button17").click();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].caption, "Ошибка в обмене.");
    EXPECT_EQ(panels(), before);
    // Only the good reading was logged.
    EXPECT_EQ(fileLines(logFile()).size(), 1u);
}

TEST_F(MeasurePageTest, StartAndStopShowTheSwitchAndReadOnlyOnTicks) {
    button("Button18").click();
    EXPECT_TRUE(state.polling.polling);
    EXPECT_FALSE(button("Button18").isEnabled());
    EXPECT_TRUE(button("Button19").isEnabled());
    EXPECT_TRUE(port.written.empty());  // the first read comes with the next tick

    button("Button19").click();
    EXPECT_FALSE(state.polling.polling);
    EXPECT_TRUE(button("Button18").isEnabled());
    EXPECT_FALSE(button("Button19").isEnabled());
    page->pollingTimerTick();
    EXPECT_TRUE(port.written.empty());
}

TEST_F(MeasurePageTest, FailedFirstPollShowsTheEmptyRecordWithExchangeError) {
    state.measurementLog.writeFile = 1;
    button("Button18").click();
    port.silence();
    page->pollingTimerTick();

    EXPECT_EQ(panels(), (Panels{{"     0.0000", kWhite},
                                {"0", kWhite},
                                {"Нормальное измерение", buttonFace()},
                                {"Ошибка в обмене", kYellow}}));
    EXPECT_EQ(text("Label54"), "1");
    EXPECT_EQ(text("Label55"), "0");
    EXPECT_EQ(text("Label56"), "1");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(fileContents(logFile()),
              "09:05:07  IZMF=     0.0000 IZMERR=   0  EXERR=  6e    \r\n");
}

TEST_F(MeasurePageTest, Timer4RunsOnlyWhilePollingAndNeverOverlapsItsTicks) {
    QTimer& timer4 = window->timer(4);
    EXPECT_FALSE(timer4.isActive());  // nothing to do: the idle program is not woken
    bool activeDuringRead = true;
    port.onRead = [&] { activeDuringRead = timer4.isActive(); };
    button("Button18").click();
    // The first tick comes where the free-running timer would have put it.
    ASSERT_TRUE(timer4.isActive());
    EXPECT_GT(timer4.remainingTime(), 0);
    EXPECT_LE(timer4.remainingTime(), 1000);
    port.replyRegisters(1, {0x41C8, 0x0000, 1, 0, 0, 0, 0});
    page->pollingTimerTick();

    EXPECT_FALSE(activeDuringRead);
    EXPECT_TRUE(timer4.isActive());
    EXPECT_EQ(timer4.interval(), 1000);
    EXPECT_EQ(timer4.timerType(), Qt::PreciseTimer);  // no 5 % slack on the cycle

    // Each way polling goes off stops the timer; a tick that finds it off
    // does not re-arm it.
    button("Button19").click();
    EXPECT_FALSE(timer4.isActive());
    button("Button18").click();
    window->notebook().setCurrentIndex(TForm1::kExchangePage);
    page->pollingTimerTick();
    EXPECT_FALSE(state.polling.polling);
    EXPECT_FALSE(timer4.isActive());
    window->notebook().setCurrentIndex(TForm1::kMeasurePage);
    button("Button18").click();
    page->stopForClose();
    EXPECT_FALSE(timer4.isActive());
}

// Counts the paint events each watched widget receives.
class PaintCounter : public QObject {
  public:
    std::map<std::string, int> paints;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints[watched->objectName().toStdString()];
        return false;
    }
};

TEST_F(MeasurePageTest, ACycleRepaintsOnlyWhatChanged) {
    window->show();
    button("Button18").click();
    port.replyRegisters(1, {0x41C8, 0x0000, 7, 0, 0, 0, 0});
    page->pollingTimerTick();
    QApplication::processEvents();

    // The same reading again: only the cycle counter changes, and it is
    // repainted without the page, the notebook or the window beneath it.
    PaintCounter counter;
    for (const char* name : {"Panel1", "Panel10", "Panel2", "Panel3", "Label54", "Label55",
                             "Label56", "Page0", "TabbedNotebook1"}) {
        window->control<QWidget>(name).installEventFilter(&counter);
    }
    window->installEventFilter(&counter);
    port.replyRegisters(1, {0x41C8, 0x0000, 7, 0, 0, 0, 0});
    page->pollingTimerTick();
    QApplication::processEvents();

    ASSERT_EQ(text("Label54"), "2");
    EXPECT_EQ(counter.paints, (std::map<std::string, int>{{"Label54", 1}}));
}

TEST_F(MeasurePageTest, FailedCyclesKeepTheLastGoodReadingAndCountItsStatusAgain) {
    state.measurementLog.writeFile = 1;
    button("Button18").click();
    port.replyRegisters(1, {0x41C8, 0x0000, 7, 0x0001, 0, 0, 0});
    port.silence();
    port.replyRegisters(1, {0x41C8, 0x0000, 7, 0x0000, 0, 0, 0});
    for (int i = 0; i < 3; ++i) {
        page->pollingTimerTick();
        clock.time.second += 1;
        if (i == 1) {
            EXPECT_EQ(panels(), (Panels{{"    25.0000", kYellow},
                                        {"7", kYellow},
                                        {" Обрыв ", kYellow},
                                        {"Ошибка в обмене", kYellow}}));
        }
    }
    EXPECT_EQ(state.polling.cycles, 3u);
    EXPECT_EQ(state.polling.measurementErrors, 2u);
    EXPECT_EQ(state.polling.exchangeErrors, 1u);
    EXPECT_EQ(text("Label54"), "3");
    EXPECT_EQ(text("Label55"), "2");
    EXPECT_EQ(text("Label56"), "1");
    EXPECT_EQ(fileContents(logFile()),
              "09:05:07  IZMF=    25.0000 IZMERR=   1  EXERR=   0    \r\n"
              "09:05:08  IZMF=    25.0000 IZMERR=   1  EXERR=  6e    \r\n"
              "09:05:09  IZMF=    25.0000 IZMERR=   0  EXERR=   0    \r\n");
}

TEST_F(MeasurePageTest, TickOnAnotherPageStopsPollingBeforeItReads) {
    button("Button18").click();
    window->notebook().setCurrentIndex(TForm1::kExchangePage);  // leaving page 0: still on
    EXPECT_TRUE(state.polling.polling);
    page->pollingTimerTick();
    EXPECT_FALSE(state.polling.polling);
    EXPECT_TRUE(port.written.empty());
    EXPECT_TRUE(button("Button18").isEnabled());
    EXPECT_FALSE(button("Button19").isEnabled());
    // Coming back does not restart it.
    window->notebook().setCurrentIndex(TForm1::kMeasurePage);
    page->pollingTimerTick();
    EXPECT_FALSE(state.polling.polling);
    EXPECT_TRUE(port.written.empty());
}

TEST_F(MeasurePageTest, ResetAsksFirstAndKeepsPolling) {
    button("Button18").click();
    port.replyRegisters(1, {0x41C8, 0x0000, 7, 0x0004, 0, 0, 0});
    page->pollingTimerTick();
    ASSERT_EQ(text("Label54"), "1");
    button("Button16").click();

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0], (MessageBox{"Счетчики циклов и ошибок будут сброшены!",
                                          "Предупреждение",
                                          BoxIcon::Information,
                                          BoxButtons::Ok,
                                          {}}));
    EXPECT_EQ(text("Label54"), "0");
    EXPECT_EQ(text("Label55"), "0");
    EXPECT_EQ(text("Label56"), "0");
    EXPECT_TRUE(state.polling.polling);
}

TEST_F(MeasurePageTest, LogSwitchesFollowTheUsersClicks) {
    QCheckBox& measurementLog = window->control<QCheckBox>("CheckBox7");
    QCheckBox& exchangeLog = window->control<QCheckBox>("CheckBox6");
    measurementLog.setChecked(false);
    measurementLog.click();
    EXPECT_EQ(state.measurementLog.writeFile, 1);
    measurementLog.click();
    EXPECT_EQ(state.measurementLog.writeFile, 0);
    exchangeLog.setChecked(false);
    exchangeLog.click();
    EXPECT_EQ(state.connection.useLogFile, 1);
    exchangeLog.click();
    EXPECT_EQ(state.connection.useLogFile, 0);

    // Turning the measurement log off stops the lines at once; on again appends.
    button("Button18").click();
    port.replyRegisters(1, {0x41C8, 0x0000, 7, 0, 0, 0, 0});
    page->pollingTimerTick();
    EXPECT_FALSE(std::filesystem::exists(logFile()));
    measurementLog.click();
    for (int i = 0; i < 2; ++i) {
        port.replyRegisters(1, {0x41C8, 0x0000, 7, 0, 0, 0, 0});
        page->pollingTimerTick();
    }
    EXPECT_EQ(fileLines(logFile()).size(), 2u);
}

// The real termios port against the simulated module on a pseudo-terminal,
// driven by the window's own Timer4.
class MeasurePageSimTest : public ::testing::Test {
  protected:
    TempDir dir;
    AppState state;
    TermiosPort port;
    test::RecordingBoxes boxes;
    test::RecordingPump pump;
    SystemClock clock;
    std::unique_ptr<sim::PtyServer> server;
    std::unique_ptr<TForm1> window;

    void SetUp() override {
        sim::ServerOptions options;
        options.seed = 7;
        server = std::make_unique<sim::PtyServer>(std::move(options));
        server->start();
        state.connection.moduleAddress = 1;
        state.connection.speed = 19200;
        state.connection.timeoutMs = 150;  // keeps silent cycles short
        state.measurementLog.writeFile = 1;
        state.measurementLog.fileName = dir.path() + "/izm.txt";
        ASSERT_TRUE(port.open(server->path(), {19200, Parity::None}, {}).ok);
        window = makeProgramWindow(state, port, WindowSeams{&boxes, &pump, &clock});
        // The page over the state as the test sets it: no start-up sequence.
        ASSERT_TRUE(window->commands().runStartup([](LineLease&) { return true; }));
        window->selectPage(TForm1::kMeasurePage);
    }
    void TearDown() override {
        window.reset();
        port.close();
        server->stop();
    }

    std::uint64_t requests() {
        std::uint64_t n = 0;
        server->withModule(1, [&](sim::ModuleModel& m) { n = m.counters.requests; });
        return n;
    }
    std::uint64_t replies() {
        std::uint64_t n = 0;
        server->withModule(1, [&](sim::ModuleModel& m) { n = m.counters.replies; });
        return n;
    }
};

TEST_F(MeasurePageSimTest, PollingCountsEveryCycleThroughFaultsAndStopsOnAnotherPage) {
    server->withModule(1, [](sim::ModuleModel& m) {
        m.faults.push_back({sim::FaultKind::Silence, 0, 0.3});
    });
    window->control<QPushButton>("Button18").click();

    const PollingState& counters = state.polling;
    ASSERT_TRUE(runUntil(
        [&] {
            return counters.cycles >= 6 && counters.exchangeErrors >= 1 &&
                   counters.exchangeErrors < counters.cycles;
        },
        60000))
        << counters.cycles << " cycles, " << counters.exchangeErrors << " failed";

    // Each cycle made one request; the good ones are those the module answered.
    const std::uint32_t cycles = counters.cycles;
    EXPECT_EQ(requests(), cycles);
    EXPECT_EQ(cycles, replies() + counters.exchangeErrors);
    EXPECT_EQ(counters.measurementErrors, 0u);
    EXPECT_EQ(window->control<QLabel>("Label54").text().toUInt(), cycles);
    EXPECT_TRUE(boxes.shown.empty());

    // One line per cycle; a failed one repeats the last good value with 6e.
    const std::vector<std::string> lines = fileLines(state.measurementLog.fileName);
    ASSERT_EQ(lines.size(), cycles);
    std::string lastGoodValue;
    std::uint32_t failed = 0;
    for (const std::string& line : lines) {
        SCOPED_TRACE(line);
        ASSERT_EQ(line.size(), 56u);
        const std::string value = line.substr(15, 11);
        const std::string exerr = line.substr(46, 4);
        if (exerr == "  6e") {
            ++failed;
            if (!lastGoodValue.empty()) {
                EXPECT_EQ(value, lastGoodValue);
            }
        } else {
            EXPECT_EQ(exerr, "   0");
            lastGoodValue = value;
        }
    }
    EXPECT_EQ(failed, counters.exchangeErrors);
    const bool lastFailed = lines.back().substr(46, 4) == "  6e";
    EXPECT_EQ(window->control<QLabel>("Panel3").text(),
              lastFailed ? "Ошибка в обмене" : "Нормальный обмен");
    if (!lastGoodValue.empty()) {
        EXPECT_EQ(window->control<QLabel>("Panel1").text().toStdString(), lastGoodValue);
    }

    // Another page: the next tick switches polling off without reading, and
    // the timer stays off from then on.
    window->notebook().setCurrentIndex(TForm1::kSensorPage);
    const std::uint64_t before = requests();
    ASSERT_TRUE(runUntil([&] { return !state.polling.polling; }, 5000));
    EXPECT_EQ(requests(), before);
    EXPECT_EQ(state.polling.cycles, cycles);
    EXPECT_TRUE(window->control<QPushButton>("Button18").isEnabled());
    EXPECT_FALSE(window->timer(4).isActive());
}

TEST_F(MeasurePageSimTest, TheFirstReadComesWithinOneIntervalOfTheStart) {
    // Starts at several points of the timer's rhythm, the program idle before
    // each: every first read comes within the 1000 ms the free-running timer
    // allowed (plus room for a loaded machine), and never at once.
    constexpr qint64 kLoadMarginMs = 500;
    for (int delayMs : {0, 350, 1700}) {
        SCOPED_TRACE(delayMs);
        runUntil([] { return false; }, delayMs);
        const std::uint64_t before = requests();
        QElapsedTimer sinceClick;
        sinceClick.start();
        window->control<QPushButton>("Button18").click();
        EXPECT_EQ(requests(), before);
        ASSERT_TRUE(runUntil([&] { return requests() > before; }, 5000));
        EXPECT_LE(sinceClick.elapsed(), 1000 + kLoadMarginMs);
        window->control<QPushButton>("Button19").click();
    }
}

TEST_F(MeasurePageSimTest, PulledLineCountsFailedCyclesAndKeepsTheLastReading) {
    window->control<QPushButton>("Button18").click();
    ASSERT_TRUE(runUntil([&] { return state.polling.cycles >= 2; }, 20000));
    ASSERT_EQ(state.polling.exchangeErrors, 0u);
    const QString lastGood = window->control<QLabel>("Panel1").text();

    // The far end goes away, as with an adapter pulled out: every cycle fails
    // and polling goes on without a box.
    server->stop();
    const std::uint32_t before = state.polling.cycles;
    ASSERT_TRUE(runUntil([&] { return state.polling.cycles >= before + 2; }, 20000));
    EXPECT_EQ(state.polling.exchangeErrors, state.polling.cycles - before);
    EXPECT_EQ(window->control<QLabel>("Panel1").text(), lastGood);
    EXPECT_EQ(window->control<QLabel>("Panel3").text(), "Ошибка в обмене");
    EXPECT_TRUE(state.polling.polling);
    EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
}  // namespace m8163
