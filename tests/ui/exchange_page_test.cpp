// The connection bar and the page "Параметры обмена" in the window as the
// program builds it, over a scripted port.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "program_window.h"
#include "ui/bar/connection_bar.h"
#include "ui/exchange/exchange_page.h"

namespace m8163 {
namespace {

namespace fs = std::filesystem;

// What a silent module is reported as.
constexpr const char* kSilence =
    "При приеме принято не ожидаемое число символов. Возможно, ответа просто не было.";

using test::fileText;

class ExchangeWindow : public test::ProgramWindowTest {
  protected:
    QComboBox& list(const char* name) { return control<QComboBox>(name); }
    QCheckBox& box(const char* name) { return control<QCheckBox>(name); }
    QString text(const char* name) { return control<QLabel>(name).text(); }
    // As the user picks an entry: the index, then the list's pick signal.
    void pick(const char* name, int index) {
        list(name).setCurrentIndex(index);
        emit list(name).activated(index);
    }
    void showImage() { window->exchangePage().refresh(); }
    void showSettings() { window->connectionBar().refresh(); }
    // Replies to the page's six reads, from a module with these words.
    void replyPage(std::uint16_t network, std::uint16_t speedCode, std::uint16_t parity) {
        port.replyRegisters(1, {network, speedCode, parity, 0, 0});
        port.replyRegisters(1, {12, 3456});
        port.replyRegisters(1, {14, 3, 11});
        port.replyRegisters(1, {2, 15});
        port.replyRegisters(1, {0});
        port.replyRegisters(1, {0x8163});
    }
};

TEST_F(ExchangeWindow, StartUpShowsTheImageAndTheSettings) {
    EXPECT_EQ(control<QLineEdit>("Edit3").text(), "0000");
    EXPECT_EQ(text("Panel19"), "0000");
    EXPECT_EQ(text("Panel5"), "0");
    EXPECT_EQ(list("ComboBox1").currentIndex(), 0);
    EXPECT_EQ(list("ComboBox2").currentIndex(), 4);
    EXPECT_EQ(text("Label5"), "COM1, 19200 , без паритета ");
    // The caption is not cut to the label's design width.
    EXPECT_GE(control<QLabel>("Label5").width(), control<QLabel>("Label5").sizeHint().width());
}

// Tab from the last control of "Новые параметры" goes round the window and
// never lands on an identity control that its panel covers; those keep
// their values.
TEST_F(ExchangeWindow, TabNeverReachesTheCoveredIdentityControls) {
    window->selectPage(TForm1::kExchangePage);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    control<QLineEdit>("Edit3").setText("8163");
    box("CheckBox4").setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), &box("CheckBox4"));
    std::vector<std::string> reached;
    for (int step = 0; step < 60; ++step) {
        QTest::keyClick(window.get(), Qt::Key_Tab);
        reached.push_back(QApplication::focusWidget()->objectName().toStdString());
    }
    EXPECT_NE(std::find(reached.begin(), reached.end(), "CheckBox4"), reached.end());
    for (const char* covered :
         {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "ComboBox7", "ComboBox8", "ComboBox9"})
        EXPECT_EQ(std::find(reached.begin(), reached.end(), covered), reached.end()) << covered;
    EXPECT_EQ(control<QLineEdit>("Edit3").text(), "8163");
}

TEST_F(ExchangeWindow, PageRefreshShowsSpeedCodesAndNetworkNumbersInRangeOnly) {
    for (std::uint16_t code = 3; code <= 10; ++code) {
        state.image.word(0x0409) = code;
        showImage();
        EXPECT_EQ(list("ComboBox4").currentIndex(), code - 3) << code;
    }
    list("ComboBox4").setCurrentIndex(1);
    for (std::uint16_t code : {0, 2, 11, 0xFFFF}) {
        state.image.word(0x0409) = code;
        showImage();
        EXPECT_EQ(list("ComboBox4").currentIndex(), 1) << code;
    }

    for (std::uint16_t number : {0, 5, 247}) {
        state.image.word(0x0408) = number;
        showImage();
        EXPECT_EQ(list("ComboBox5").currentIndex(), number);
    }
    // Beyond the list: no number is picked, rather than an old pick that is
    // not the number the image holds.
    for (std::uint16_t number : {250, 256, 0xFFFF}) {
        list("ComboBox5").setCurrentIndex(247);
        state.image.word(0x0408) = number;
        showImage();
        EXPECT_EQ(list("ComboBox5").currentIndex(), -1) << number;
    }
}

