// The exchange monitor of the window as main() builds it, against the
// simulated module on a pseudo-terminal.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <fstream>
#include <iterator>

#include "sim_window.h"
#include "ui/monitor/exchange_monitor.h"
#include "ui/monitor/monitor_window.h"

namespace m8163 {
namespace {

using ExchangeMonitorTest = test::SimWindowTest;

// The texts of a row of the table as shown (filter included).
std::vector<QString> row(QTableView& table, int r) {
    std::vector<QString> cells;
    for (int c = 0; c < table.model()->columnCount(); ++c)
        cells.push_back(table.model()->index(r, c).data().toString());
    return cells;
}

bool red(QTableView& table, int r) {
    return table.model()->index(r, 0).data(Qt::ForegroundRole).isValid();
}

MonitorWindow* openedMonitor(QWidget& window) {
    return window.findChild<MonitorWindow*>(QStringLiteral("ExchangeMonitor"));
}

TEST_F(ExchangeMonitorTest, CtrlMOpensItAndItShowsReadingsAndFailures) {
    start({}, "19200,N,8,1", 1);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    // A reading before the monitor was ever opened is there all the same.
    readOnce();
    EXPECT_EQ(openedMonitor(*window), nullptr);
    QTest::keyClick(window.get(), Qt::Key_M, Qt::ControlModifier);
    MonitorWindow* monitor = openedMonitor(*window);
    ASSERT_NE(monitor, nullptr);
    EXPECT_TRUE(monitor->isVisible());
    EXPECT_EQ(monitor->windowTitle(), "Монитор обмена");
    EXPECT_FALSE(monitor->isModal());
    auto& table = *monitor->findChild<QTableView*>(QStringLiteral("MonitorTable"));
    ASSERT_EQ(table.model()->rowCount(), 2);

    readOnce();
    ASSERT_EQ(table.model()->rowCount(), 4);
    const auto request = row(table, 2);
    EXPECT_EQ(request[1], "→ запрос");
    EXPECT_EQ(request[2], "01 03 00 00 00 07 04 08");
    EXPECT_EQ(request[3], "модуль 1, чтение (03): 0x0000 измеренное значение, 7 рег.");
    const auto reply = row(table, 3);
    EXPECT_TRUE(QRegularExpression(R"(^\d\d:\d\d:\d\d\.\d{3}$)").match(reply[0]).hasMatch())
        << reply[0].toStdString();
    EXPECT_EQ(reply[1], "← ответ");
    // The value the page shows, decoded from the reply.
    const QString value = text("Panel1").trimmed();
    EXPECT_TRUE(reply[3].contains("измеренное значение = " + value)) << reply[3].toStdString();
    EXPECT_TRUE(reply[4].endsWith(" мс"));
    EXPECT_EQ(reply[5], "норма");
    EXPECT_FALSE(red(table, 3));

    // A silenced request: red, in the words of the failure box.
    server->withModule(1, [](sim::ModuleModel& m) { m.faults.push_back({}); });
    readOnce();
    ASSERT_EQ(table.model()->rowCount(), 6);
    const std::string failure =
        "При приеме принято не ожидаемое число символов. Возможно, ответа просто не было.";
    EXPECT_EQ(row(table, 5)[3], "нет ответа");
    EXPECT_TRUE(row(table, 5)[5].startsWith(QString::fromStdString(failure)));
    EXPECT_TRUE(red(table, 4));
    EXPECT_TRUE(red(table, 5));
    EXPECT_EQ(boxes.shown.back().text, failure);

    // Failures only: the two frames of the silent exchange.
    monitor->findChild<QCheckBox*>(QStringLiteral("MonitorFailuresOnly"))->setChecked(true);
    ASSERT_EQ(table.model()->rowCount(), 2);
    table.selectAll();
    const QString copied = monitor->copySelection();
    EXPECT_EQ(copied.count('\n'), 2);
    EXPECT_TRUE(copied.contains(QString::fromStdString(failure)));
    EXPECT_EQ(QApplication::clipboard()->text(), copied);

    // Saved as CSV: the rows shown, with a header.
    monitor->setFileNameAsker(
        [this] { return QString::fromStdString((folder / "x.csv").string()); });
    monitor->findChild<QPushButton*>(QStringLiteral("MonitorSave"))->click();
    std::ifstream file(folder / "x.csv", std::ios::binary);
    const std::string csv{std::istreambuf_iterator<char>(file), {}};
    EXPECT_EQ(csv.rfind("\"Время\",\"Направление\",\"Байты\"", 0), 0u) << csv;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3);

