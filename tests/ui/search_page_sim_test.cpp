// The search page against the simulated module with several modules on the
// line, over the real termios port, the window built as main() does.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "sim_window.h"

namespace m8163 {
namespace {

using SearchSimTest = test::SimWindowTest;

const std::string kMeasuredText = "Прочитано измеренное значение.";

sim::ModuleModel moduleAt(int address, int speed, int parity) {
    sim::ModuleSetup setup;
    setup.address = address;
    setup.format = {speed, parity};
    return sim::ModuleModel(setup);
}

TEST_F(SearchSimTest, FindsTheModulesOfTheLineAndTakesOneOver) {
    // A silent trial waits the time-out plus 21 byte times of the
    // connection's speed (19200 bit/s): with a short time-out the 81 trials
    // at these speeds take about 23 s.
    start({moduleAt(1, 19200, sim::kNone), moduleAt(5, 38400, sim::kEven),
           moduleAt(7, 57600, sim::kOdd)},
          "19200,N,8,1", 1, 30);
    for (const char* box : {"CheckBox13", "CheckBox14", "CheckBox18"})
        control<QCheckBox>(box).setChecked(true);
    for (const char* box : {"CheckBox9", "CheckBox10", "CheckBox11", "CheckBox12", "CheckBox19",
                            "CheckBox15", "CheckBox16", "CheckBox17"})
        control<QCheckBox>(box).setChecked(false);
    control<QComboBox>("ComboBox12").setCurrentIndex(0);
    control<QComboBox>("ComboBox13").setCurrentIndex(8);
    QListWidget& found = control<QListWidget>("ListBox1");

    // The stop button and the list stay live: a message pass during the run
    // sees the first hit in the list.
    bool sawHitWhileRunning = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout,
                     [&] { sawHitWhileRunning |= state.searchRunning && found.count() > 0; });
    watch.start(0);
    control<QPushButton>("Button33").click();
    watch.stop();

    EXPECT_TRUE(sawHitWhileRunning);
    ASSERT_EQ(lastTexts(0), std::vector<std::string>{"Процедура поиска завершена."});
    ASSERT_EQ(found.count(), 3);
    EXPECT_EQ(found.item(0)->text(), "Скорость 19200 без парит. Сет. номер 1");
    EXPECT_EQ(found.item(1)->text(), "Скорость 38400 чет. пар. Сет. номер 5");
    EXPECT_EQ(found.item(2)->text(), "Скорость 57600 нечёт. пар. Сет. номер 7");
    EXPECT_TRUE(text("Panel11").isEmpty());

    // After the end the port is back at the connection: module 1 answers.
    readOnce();
    EXPECT_EQ(lastTexts(1), std::vector<std::string>{kMeasuredText});

    found.setCurrentRow(2);
    emit found.itemClicked(found.item(2));
    EXPECT_EQ(text("Label5"), "COM1, 57600 , нечетный паритет ");
    EXPECT_EQ(control<QComboBox>("ComboBox3").currentIndex(), 7);
    EXPECT_EQ(control<QComboBox>("ComboBox5").currentIndex(), 7);
    const std::uint64_t before = repliesOf(7);
    readOnce();
    EXPECT_EQ(lastTexts(2), std::vector<std::string>{kMeasuredText});
    EXPECT_EQ(repliesOf(7), before + 1);
}

}  // namespace
}  // namespace m8163
