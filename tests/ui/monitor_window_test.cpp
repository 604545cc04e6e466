// The exchange monitor's rows, files, size and place, over the transactions
// as the window runs them (a scripted port) and the monitor window offscreen.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <array>
#include <filesystem>

#include "program_window.h"
#include "protocol/transactions.h"
#include "recorders.h"
#include "scoped_time_zone.h"
#include "scripted_port.h"
#include "ui/monitor/exchange_monitor.h"
#include "ui/monitor/frame_cells.h"
#include "ui/monitor/monitor_place.h"
#include "ui/monitor/monitor_window.h"

namespace m8163 {
namespace {

namespace fs = std::filesystem;
using test::fileText;

// Exchanges made through the real transactions into a store, in a scratch
// working folder (the monitor keeps its place in the profile there).
class MonitorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char name[] = "/tmp/m8163-monitor-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        previous = fs::current_path();
        fs::current_path(folder);
        settings.moduleAddress = 1;
    }
    void TearDown() override {
        fs::current_path(previous);
        fs::remove_all(folder);
    }
    // A reading of the measured-value block, 25.1086 and 3755.
    void reading() {
        port.replyRegisters(1, {0x41C8, 0xDE76, 0x0EAB, 0, 0, 0, 0});
        std::array<std::uint16_t, 7> values{};
        readRegisters(ModbusLine{port, settings, clock, 0, &store}, 0, values);
    }
    const MonitorFrame& frame(std::size_t i) const { return store.frames()[i]; }

    fs::path folder, previous;
    test::ScriptedPort port;
    ConnectionSettings settings;
    test::FixedClock clock;
    FrameStore store;
};

// In the table a normal reply's meaning is its typed values (the hex is in
// the bytes beside it, module and function in the request above); the
// hint, a copy and a file keep the decoder's whole text. An exchange over a
// port that is not open was not sent: both rows say so, with the reason,
// and no duration.
TEST_F(MonitorTest, RowsShowTheValuesAndExchangesThatWereNotSent) {
    reading();
    const auto request = frameCells(frame(0));
    const auto reply = frameCells(frame(1));
    EXPECT_EQ(request[kDirectionColumn], "→ запрос");
    EXPECT_EQ(reply[kDirectionColumn], "← ответ");
    EXPECT_EQ(reply[kMeaningColumn],
              "измеренное значение = 25.1086; относительное значение = 3755; статус измерения "
              "= норма");
    EXPECT_NE(frameMeaning(frame(1)).find("41C8 DE76 0EAB"), std::string::npos);
    EXPECT_NE(framesText({&frame(1)}).find("41C8 DE76 0EAB"), std::string::npos);

    port.openState = false;
    port.setNotOpenReason("Порт не открыт: нет устройства /dev/ttyUSB0.");
    reading();
    const auto unsentRequest = frameCells(frame(2));
    const auto unsentReply = frameCells(frame(3));
    EXPECT_EQ(unsentRequest[kDirectionColumn], "→ не отправлен");
    EXPECT_EQ(unsentRequest[kBytesColumn], "01 03 00 00 00 07 04 08");
    EXPECT_EQ(unsentReply[kDirectionColumn], "— не отправлен");
    EXPECT_EQ(unsentReply[kMeaningColumn],
              "запрос не отправлен: Порт не открыт: нет устройства /dev/ttyUSB0.");
    EXPECT_EQ(unsentReply[kDurationColumn], "");
    EXPECT_EQ(unsentReply[kResultColumn], "Порт не открыт.");
    EXPECT_TRUE(frame(2).failed());
    EXPECT_TRUE(frame(3).failed());
}

