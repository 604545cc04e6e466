// The connection bar and the page "Параметры обмена" with the real termios
// port against the simulated module on a pseudo-terminal, the window built
// and started as main() does in a fresh working folder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "base/clock.h"
#include "link/termios_port.h"
#include "program_window.h"
#include "sim/pty_server.h"
#include "sim_window.h"
#include "ui/window/program_window.h"
#include "ui/window/startup.h"

namespace m8163 {
namespace {

namespace fs = std::filesystem;

using test::fileText;

using ExchangeSimTest = test::SimWindowTest;

const std::string kMeasured = "Прочитано измеренное значение.";

TEST_F(ExchangeSimTest, ReadShowsTheModulesIdentity) {
    start({}, "19200,N,8,1", 1);
    control<QPushButton>("Button9").click();

    EXPECT_EQ(lastTexts(0),
              std::vector<std::string>{"Чтение всех параметров закладки успешно осуществлено."});
    for (auto [panel, shown] : {std::pair{"Panel19", "8163"},
                                {"Panel5", "12"},
                                {"Panel6", "3456"},
                                {"Panel21", "2"},
                                {"Panel20", "15"},
                                {"Panel8", "14"},
                                {"Panel9", "3"},
                                {"Panel17", "2011"}}) {
        EXPECT_EQ(text(panel), shown) << panel;
    }
    EXPECT_EQ(control<QComboBox>("ComboBox5").currentIndex(), 1);
    EXPECT_EQ(control<QComboBox>("ComboBox4").currentText(), "19200");
    EXPECT_FALSE(control<QCheckBox>("CheckBox3").isChecked());
}

TEST_F(ExchangeSimTest, WriteMovesTheModuleAndTheProgramFollows) {
    start({}, "19200,N,8,1", 1);
    pick("ComboBox4", 3);
    control<QCheckBox>("CheckBox3").click();
    control<QCheckBox>("CheckBox4").click();
    pick("ComboBox5", 5);
    ASSERT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;
    control<QPushButton>("Button1").click();

    EXPECT_EQ(lastTexts(0),
              (std::vector<std::string>{"Данные конфигурации будут переписаны?.",
                                        "Запись параметров обмена модуля успешно осуществлена."}));
    const std::string simState = fileText(folder / "state.json");
    EXPECT_NE(simState.find("{\"address\": 5, \"speed\": 9600, \"parity\": 2"), std::string::npos)
        << simState;
    EXPECT_EQ(text("Label5"), "COM1, 9600 , четный паритет ");
    EXPECT_EQ(control<QComboBox>("ComboBox3").currentIndex(), 5);

    const std::uint64_t before = repliesOf(5);
    readOnce();
    EXPECT_EQ(lastTexts(2), std::vector<std::string>{kMeasured});
    EXPECT_EQ(repliesOf(5), before + 1);
}

TEST_F(ExchangeSimTest, BlinkIsSeenByTheModule) {
    start({}, "19200,N,8,1", 1);
    control<QPushButton>("Button2").click();
    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_TRUE(server->waitIdle(std::chrono::seconds(5)));
    std::lock_guard lock(eventsMutex);
    EXPECT_EQ(simEvents, std::vector<std::string>{"BLINK module 1 count 1"});
}

TEST_F(ExchangeSimTest, SetInitReachesAModuleInInitMode) {
    sim::ModuleSetup setup;
    setup.address = 5;
    setup.format = {9600, sim::kEven};
    setup.init = true;
    start({sim::ModuleModel(setup)}, "4800,O,8,1", 7);

    readOnce();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].text, kMeasured);

    control<QPushButton>("Button15").click();
    EXPECT_EQ(text("Label5"), "COM1, 19200 , без паритета ");
    readOnce();
    EXPECT_EQ(lastTexts(2), std::vector<std::string>{kMeasured});
}

// No simulator: the default COM1 device is missing on this machine.
TEST_F(ExchangeSimTest, FirstStartInAnEmptyFolderShowsOnlyThePortBoxAndCloseStoresTheBar) {
    if (fs::exists("/dev/ttyUSB0"))
        GTEST_SKIP() << "a real /dev/ttyUSB0 is present";
    window = makeProgramWindow(state, port, WindowSeams{&boxes, nullptr, &clock});
    ASSERT_TRUE(runStartupSequence(*window));
    window->show();
    pick("ComboBox3", 9);
    window->close();

    ASSERT_FALSE(boxes.shown.empty());
    for (const MessageBox& box : boxes.shown) {
        EXPECT_EQ(box.text, "Невозможно открыть последовательный порт");
        EXPECT_NE(box.detail.find("/dev/ttyUSB0"), std::string::npos) << box.detail;
    }
    const std::string devDat = fileText(folder / "dev.dat");
    EXPECT_NE(devDat.find("Number=1\r\n"), std::string::npos) << devDat;
    EXPECT_NE(devDat.find("Settings=19200,N,8,"), std::string::npos) << devDat;
    EXPECT_NE(devDat.find("NetAdrr=9\r\n"), std::string::npos) << devDat;
}

}  // namespace
}  // namespace m8163