    // Closed, it takes no rows; opened again (the button), it shows them all.
    monitor->findChild<QCheckBox*>(QStringLiteral("MonitorFailuresOnly"))->setChecked(false);
    monitor->close();
    EXPECT_EQ(table.model()->rowCount(), 0);
    server->withModule(1, [](sim::ModuleModel& m) { m.faults.clear(); });
    readOnce();
    control<QPushButton>("ExchangeMonitorButton").click();
    EXPECT_TRUE(monitor->isVisible());
    EXPECT_EQ(table.model()->rowCount(), 8);

    // Paused, the view stands still while the line goes on; resumed, all is there.
    monitor->findChild<QPushButton*>(QStringLiteral("MonitorPause"))->click();
    readOnce();
    EXPECT_EQ(table.model()->rowCount(), 8);
    monitor->findChild<QPushButton*>(QStringLiteral("MonitorPause"))->click();
    EXPECT_EQ(table.model()->rowCount(), 10);
    monitor->findChild<QPushButton*>(QStringLiteral("MonitorClear"))->click();
    EXPECT_EQ(table.model()->rowCount(), 0);
}

TEST_F(ExchangeMonitorTest, TheWindowsRingKeepsTheNewest10000Frames) {
    start({}, "19200,N,8,1", 1);
    auto* hook = window->findChild<ExchangeMonitor*>(QStringLiteral("ExchangeMonitorHook"));
    ASSERT_NE(hook, nullptr);
    // Older exchanges than the line could give in a test's time, as the
    // transactions report them.
    const std::uint8_t request[] = {1, 3, 4, 8, 0, 1, 4, 0xF8};
    for (int i = 0; i < 5100; ++i) {
        hook->store().requestSent({LocalTime{}, request});
        ReceivedFrame reply;
        reply.request = request;
        reply.status.result = kNoReply | kLengthError;
        hook->store().replyReceived(reply);
    }
    readOnce();
    MonitorWindow& monitor = hook->open();
    auto& table = *monitor.findChild<QTableView*>(QStringLiteral("MonitorTable"));
    ASSERT_EQ(table.model()->rowCount(), 10000);
    EXPECT_EQ(row(table, 9998)[2], "01 03 00 00 00 07 04 08");
    EXPECT_EQ(row(table, 9999)[5], "норма");
    readOnce();
    EXPECT_EQ(table.model()->rowCount(), 10000);
    EXPECT_EQ(row(table, 9999)[5], "норма");
    EXPECT_EQ(row(table, 9997)[5], "норма");
    EXPECT_NE(row(table, 9995)[5], "норма");
}

TEST(FrameStoreRing, KeepsTheNewest10000FramesAndTheTableFollows) {
    FrameStore store;
    FrameTableModel model(store);
    model.setWatching(true);
    const std::uint8_t request[] = {1, 3, 0, 0, 0, 7, 4, 8};
    for (int i = 0; i < 6000; ++i) {
        store.requestSent({LocalTime{}, request});
        ReceivedFrame reply;
        reply.request = request;
        reply.status.result = i % 2 == 0 ? 0u : unsigned{kNoReply | kLengthError};
        store.replyReceived(reply);
    }
    ASSERT_EQ(store.frames().size(), kMonitorFrames);
    EXPECT_EQ(model.rowCount(), 10000);
    // The oldest 2000 frames went: the first kept is the 2001st recorded.
    EXPECT_EQ(store.frames().front().serial, 2001u);
    EXPECT_EQ(model.frame(9999).serial, 12000u);
    EXPECT_TRUE(model.frame(9999).failed());
    FailureFilter failures(model);
    failures.setFailuresOnly(true);
    EXPECT_EQ(failures.rowCount(), 5000);
}

}  // namespace
}  // namespace m8163