// CSV: times in ISO 8601 with the offset, durations as numbers under a
// header that names the unit, the meaning whole.
TEST_F(MonitorTest, CsvHasIsoTimesAndDurationsInMilliseconds) {
    const test::ScopedTimeZone zone("IST-5:30");
    clock.time = {2026, 12, 11, 9, 23, 53, 422};
    reading();
    MonitorFrame reply = frame(1);
    reply.duration = std::chrono::microseconds(2'255'400);
    const std::string csv = framesCsv({&frame(0), &reply});
    EXPECT_EQ(
        csv.substr(0, csv.find("\r\n")),
        "\"Время\",\"Направление\",\"Байты\",\"Значение\",\"Длительность, мс\",\"Результат\"");
    EXPECT_NE(csv.find("\r\n\"2026-12-11T09:23:53.422+05:30\",\"→ запрос\","), std::string::npos)
        << csv;
    EXPECT_NE(csv.find(",\"2255\",\"норма\"\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("41C8 DE76 0EAB"), std::string::npos);
    // The table keeps its unit in the cell.
    EXPECT_EQ(frameCells(reply)[kDurationColumn], "2255 мс");
}

// The name typed chooses the format by its extension; only a name without
// one gets the filter's.
TEST(MonitorSavePath, TheExtensionTypedChoosesTheFormat) {
    const QString text = "Текст (*.txt)", csv = "Таблица CSV (*.csv)";
    struct Case {
        const char* typed;
        QString filter;
        const char* path;
    };
    const Case cases[] = {
        {"/tmp/mon.csv", text, "/tmp/mon.csv"}, {"/tmp/mon.txt", csv, "/tmp/mon.txt"},
        {"/tmp/mon", csv, "/tmp/mon.csv"},      {"/tmp/mon", text, "/tmp/mon.txt"},
        {"/tmp/mon.log", csv, "/tmp/mon.log"},  {"", text, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MonitorWindow::savePath(QString::fromUtf8(c.typed), c.filter),
                  QString::fromUtf8(c.path))
            << c.typed;
}

// At its default size a reading's meaning is whole in its cell and no
// header is cut.
TEST_F(MonitorTest, TheDefaultSizeShowsAReadingWholeAndEveryHeader) {
    reading();
    test::RecordingBoxes boxes;
    MonitorWindow monitor(store, boxes, nullptr);
    monitor.resize(monitor.defaultSize());
    monitor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&monitor));
    auto& table = *monitor.findChild<QTableView*>(QStringLiteral("MonitorTable"));
    const QHeaderView& header = *table.horizontalHeader();
    for (int column = 0; column < kMonitorColumns; ++column)
        EXPECT_GE(header.sectionSize(column), header.sectionSizeHint(column)) << column;
    const QString meaning = table.model()->index(1, kMeaningColumn).data().toString();
    EXPECT_TRUE(meaning.startsWith("измеренное значение = 25.1086"));
    EXPECT_GE(header.sectionSize(kMeaningColumn),
              table.fontMetrics().horizontalAdvance(meaning) + 8);
}

// fitToScreen: no larger than the free area, moved into it.
TEST(MonitorPlace, FitsIntoTheFreeAreaOfTheScreen) {
    const QRect screen(0, 0, 800, 600);
    struct Case {
        QRect wanted, fitted;
    };
    const Case cases[] = {
        {{100, 50, 600, 400}, {100, 50, 600, 400}},  // inside: stays
        {{-50, -20, 980, 420}, {0, 0, 800, 420}},    // too wide, partly off
        {{700, 500, 600, 400}, {200, 200, 600, 400}},
        {{2000, 1500, 1300, 900}, {0, 0, 800, 600}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fitToScreen(c.wanted, screen), c.fitted);
    EXPECT_EQ(fitToScreen({10, 10, 300, 200}, QRect(1920, 0, 1280, 1024)),
              QRect(1920, 10, 300, 200));
}

// Opened from the window: inside the screen's free area; Escape closes it
// and keeps its place in the profile, and the next run opens it there.
TEST_F(MonitorTest, EscapeClosesItAndItOpensWhereItWasLeft) {
    test::RecordingBoxes boxes;
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect kept(available.left() + 40, available.top() + 30, 700, 350);
    {
        QWidget window;
        QPushButton button(&window);
        window.resize(400, 300);
        window.show();
        ExchangeMonitor hook(window, button, boxes);
        MonitorWindow& monitor = hook.open();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&monitor));
        EXPECT_TRUE(available.contains(monitor.frameGeometry())) << available.width();
        monitor.setGeometry(kept);
        QTest::keyClick(&monitor, Qt::Key_Escape);
        EXPECT_FALSE(monitor.isVisible());
    }
    EXPECT_NE(fileText(folder / "recent.prf").find("[MONITOR]\r\n"), std::string::npos);
    EXPECT_EQ(loadMonitorPlace((folder / "recent.prf").string()), kept);

    QWidget window;
    QPushButton button(&window);
    ExchangeMonitor hook(window, button, boxes);
    EXPECT_EQ(hook.open().geometry(), kept);
}

}  // namespace
}  // namespace m8163
