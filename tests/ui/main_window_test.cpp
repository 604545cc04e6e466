// The window as its users and the page code meet it: controls found by name,
// their lists, visibility, hints and the page change rule.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "recorders.h"
#include "scripted_port.h"
#include "ui/window/main_window.h"
#include "ui/window/window_init.h"

namespace m8163 {
namespace {

CatalogueLists catalogueOf(int designTypes, unsigned storedDesign) {
    CatalogueLists lists;
    for (int i = 0; i < designTypes; ++i) {
        lists.designTypes.push_back("Тип " + std::to_string(i));
    }
    lists.mountingLengths = {"", "80 мм", "100 мм"};
    lists.caseTypes = {"", "К1"};
    lists.designType = storedDesign;
    lists.mountingLength = 2;
    lists.caseType = 1;
    return lists;
}

class WindowTest : public ::testing::Test {
  protected:
    AppState state;
    test::ScriptedPort port;
    test::RecordingBoxes boxes;
    test::RecordingPump pump;
    test::FixedClock clock;
    TForm1 window{state, port, {&boxes, &pump, &clock}};

    void SetUp() override { initialiseWindowContents(window, catalogueOf(26, 3)); }

    QComboBox& list(const char* name) { return window.control<QComboBox>(name); }
    QWidget& widget(const char* name) { return window.control<QWidget>(name); }
    void show() {
        window.show();
        QApplication::processEvents();
    }
    // A press on a tab, as the user's mouse gives it.
    void clickTab(int index) {
        QTabBar* bar = window.notebook().tabBar();
        const QPointF at = bar->tabRect(index).center();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, at, bar->mapToGlobal(at), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            QApplication::sendEvent(bar, &event);
        }
    }
};

TEST_F(WindowTest, CaptionSizeAndNotebook) {
    EXPECT_EQ(window.objectName(), "Form1");
    EXPECT_EQ(window.windowTitle(), "ZOVO 8163  0.0.2");
    EXPECT_EQ(window.size(), QSize(TForm1::kClientWidth, TForm1::kClientHeight));
    QTabWidget& notebook = window.notebook();
    EXPECT_EQ(notebook.geometry(), QRect(24, 129, 889, 536));
    EXPECT_TRUE(notebook.font().bold());
    EXPECT_EQ(notebook.font().pixelSize(), 16);
    const QStringList captions = {"Измеренное значение", "Настройки датчика", "Параметры обмена",
                                  "Поиск"};
    ASSERT_EQ(notebook.count(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(notebook.tabText(i), captions[i]);
    }
    EXPECT_EQ(notebook.currentIndex(), TForm1::kExchangePage);
    EXPECT_EQ(window.control<QLabel>("Panel1").font().pixelSize(), 32);
    EXPECT_TRUE(window.control<QLabel>("Panel10").font().bold());
    EXPECT_EQ(window.control<QPushButton>("Button17").geometry(), QRect(480, 8, 273, 33));
    EXPECT_EQ(window.control<QPushButton>("Button17").text(), "Прочитать однократно");
}

TEST_F(WindowTest, ShownCentredWithItsCaptionOnTheScreen) {
    window.showCentred();
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frame = window.frameGeometry();
    EXPECT_GE(frame.left(), available.left());
    EXPECT_GE(frame.top(), available.top());
    if (available.width() >= frame.width() && available.height() >= frame.height()) {
        EXPECT_LE((frame.center() - available.center()).manhattanLength(), 2);
    }
}

// The offscreen screen (800 x 600) is smaller than the layout: the window
// opens no larger than the screen, the layout keeps its size and scrolls;
// made larger, the window shows the layout in its middle.
TEST_F(WindowTest, FitsASmallScreenAndScrollsTheLayout) {
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_LT(available.width(), TForm1::kClientWidth);
    window.showCentred();
    QApplication::processEvents();
    const QRect frame = window.frameGeometry();
    EXPECT_TRUE(available.contains(frame))
        << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height() << " in "
        << available.width() << "x" << available.height();
    EXPECT_EQ(window.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    EXPECT_LT(window.minimumSizeHint().width(), available.width());

    auto& scroller = window.control<QScrollArea>("ClientScroller");
    QWidget& client = widget("ClientArea");
    EXPECT_EQ(client.size(), QSize(TForm1::kClientWidth, TForm1::kClientHeight));
    EXPECT_GT(scroller.horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(scroller.verticalScrollBar()->maximum(), 0);
    // Scrolled to its end, the layout's right and bottom edges show.
    scroller.horizontalScrollBar()->setValue(scroller.horizontalScrollBar()->maximum());
    scroller.verticalScrollBar()->setValue(scroller.verticalScrollBar()->maximum());
    const QPoint corner =
        client.mapTo(scroller.viewport(), QPoint(client.width(), client.height()));
    EXPECT_EQ(corner.x(), scroller.viewport()->width());
    EXPECT_EQ(corner.y(), scroller.viewport()->height());

    window.resize(TForm1::kClientWidth + 200, TForm1::kClientHeight + 100);
    QApplication::processEvents();
    EXPECT_EQ(client.size(), QSize(TForm1::kClientWidth, TForm1::kClientHeight));
    EXPECT_EQ(client.mapTo(&window, QPoint(0, 0)), QPoint(100, 50));
}

TEST_F(WindowTest, ListsHoldTheirEntriesAtTheirIndexes) {
    // Every entry of every list, made here from the layout's own rules.
    auto number = [](int first) { return [first](int i) { return QString::number(first + i); }; };
    auto table = [](QStringList entries) { return [entries](int i) { return entries.at(i); }; };
    const QStringList speeds = {"1200",  "2400",  "4800",  "9600",
                                "19200", "38400", "57600", "115200"};
    const auto address = [](int i) {
        char text[8];
        std::snprintf(text, sizeof text, "%3u", static_cast<unsigned>(i));
        return QString::fromLatin1(text);
    };
    const auto averaging = [](int i) { return QString::number(1 << i); };
    struct Case {
        const char* list;
        int count;
        std::function<QString(int)> entry;
    };
    const Case cases[] = {
        {"ComboBox1", 8, [](int i) { return QStringLiteral("COM %1").arg(i + 1); }},
        {"ComboBox2", 8, table(speeds)},
        {"ComboBox4", 8, table(speeds)},
        {"ComboBox3", 248, address},
        {"ComboBox5", 248, address},
        {"ComboBox12", 248, address},
        {"ComboBox13", 248, address},
        {"ComboBox7", 31, number(1)},
        {"ComboBox8", 12, number(1)},
        {"ComboBox9", 16, number(2000)},
        {"ComboBox6", 2551,
         [](int k) {
             char text[16];
             std::snprintf(text, sizeof text, "%3.1f", k * 0.1);
             return k == 0 ? QStringLiteral("отключен") : QString::fromLatin1(text);
         }},
        {"ComboBox11", 10, averaging},
        {"ComboBox17", 10, averaging},
        {"ComboBox14", 26, [](int i) { return QStringLiteral("Тип %1").arg(i); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        QComboBox& l = list(c.list);
        ASSERT_EQ(l.count(), c.count);
        for (int i = 0; i < c.count; ++i) {
            ASSERT_EQ(l.itemText(i), c.entry(i)) << "entry " << i;
        }
        // An entry is found at its own index, as the page code looks entries up.
        EXPECT_EQ(l.findText(c.entry(c.count - 1)), c.count - 1);
        EXPECT_EQ(l.findText(c.entry(c.count / 2)), c.count / 2);
    }
    EXPECT_EQ(list("ComboBox3").itemText(0), "  0");
    EXPECT_EQ(list("ComboBox6").itemText(2550), "255.0");
    EXPECT_EQ(list("ComboBox10").count(), 25);
    EXPECT_FALSE(list("ComboBox10").itemText(0).isEmpty());

    // Lists with the same entries keep one copy of them; each keeps its own pick.
    EXPECT_EQ(list("ComboBox3").model(), list("ComboBox13").model());
    list("ComboBox3").setCurrentIndex(17);
    EXPECT_EQ(list("ComboBox3").currentText(), " 17");
    EXPECT_EQ(list("ComboBox5").currentIndex(), -1);
    EXPECT_EQ(list("ComboBox12").currentText(), "ComboBox12");
}

TEST_F(WindowTest, FilledListsKeepTheirTextAndNoSelection) {
    EXPECT_EQ(list("ComboBox17").currentIndex(), -1);
    EXPECT_EQ(list("ComboBox17").currentText(), "Нет данных");
    EXPECT_EQ(list("ComboBox10").currentText(), " Нет данных");
    EXPECT_EQ(list("ComboBox12").currentText(), "ComboBox12");
    EXPECT_EQ(list("ComboBox1").currentIndex(), -1);
    for (const char* name : {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5"}) {
        EXPECT_TRUE(window.control<QLineEdit>(name).text().isEmpty()) << name;
    }
    EXPECT_EQ(window.control<QLineEdit>("Edit7").text(), " Нет данных");
    EXPECT_EQ(window.control<QLineEdit>("Edit22").maxLength(), 32);
    EXPECT_EQ(window.control<QLineEdit>("Edit23").maxLength(), 16);
    EXPECT_TRUE(window.control<QLineEdit>("Edit6").isReadOnly());
}

TEST_F(WindowTest, TheAveragingListShowsNoDataWhole) {
    window.show();
    window.notebook().setCurrentIndex(TForm1::kSensorPage);
    QComboBox& averaging = list("ComboBox17");
    QLineEdit& field = *averaging.lineEdit();
    // A line edit keeps two pixels free at each side of its text.
    const int needed = field.fontMetrics().horizontalAdvance(averaging.currentText()) + 4;
    EXPECT_LE(needed, field.contentsRect().width()) << "the text is cut";
    EXPECT_EQ(field.cursorPosition(), 0);
}

TEST_F(WindowTest, CatalogueListsSelectTheStoredIndexOnlyWhenItExists) {
    EXPECT_EQ(list("ComboBox14").currentIndex(), 3);
    EXPECT_EQ(list("ComboBox15").currentIndex(), 2);
    EXPECT_EQ(list("ComboBox16").currentIndex(), 1);

    struct Case {
        unsigned stored;
        int selected;
    };
    for (Case c : {Case{25, 25}, Case{26, 0}, Case{30, 0}, Case{0xFFFFFFFFu, 0}}) {
        SCOPED_TRACE(c.stored);
        AppState other;
        TForm1 fresh{other, port, {&boxes, &pump, &clock}};
        initialiseWindowContents(fresh, catalogueOf(26, c.stored));
        EXPECT_EQ(fresh.control<QComboBox>("ComboBox14").count(), 26);
        EXPECT_EQ(fresh.control<QComboBox>("ComboBox14").currentIndex(), c.selected);
    }
}

TEST_F(WindowTest, HiddenControlsStayHiddenAndCoveredOnesLieBeneathTheirPanels) {
    show();
    EXPECT_TRUE(widget("Button9").isVisible());  // the exchange page shows
    for (const char* name :
         {"Button25", "Button11", "Button12", "Label12", "ComboBox6", "Label22", "Label18",
          "Bevel1", "Bevel5", "Button3", "Button8", "Button13", "Button14", "Button10"}) {
        EXPECT_TRUE(widget(name).isHidden()) << name;
    }
    // A covered control exists and is not hidden, but a panel above it
    // takes every point of it.
    struct Covered {
        const char* control;
        const char* panel;
    };
    const Covered covered[] = {
        {"Label24", "Panel3"},     {"Label33", "Panel3"},    {"Label41", "Panel3"},
        {"Label32", "Panel3"},     {"Edit6", "Panel12"},     {"Edit9", "Panel12"},
        {"ComboBox10", "Panel12"}, {"CheckBox5", "Panel12"}, {"ComboBox14", "Panel12"},
        {"BitBtn1", "Panel12"},    {"Button21", "Panel12"},  {"Label46", "Panel12"},
        {"Edit1", "Panel4"},       {"Edit2", "Panel4"},      {"ComboBox7", "Panel7"},
        {"ComboBox9", "Panel7"},   {"Edit3", "Panel18"},     {"Edit5", "Panel18"},
    };
    for (const Covered& c : covered) {
        SCOPED_TRACE(c.control);
        QWidget& control = widget(c.control);
        QWidget& panel = widget(c.panel);
        ASSERT_EQ(control.parentWidget(), panel.parentWidget());
        EXPECT_FALSE(control.isHidden());
        EXPECT_TRUE(panel.geometry().contains(control.geometry()));
        QWidget* page = panel.parentWidget();
        EXPECT_GT(page->children().indexOf(&panel), page->children().indexOf(&control));
    }
    // Visible display panels on the covering panels show their design names.
    EXPECT_EQ(window.control<QLabel>("Panel5").text(), "Panel5");
    EXPECT_EQ(window.control<QLabel>("Panel13").text(), "Нет данных");
}

TEST_F(WindowTest, FileMenuIsHiddenAndDialogsKeepTheProfileFilter) {
    auto* file = window.findChild<QAction*>("N1");
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(file->isVisible());
    EXPECT_EQ(file->text(), "Файл");
    EXPECT_NE(window.findChild<QAction*>("N2"), nullptr);
    EXPECT_NE(window.findChild<QAction*>("N3"), nullptr);
    for (const char* name : {"OpenDialog1", "SaveDialog1"}) {
        auto* dialog = window.findChild<QObject*>(name);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->property("nameFilters").toStringList(),
                  QStringList({"профиль настроек модуля (*.prf)", "все файлы (*)"}));
    }
}

TEST_F(WindowTest, OnlyTimersThatDoWorkRun) {
    // Timer5 ticks once after creation; polling is off, so Timer4 waits for
    // a start; the others have no work and never wake the program.
    const int intervals[] = {1000, 4000, 500, 1000, 1000, 1000};
    for (int number = 1; number <= 6; ++number) {
        SCOPED_TRACE(number);
        EXPECT_EQ(window.timer(number).isActive(), number == 5);
        EXPECT_EQ(window.timer(number).interval(), intervals[number - 1]);
    }
}

TEST_F(WindowTest, HintsAreToolTipsOfEveryControlThatHasOne) {
    EXPECT_EQ(widget("ComboBox1").toolTip(), "Номер порта");
    EXPECT_EQ(widget("Button15").toolTip(),
              "Выставить параметры обмена с включенным в модулем режимом INIT");
    EXPECT_EQ(widget("Button11").toolTip(), "Прочитать все параметры модуля");  // hidden
    EXPECT_EQ(widget("Panel21").toolTip(), "Версия железа модуля");
    EXPECT_EQ(widget("CheckBox19").toolTip(), "Модуль будет искаться на скорости 115200");
    EXPECT_EQ(widget("Button34").toolTip(), "Остановить поиск модулей");
    EXPECT_TRUE(widget("Label1").toolTip().isEmpty());
}

TEST_F(WindowTest, LeavingAnotherPageStopsPollingAndLeavingPage0DoesNot) {
    show();
    auto& start = window.control<QPushButton>("Button18");
    auto& stop = window.control<QPushButton>("Button19");
    window.selectPage(TForm1::kMeasurePage);
    state.polling.polling = true;
    start.setEnabled(false);
    stop.setEnabled(true);

    clickTab(TForm1::kExchangePage);  // leaving page 0: the next tick stops polling
    ASSERT_EQ(window.notebook().currentIndex(), TForm1::kExchangePage);
    EXPECT_TRUE(state.polling.polling);
    EXPECT_FALSE(start.isEnabled());
    EXPECT_TRUE(stop.isEnabled());

    clickTab(TForm1::kMeasurePage);  // leaving page 2
    ASSERT_EQ(window.notebook().currentIndex(), TForm1::kMeasurePage);
    EXPECT_FALSE(state.polling.polling);
    EXPECT_TRUE(start.isEnabled());
    EXPECT_FALSE(stop.isEnabled());
}

TEST_F(WindowTest, ThePageChosenByTheProgramRunsNoPageChange) {
    state.polling.polling = true;
    window.selectPage(TForm1::kSearchPage);
    window.selectPage(TForm1::kMeasurePage);
    EXPECT_TRUE(state.polling.polling);
}

}  // namespace
}  // namespace m8163
