// The page "Поиск" and the start-up and close sequences on the window as the
// program builds it, with the scripted port and recorded boxes.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "program_window.h"
#include "ui/search/search_page.h"

namespace m8163 {
namespace {

namespace fs = std::filesystem;
using test::fileText;

class SearchWindow : public test::ProgramWindowTest {
  protected:
    void write(const char* file, const std::string& text) {
        std::ofstream(folder / file, std::ios::binary) << text;
    }
    bool enabled(const char* name) { return control<QWidget>(name).isEnabled(); }
    void clickRow(int row) {
        QListWidget& list = control<QListWidget>("ListBox1");
        list.setCurrentRow(row);
        emit list.itemClicked(list.item(row));
    }
    bool has(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }
};

// What the start-up and close sequences had done when each box opened tells
// their order: files written, port calls, the controls' state.
TEST_F(SearchWindow, StartupAndCloseRunTheirStepsInOrder) {
    window.reset();
    fs::remove(folder / "dev.dat");
    fs::remove(folder / "recent.prf");
    write("dev.dat", "[COM_SETTINGS]\r\nNumber=20\r\nSettings=9600,E,8,1\r\n");
    write("recent.prf", "[Seach]\r\n2400=1\r\nbeg=4\r\nend=9\r\n");
    state.foundDevices.add({19200, 1, Parity::None});
    events.clear();
    port.events = &events;
    port.openedDevices.clear();
    port.rtsDtrCalls = 0;
    port.failOpen = true;
    std::vector<std::string> seen;
    boxes.whileShown = [&](const MessageBox& box) {
        std::string at = box.text + " |";
        // Loading writes every key back.
        if (has(fileText(folder / "recent.prf"), "parity_ev"))
            at += " profile";
        if (window->control<QCheckBox>("CheckBox10").isChecked())
            at += " searchShown";
        if (window->control<QListWidget>("ListBox1").count() == 0)
            at += " listEmpty";
        if (window->control<QPushButton>("Button33").isEnabled() &&
            window->control<QComboBox>("ComboBox2").isEnabled())
            at += " unlocked";
        if (window->control<QLabel>("Label5").text().contains("9600 , четный"))
            at += " bar";
        at += " opens=" + std::to_string(port.openedDevices.size());
        seen.push_back(at);
    };
    window = makeProgramWindow(state, port, WindowSeams{&boxes, nullptr, &clock});
    // Whatever the list held is gone once start-up has shown the empty table.
    control<QListWidget>("ListBox1").addItem(QStringLiteral("stale"));
    window->searchPage().lockSearch(true);
    ASSERT_TRUE(runStartupSequence(*window));

    ASSERT_EQ(seen.size(), 2u);
    // Step 2, before the profile, the page and the port.
    EXPECT_EQ(seen[0], "Слишком большой номер COM порта. | opens=0");
    // Step 10: profile loaded (3), search page shown with it and emptied (7),
    // unlocked (8), the bar refreshed (9); the open fails, so no control-line
    // step (11) follows.
    EXPECT_EQ(seen[1],
              "Невозможно открыть последовательный порт | profile searchShown listEmpty unlocked "
              "bar opens=1");
    EXPECT_EQ(port.rtsDtrCalls, 0);
    EXPECT_EQ(control<QComboBox>("ComboBox12").currentIndex(), 4);
    EXPECT_EQ(state.foundDevices.count(), 0u);

    // Close: a refused model code opens a box in step 3, after the port was
    // closed (1) and before either file is written (4, 6).
    port.failOpen = false;
    port.openState = true;
    seen.clear();
    control<QComboBox>("ComboBox3").setCurrentIndex(12);
    control<QLineEdit>("Edit3").setText("zz");
    control<QComboBox>("ComboBox12").setCurrentIndex(30);  // range 30 ... 9: swapped at close
    control<QCheckBox>("CheckBox10").setChecked(false);
    const std::string devBefore = fileText(folder / "dev.dat");
    const std::string profileBefore = fileText(folder / "recent.prf");
    boxes.whileShown = [&](const MessageBox& box) {
        seen.push_back(box.caption + (events.back() == "port closed" ? " after close" : "") +
                       (fileText(folder / "dev.dat") == devBefore ? " devUnsaved" : "") +
                       (fileText(folder / "recent.prf") == profileBefore ? " prfUnsaved" : ""));
    };
    window->show();
    window->close();

    EXPECT_EQ(seen, std::vector<std::string>{"Ошибка ввода after close devUnsaved prfUnsaved"});
    const std::string devDat = fileText(folder / "dev.dat");
    EXPECT_TRUE(has(devDat, "NetAdrr=12\r\n")) << devDat;
    const std::string profile = fileText(folder / "recent.prf");
    for (const char* key : {"2400=0\r\n", "19200=1\r\n", "beg=9\r\n", "end=30\r\n"})
        EXPECT_TRUE(has(profile, key)) << key << "\n" << profile;
}

TEST_F(SearchWindow, ARowOfTheFoundListBecomesTheConnection) {
    state.foundDevices.add({19200, 1, Parity::None});
    state.foundDevices.add({9600, 247, Parity::Odd});
    window->searchPage().showSearch();
    QListWidget& list = control<QListWidget>("ListBox1");
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.item(0)->text(), "Скорость 19200 без парит. Сет. номер 1");
    EXPECT_EQ(list.item(1)->text(), "Скорость 9600 нечёт. пар. Сет. номер 247");