TEST_F(ExchangeWindow, PageRefreshShowsTheIdentityOnThePanels) {
    RegisterImage& image = state.image;
    image.word(0x0400) = 0x0A2B;
    image.word(0x0401) = 7;
    image.word(0x0402) = 65535;
    image.word(0x0403) = 3;
    image.word(0x0404) = 270;
    image.word(0x0405) = 31;
    image.word(0x0406) = 12;
    image.word(0x0407) = 15;
    image.word(0x040C) = 25;
    showImage();
    EXPECT_EQ(control<QLineEdit>("Edit3").text(), "0A2B");
    EXPECT_EQ(control<QLineEdit>("Edit2").text(), "65535");
    const std::pair<const char*, const char*> panels[] = {
        {"Panel19", "0A2B"}, {"Panel5", "7"},  {"Panel6", "65535"}, {"Panel21", "3"},
        {"Panel20", "270"},  {"Panel8", "31"}, {"Panel9", "12"},    {"Panel17", "2015"}};
    for (auto [panel, shown] : panels)
        EXPECT_EQ(text(panel), shown) << panel;
    EXPECT_EQ(list("ComboBox6").currentText(), "2.5");

    // Values that name no entry leave the date panels empty.
    image.word(0x0405) = 0;
    image.word(0x0407) = 0xFFFF;
    image.word(0x0400) = 0x00AB;
    showImage();
    EXPECT_EQ(text("Panel8"), "");
    EXPECT_EQ(text("Panel17"), "");
    EXPECT_EQ(text("Panel19"), "00AB");
}

TEST_F(ExchangeWindow, ParityCodesOnThePageAndTheBar) {
    struct Case {
        int code;
        bool on, even;
    };
    for (const Case c : {Case{0, false, false},
                         {1, true, false},
                         {2, true, true},
                         {3, false, false},
                         {0xFFFF, false, false}}) {
        SCOPED_TRACE(c.code);
        state.image.word(0x040A) = static_cast<std::uint16_t>(c.code);
        state.connection.parity = parityFromCode(c.code);
        showImage();
        showSettings();
        EXPECT_EQ(box("CheckBox3").isChecked(), c.on);
        EXPECT_EQ(box("CheckBox4").isChecked(), c.even);
        EXPECT_EQ(box("CheckBox1").isChecked(), c.on);
        EXPECT_EQ(box("CheckBox2").isChecked(), c.even);
    }
}

TEST_F(ExchangeWindow, EvenWithoutParityOnTheBarAndThePageMeansNone) {
    // The page: the take-over reads none and the refresh clears "Четный".
    box("CheckBox4").click();
    EXPECT_EQ(state.image.word(0x040A), 0);
    EXPECT_FALSE(box("CheckBox4").isChecked());

    // The bar: the box stays as the user left it; the settings say none.
    box("CheckBox2").click();
    EXPECT_EQ(state.connection.parity, Parity::None);
    box("CheckBox1").click();
    EXPECT_EQ(state.connection.parity, Parity::Even);
    EXPECT_EQ(text("Label5"), "COM1, 19200 , четный паритет ");
    box("CheckBox2").click();
    EXPECT_EQ(state.connection.parity, Parity::Odd);
    EXPECT_EQ(text("Label5"), "COM1, 19200 , нечетный паритет ");
}

