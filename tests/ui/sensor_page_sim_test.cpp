// The sensor page against the simulated module: the window as the program
// builds it, started in a folder whose dev.dat maps COM1 to the simulator's
// pseudo-terminal, over the real termios port and the real event pump.
#include <stdlib.h>

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "link/termios_port.h"
#include "module/register_codec.h"
#include "recorders.h"
#include "sim/pty_server.h"
#include "ui/main_window.h"
#include "ui/startup.h"

namespace m8163 {
namespace {

namespace fs = std::filesystem;

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The numbers of the array `key` in the simulator's state file.
std::vector<std::uint16_t> stateWords(const std::string& json, const std::string& key) {
    std::vector<std::uint16_t> words;
    const std::size_t at = json.find("\"" + key + "\": [");
    if (at == std::string::npos)
        return words;
    std::istringstream in(json.substr(json.find('[', at) + 1));
    unsigned value = 0;
    char separator = ',';
    while (separator == ',' && in >> value >> separator)
        words.push_back(static_cast<std::uint16_t>(value));
    return words;
}

// Every register of the general and sensor ranges, by address.
std::map<int, std::uint16_t> moduleRegisters(const fs::path& stateFile) {
    const std::string json = fileText(stateFile);
    std::map<int, std::uint16_t> registers;
    const std::vector<std::uint16_t> general = stateWords(json, "general");
    const std::vector<std::uint16_t> sensor = stateWords(json, "sensor");
    for (std::size_t i = 0; i < general.size(); ++i)
        registers[0x0400 + static_cast<int>(i)] = general[i];
    for (std::size_t i = 0; i < sensor.size(); ++i)
        registers[0x0500 + static_cast<int>(i)] = sensor[i];
    return registers;
}

class SensorPageSimTest : public ::testing::Test {
  protected:
    fs::path folder;
    fs::path previous = fs::current_path();
    std::unique_ptr<sim::PtyServer> server;
    AppState state;
    TermiosPort port;
    test::RecordingBoxes boxes;
    test::FixedClock clock;
    std::unique_ptr<TForm1> window;

    void SetUp() override {
        char name[] = "/tmp/m8163-sensor-sim.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        sim::ServerOptions options;
        options.link = (folder / "port").string();
        options.stateFile = (folder / "state.json").string();
        server = std::make_unique<sim::PtyServer>(std::move(options));
        server->start();
        std::ofstream(folder / "dev.dat") << "[COM_SETTINGS]\r\nNumber=1\r\n"
                                             "Settings=19200,N,8,1\r\n[DEVICE]\r\nNetAdrr=1\r\n"
                                             "[SETTINGS]\r\nTimeOut=500\r\n[COM_PORTS]\r\nCOM1="
                                          << (folder / "port").string() << "\r\n";
        fs::current_path(folder);
        window = std::make_unique<TForm1>(state, port, WindowSeams{&boxes, nullptr, &clock});
        runStartupSequence(*window);
        ASSERT_TRUE(port.isOpen());
        ASSERT_TRUE(boxes.shown.empty());
        window->selectPage(TForm1::kSensorPage);
    }
    void TearDown() override {
        window.reset();
        port.close();
        server->stop();
        fs::current_path(previous);
        fs::remove_all(folder);
    }

    QString text(const char* name) {
        if (auto* edit = window->findChild<QLineEdit*>(name))
            return edit->text();
        if (auto* list = window->findChild<QComboBox*>(name))
            return list->currentText();
        return window->control<QLabel>(name).text();
    }
    void click(const char* name) { window->control<QPushButton>(name).click(); }
    void expectOnlySuccess(const char* text) {
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, text);
        boxes.shown.clear();
    }
};

TEST_F(SensorPageSimTest, ReadShowsTheModuleAndAWriteChangesExactlyTheEditedRegisters) {
    click("Button35");
    expectOnlySuccess("Чтение параметров датчика успешно осуществлено.");
    const std::vector<std::pair<const char*, QString>> fromModule = {
        {"Edit25", "     0.0000"},
        {"Edit26", "     1.0000"},
        {"Panel13", "   -50.0000"},
        {"Panel14", "   200.0000"},
        {"Panel16", "ТС платина Ro=100 W=1.391"},
        {"ComboBox17", "8"},
        {"Edit24", "Цех 3, печь №2"},
        {"Panel15", "ТСП-8163 Pt100 гильза 8х120"}};
    for (const auto& [name, expected] : fromModule)
        EXPECT_EQ(text(name), expected) << name;

    const auto before = moduleRegisters(folder / "state.json");
    ASSERT_EQ(before.size(), 23u + 63u);
    window->control<QComboBox>("ComboBox17").setCurrentIndex(6);
    window->control<QLineEdit>("Edit25").setText("-0.75");
    window->control<QLineEdit>("Edit26").setText("1.0025");
    window->control<QLineEdit>("Edit24").setText("Котёл 7");
    click("Button36");
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, "Запись параметров датчика успешно осуществлено.");
    boxes.shown.clear();

    std::map<int, std::uint16_t> expected = before;
    expected[0x0507] = 6;
    const auto offset = splitF32(-0.75f);
    const auto adjustment = splitF32(1.0025f);
    expected[0x0516] = offset[0];
    expected[0x0517] = offset[1];
    expected[0x0518] = adjustment[0];
    expected[0x0519] = adjustment[1];
    std::vector<std::uint16_t> userText(kUserTextRegisters);
    packText("Котёл 7", userText);
    for (std::size_t i = 0; i < userText.size(); ++i)
        expected[0x040E + static_cast<int>(i)] = userText[i];
    EXPECT_EQ(moduleRegisters(folder / "state.json"), expected);

    // A new read shows what the module now holds.
    window->control<QLineEdit>("Edit25").setText("99");
    click("Button35");
    expectOnlySuccess("Чтение параметров датчика успешно осуществлено.");
    EXPECT_EQ(text("Edit25"), "    -0.7500");
    EXPECT_EQ(text("Edit26"), "     1.0025");
    EXPECT_EQ(text("ComboBox17"), "64");
    EXPECT_EQ(text("Edit24"), "Котёл 7         ");
}

}  // namespace
}  // namespace m8163