    clickRow(1);
    EXPECT_EQ(control<QLabel>("Label5").text(), "COM1, 9600 , нечетный паритет ");
    EXPECT_EQ(control<QComboBox>("ComboBox3").currentIndex(), 247);
    EXPECT_EQ(control<QComboBox>("ComboBox2").currentText(), "9600");
    EXPECT_TRUE(control<QCheckBox>("CheckBox1").isChecked());
    EXPECT_FALSE(control<QCheckBox>("CheckBox2").isChecked());
    EXPECT_EQ(control<QComboBox>("ComboBox5").currentIndex(), 247);
    EXPECT_EQ(port.line, (LineSettings{9600, Parity::Odd}));
    EXPECT_TRUE(port.written.empty());
    EXPECT_TRUE(boxes.shown.empty());

    // The next single reading goes to module 247 at 9600, odd.
    window->selectPage(TForm1::kMeasurePage);
    control<QPushButton>("Button17").click();
    ASSERT_EQ(port.written.size(), 1u);
    EXPECT_EQ(port.written[0][0], 247);
    EXPECT_EQ(port.line, (LineSettings{9600, Parity::Odd}));

    // A row without an entry changes nothing.
    state.foundDevices.clear();
    clickRow(0);
    EXPECT_EQ(state.connection.moduleAddress, 247);
}

TEST_F(SearchWindow, TheRunLocksThePageShowsItsProgressAndItsEnd) {
    for (const char* box :
         {"CheckBox9", "CheckBox10", "CheckBox11", "CheckBox12", "CheckBox13", "CheckBox14",
          "CheckBox18", "CheckBox19", "CheckBox15", "CheckBox16", "CheckBox17"})
        control<QCheckBox>(box).setChecked(false);
    control<QCheckBox>("CheckBox12").setChecked(true);  // 9600
    control<QCheckBox>("CheckBox16").setChecked(true);  // odd
    control<QComboBox>("ComboBox12").setCurrentIndex(3);
    control<QComboBox>("ComboBox13").setCurrentIndex(2);
    std::vector<std::string> duringRun;
    int reads = 0;
    auto& progress = control<QLabel>("Panel11");
    auto& figure = control<QProgressBar>("SearchProgress");
    boxes.whileShown = [&](const MessageBox&) {
        duringRun.push_back("box, progress '" + progress.text().toStdString() + "'");
    };
    window->selectPage(TForm1::kSearchPage);
    window->show();
    // Every read is silent; each sees what the page showed before its exchange.
    port.onWrite = [&] {
        ++reads;
        duringRun.push_back(progress.text().toStdString() + " | " + figure.text().toStdString() +
                            (enabled("Button33") || enabled("ComboBox2") ? " unlocked" : "") +
                            (enabled("Button34") && enabled("ListBox1") ? " stoppable" : ""));
    };
    control<QPushButton>("Button33").click();

    EXPECT_EQ(reads, 2);
    EXPECT_EQ(duringRun,
              (std::vector<std::string>{
                  "Проверяется скорость 9600 нечетный паритет номер прибора 2 | 0 из 2 stoppable",
                  "Проверяется скорость 9600 нечетный паритет номер прибора 3 | 1 из 2 stoppable",
                  "box, progress 'Проверяется скорость 9600 нечетный паритет номер прибора 3'"}));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Процедура поиска завершена.");
    EXPECT_TRUE(enabled("Button33"));
    EXPECT_TRUE(enabled("ComboBox2"));
    EXPECT_TRUE(progress.text().isEmpty());
    EXPECT_FALSE(figure.isVisible());
    // The range shows as the search took it: swapped.
    EXPECT_EQ(control<QComboBox>("ComboBox12").currentIndex(), 2);
    EXPECT_EQ(control<QComboBox>("ComboBox13").currentIndex(), 3);
    EXPECT_EQ(port.line, (LineSettings{19200, Parity::None}));
}

// The search changes no connection setting, so a module taken over while
// it runs stays the connection whole, and the end reopens the port at it.
TEST_F(SearchWindow, ATakeOverDuringASearchStaysTheConnection) {
    control<QComboBox>("ComboBox12").setCurrentIndex(1);
    control<QComboBox>("ComboBox13").setCurrentIndex(2);
    int requests = 0;
    port.onWrite = [&] {
        if (++requests != 2)
            return;
        // As a click on a row of an earlier search would, in a message pass.
        state.foundDevices.add({2400, 9, Parity::Even});
        QListWidget& list = control<QListWidget>("ListBox1");
        list.addItem(QStringLiteral("row"));
        clickRow(0);
    };
    control<QPushButton>("Button33").click();

    EXPECT_GT(requests, 2);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Процедура поиска завершена.");
    EXPECT_EQ(state.connection.speed, 2400);
    EXPECT_EQ(state.connection.parity, Parity::Even);
    EXPECT_EQ(state.connection.moduleAddress, 9);
    EXPECT_EQ(port.line, (LineSettings{2400, Parity::Even}));
    EXPECT_EQ(control<QLabel>("Label5").text(), "COM1, 2400 , четный паритет ");
}

TEST_F(SearchWindow, ACloseDuringASearchEndsItAtItsNextMessagePassAndSaves) {
    control<QComboBox>("ComboBox12").setCurrentIndex(1);
    control<QComboBox>("ComboBox13").setCurrentIndex(40);
    int requests = 0;
    port.onWrite = [&] {
        if (++requests == 1)
            window->close();  // waits: the search holds the line
    };
    window->show();
    fs::remove(folder / "recent.prf");
    control<QPushButton>("Button33").click();

    // The first number's trials ran; the pass before the second ended the
    // search without its box, and the close sequence ran.
    EXPECT_LE(requests, 6);
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(state.searchRunning);
    EXPECT_FALSE(port.isOpen());
    EXPECT_NE(fileText(folder / "recent.prf").find("end=40\r\n"), std::string::npos);
}

}  // namespace
}  // namespace m8163