TEST_F(ExchangeWindow, BarRefreshAndCaptionForPortsAndSpeeds) {
    struct Case {
        int port, speed, index, speedIndex;
        const char* caption;
    };
    for (const Case c : {Case{1, 19200, 0, 4, "COM1, 19200 , без паритета "},
                         {3, 1200, 2, 0, "COM3, 1200 , без паритета "},
                         {0, 115200, 0, 7, "COM0, 115200 , без паритета "},
                         {9, 9600, 0, 3, "COM9, 9600 , без паритета "},
                         {2, 14400, 1, 3, "COM2,  без паритета "}}) {
        SCOPED_TRACE(c.caption);
        state.connection.portNumber = c.port;
        state.connection.speed = c.speed;
        showSettings();
        EXPECT_EQ(list("ComboBox1").currentIndex(), c.index);
        EXPECT_EQ(list("ComboBox2").currentIndex(), c.speedIndex);
        EXPECT_EQ(text("Label5"), QString::fromUtf8(c.caption));
    }

    state.connection.moduleAddress = 247;
    state.connection.useLogFile = 1;
    state.measurementLog.writeFile = 0;
    showSettings();
    EXPECT_EQ(list("ComboBox3").currentText(), "247");
    EXPECT_TRUE(box("CheckBox6").isChecked());
    EXPECT_FALSE(box("CheckBox7").isChecked());
    state.connection.useLogFile = 2;  // only 1 means on
    state.measurementLog.writeFile = 1;
    showSettings();
    EXPECT_FALSE(box("CheckBox6").isChecked());
    EXPECT_TRUE(box("CheckBox7").isChecked());
}

TEST_F(ExchangeWindow, BarChangeReopensThePortAndLeavesDevDatAlone) {
    const std::string devDat = fileText(folder / "dev.dat");
    const std::size_t opens = port.openedDevices.size();
    pick("ComboBox2", 3);
    pick("ComboBox3", 5);
    pick("ComboBox1", 2);
    EXPECT_EQ(state.connection.speed, 9600);
    EXPECT_EQ(state.connection.moduleAddress, 5);
    EXPECT_EQ(state.connection.portNumber, 3);
    EXPECT_EQ(text("Label5"), "COM3, 9600 , без паритета ");
    ASSERT_EQ(port.openedDevices.size(), opens + 3);
    EXPECT_EQ(port.openedDevices.back(), "/dev/ttyUSB2");
    EXPECT_EQ(port.line.speed, 9600);
    EXPECT_TRUE(port.written.empty());
    EXPECT_EQ(fileText(folder / "dev.dat"), devDat);

    // A change while the program moves values itself is not one.
    state.refreshGuard = true;
    pick("ComboBox2", 7);
    box("CheckBox1").click();
    state.refreshGuard = false;
    EXPECT_EQ(state.connection.speed, 9600);
    EXPECT_EQ(state.connection.parity, Parity::None);
    EXPECT_EQ(port.openedDevices.size(), opens + 3);
}

TEST_F(ExchangeWindow, ReadFailingAtItsThirdReadLeavesThePageAsItWas) {
    const int speedShown = list("ComboBox4").currentIndex();
    const int numberShown = list("ComboBox5").currentIndex();
    const QString factoryShown = text("Panel6");
    ASSERT_NE(speedShown, 3);
    ASSERT_NE(numberShown, 5);
    port.replyRegisters(1, {5, 6, 2, 0, 0});
    port.replyRegisters(1, {12, 3456});
    port.silence();
    state.connection.moduleAddress = 1;
    control<QPushButton>("Button9").click();

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, kSilence);
    EXPECT_EQ(state.image.word(0x0408), 5);
    EXPECT_EQ(state.image.word(0x0409), 6);
    EXPECT_EQ(state.image.word(0x040A), 2);
    EXPECT_EQ(state.image.word(0x0402), 3456);
    EXPECT_EQ(list("ComboBox5").currentIndex(), numberShown);
    EXPECT_EQ(list("ComboBox4").currentIndex(), speedShown);
    EXPECT_FALSE(box("CheckBox4").isChecked());
    EXPECT_EQ(text("Panel6"), factoryShown);
}

TEST_F(ExchangeWindow, SetInitAnsweredNoChangesNothingAndYesStopsPolling) {
    state.connection = {3, 9600, Parity::Even, 5, 1000, 1, 0, ""};
    showSettings();
    window->selectPage(TForm1::kMeasurePage);
    control<QPushButton>("Button18").click();
    ASSERT_TRUE(state.polling.polling);
    const std::size_t opens = port.openedDevices.size();

    boxes.answers = {BoxAnswer::No};
    control<QPushButton>("Button15").click();
    EXPECT_TRUE(state.polling.polling);
    EXPECT_EQ(state.connection.speed, 9600);
    EXPECT_EQ(port.openedDevices.size(), opens);

    control<QPushButton>("Button15").click();
    EXPECT_FALSE(state.polling.polling);
    EXPECT_TRUE(control<QPushButton>("Button18").isEnabled());
    EXPECT_FALSE(control<QPushButton>("Button19").isEnabled());
    EXPECT_EQ(state.connection.portNumber, 3);
    EXPECT_EQ(state.connection.speed, 19200);
    EXPECT_EQ(state.connection.parity, Parity::None);
    EXPECT_EQ(state.connection.moduleAddress, 1);
    EXPECT_EQ(text("Label5"), "COM3, 19200 , без паритета ");
    EXPECT_EQ(list("ComboBox3").currentIndex(), 1);
    ASSERT_EQ(port.openedDevices.size(), opens + 1);
    EXPECT_EQ(port.openedDevices.back(), "/dev/ttyUSB2");
    EXPECT_TRUE(port.written.empty());
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(ExchangeWindow, WriteFollowsTheModuleOnTheBar) {
    state.connection.moduleAddress = 1;
    pick("ComboBox4", 4);
    box("CheckBox3").click();
    box("CheckBox4").click();
    pick("ComboBox5", 5);
    ASSERT_TRUE(boxes.shown.empty());
    port.replyWrite(1, 0x0408, 3);
    control<QPushButton>("Button1").click();

    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, "Запись параметров обмена модуля успешно осуществлена.");
    EXPECT_EQ(list("ComboBox2").currentIndex(), 4);
    EXPECT_TRUE(box("CheckBox1").isChecked());
    EXPECT_TRUE(box("CheckBox2").isChecked());
    EXPECT_EQ(list("ComboBox3").currentIndex(), 5);
    EXPECT_EQ(text("Label5"), "COM1, 19200 , четный паритет ");
    EXPECT_EQ(port.line.parity, Parity::Even);
}

TEST_F(ExchangeWindow, WriteWithoutAModuleNumberIsRefusedBeforeAnythingIsSent) {
    state.image.word(0x0408) = 250;
    showImage();
    pick("ComboBox4", 3);  // the page's take-over stores "no number"
    ASSERT_EQ(state.image.word(0x0408), 0xFFFF);
    control<QPushButton>("Button1").click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Ошибка ввода");
    EXPECT_TRUE(port.written.empty());
}

// A module that holds a number beyond the list: after its read no number is
// picked, and "Записать" says what is wrong with the number read.
TEST_F(ExchangeWindow, WriteAfterReadingANumberBeyondTheListSaysSo) {
    pick("ComboBox5", 5);
    state.connection.moduleAddress = 1;
    replyPage(300, 7, 0);
    control<QPushButton>("Button9").click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(list("ComboBox5").currentIndex(), -1);
    const std::size_t sent = port.written.size();

    control<QPushButton>("Button1").click();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text,
              "Номер модуля, прочитанный из модуля (300), вне пределов от 0 до 247. Выберите "
              "номер модуля из списка.");
    EXPECT_EQ(boxes.shown[1].caption, "Ошибка ввода");
    EXPECT_EQ(port.written.size(), sent);
}

TEST_F(ExchangeWindow, AChangeWhileACommandHoldsTheLineSpringsBack) {
    // The page's read pauses before its first exchange; a pick of the speed
    // list and of the bar's speed during that pause cannot run.
    state.connection.moduleAddress = 1;
    replyPage(7, 6, 0);
    bool picked = false;
    QTimer::singleShot(30, window.get(), [&] {
        pick("ComboBox2", 0);
        pick("ComboBox4", 0);
        picked = true;
    });
    control<QPushButton>("Button9").click();
    ASSERT_TRUE(picked);
    EXPECT_EQ(state.connection.speed, 19200);
    EXPECT_EQ(list("ComboBox2").currentIndex(), 4);
    // The read's values, not the pick.
    EXPECT_EQ(list("ComboBox4").currentIndex(), 3);
    EXPECT_EQ(state.image.word(0x0409), 6);
}

TEST_F(ExchangeWindow, TheExchangeLogShowsEachCommandsFramesInOrder) {
    const fs::path log = folder / "COM.txt";
    state.connection.logFileName = log.string();
    state.connection.moduleAddress = 1;
    box("CheckBox6").click();
    ASSERT_EQ(state.connection.useLogFile, 1);

    replyPage(1, 7, 0);
    control<QPushButton>("Button9").click();
    port.replyWrite(1, 0x0416, 1);
    control<QPushButton>("Button2").click();
    port.replyWrite(1, 0x0408, 3);
    control<QPushButton>("Button1").click();

    std::vector<std::string> sent;
    std::istringstream lines(fileText(log));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("Send:", 0) == 0 && std::getline(lines, line))
            sent.push_back(line.substr(0, 18));
    }
    EXPECT_EQ(sent, (std::vector<std::string>{" 01 03 04 08 00 05", " 01 03 04 01 00 02",
                                              " 01 03 04 05 00 03", " 01 03 04 03 00 02",
                                              " 01 03 04 0c 00 01", " 01 03 04 00 00 01",
                                              " 01 10 04 16 00 01", " 01 10 04 08 00 03"}));
}

TEST_F(ExchangeWindow, CloseShowsNoBoxAndStoresTheBar) {
    window->show();
    pick("ComboBox1", 1);
    pick("ComboBox2", 3);
    box("CheckBox1").click();
    pick("ComboBox3", 17);
    window->close();
    EXPECT_TRUE(boxes.shown.empty());
    const std::string devDat = fileText(folder / "dev.dat");
    EXPECT_NE(devDat.find("Number=2"), std::string::npos) << devDat;
    EXPECT_NE(devDat.find("Settings=9600,O,8,"), std::string::npos) << devDat;
    EXPECT_NE(devDat.find("NetAdrr=17"), std::string::npos) << devDat;
}

TEST_F(ExchangeWindow, AModuleNumberTheListCannotShowSurvivesAClose) {
    state.connection.moduleAddress = 250;
    showSettings();
    ASSERT_EQ(list("ComboBox3").currentIndex(), -1);
    window->show();
    window->close();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_NE(fileText(folder / "dev.dat").find("NetAdrr=250\r\n"), std::string::npos);
}

TEST_F(ExchangeWindow, ChangingTheConnectionReopensThePortAndTheNextReadUsesIt) {
    window->commands().runWithLine([&](LineLease& line) {
        window->connectionBar().changeConnection(line, 9600, Parity::Odd, 247);
    });
    EXPECT_EQ(list("ComboBox2").currentText(), "9600");
    EXPECT_TRUE(box("CheckBox1").isChecked());
    EXPECT_FALSE(box("CheckBox2").isChecked());
    EXPECT_EQ(list("ComboBox3").currentText(), "247");
    EXPECT_EQ(text("Label5"), "COM1, 9600 , нечетный паритет ");
    EXPECT_EQ(port.line, (LineSettings{9600, Parity::Odd}));
    EXPECT_TRUE(boxes.shown.empty());

    port.replyRegisters(247, {0x41C8, 0x0000, 1, 0, 0, 0, 0});
    control<QPushButton>("Button17").click();
    ASSERT_EQ(port.written.size(), 1u);
    EXPECT_EQ(port.written[0][0], 247);
}

}  // namespace
}  // namespace m8163
