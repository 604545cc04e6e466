// Start-up and close of the window over real settings files in a fresh
// working folder, and the real program against the simulated module.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "recorders.h"
#include "scripted_port.h"
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

// Runs each test in a fresh working folder, as the program runs in its own.
class StartupTest : public ::testing::Test {
  protected:
    fs::path folder;
    fs::path previous = fs::current_path();
    AppState state;
    test::ScriptedPort port;
    test::RecordingBoxes boxes;
    test::RecordingPump pump;
    test::FixedClock clock;
    std::unique_ptr<TForm1> window;

    void SetUp() override {
        char name[] = "/tmp/m8163-startup-test.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        fs::current_path(folder);
        port.openState = false;
        window = std::make_unique<TForm1>(state, port, WindowSeams{&boxes, &pump, &clock});
    }
    void TearDown() override {
        window.reset();
        fs::current_path(previous);
        fs::remove_all(folder);
    }
    void write(const char* file, const std::string& text) {
        std::ofstream(folder / file, std::ios::binary) << text;
    }
    template <class Widget>
    Widget& control(const char* name) {
        return window->control<Widget>(name);
    }
};

TEST_F(StartupTest, FirstStartCreatesTheFilesAndOpensCom1WithoutSendingAnything) {
    runStartupSequence(*window);

    EXPECT_TRUE(boxes.shown.empty());
    for (const char* file : {"dev.dat", "recent.prf", "konstr_type.prf"}) {
        EXPECT_TRUE(fs::exists(folder / file)) << file;
    }
    ASSERT_EQ(port.openedDevices, std::vector<std::string>{"/dev/ttyUSB0"});
    EXPECT_EQ(port.line, (LineSettings{19200, 0}));
    EXPECT_EQ(port.rtsDtrCalls, 1);
    // The open leaves both control lines off; start-up alone then clears RTS
    // and sets DTR.
    EXPECT_EQ(port.lineCalls,
              (std::vector<std::string>{"open", "RTS off", "DTR off", "RTS off", "DTR on"}));
    EXPECT_TRUE(port.written.empty());

    EXPECT_EQ(window->windowTitle(), "ZOVO 8163  0.0.2");
    EXPECT_EQ(control<QComboBox>("ComboBox3").count(), 248);
    EXPECT_EQ(control<QComboBox>("ComboBox14").count(),
              static_cast<int>(state.catalogue.designTypes.size()));
    EXPECT_FALSE(state.polling.polling);
    EXPECT_TRUE(control<QPushButton>("Button18").isEnabled());
    EXPECT_FALSE(control<QPushButton>("Button19").isEnabled());
    EXPECT_EQ(control<QLabel>("Label54").text(), "0");
    EXPECT_FALSE(state.sensorSettingsRead);
}

TEST_F(StartupTest, StoredConnectionAndPageAreUsed) {
    write("dev.dat",
          "[COM_SETTINGS]\r\nNumber=3\r\nSettings=9600,E,8,1\r\n"
          "[COM_PORTS]\r\nCOM3=/dev/ttyS7\r\n");
    write("recent.prf", "[TAB]\r\nnum=3\r\n");
    runStartupSequence(*window);

    ASSERT_EQ(port.openedDevices, std::vector<std::string>{"/dev/ttyS7"});
    EXPECT_EQ(port.line, (LineSettings{9600, 2}));
    EXPECT_EQ(window->notebook().currentIndex(), TForm1::kSearchPage);
}

TEST_F(StartupTest, PortThatCannotBeOpenedIsReportedAndStartupGoesOn) {
    port.failOpen = true;
    runStartupSequence(*window);

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(port.rtsDtrCalls, 0);
    EXPECT_FALSE(control<QPushButton>("Button19").isEnabled());
    EXPECT_EQ(control<QLabel>("Label56").text(), "0");
}

TEST_F(StartupTest, SettingsFileErrorIsShownAndEndsTheSequence) {
    fs::create_directory(folder / "dev.dat");  // no file can be read or written there
    runStartupSequence(*window);

    ASSERT_EQ(boxes.shown.size(), 1u);
    const MessageBox& box = boxes.shown[0];
    EXPECT_EQ(box.caption, "8163");
    EXPECT_EQ(box.icon, BoxIcon::Error);
    EXPECT_EQ(box.buttons, BoxButtons::Ok);
    EXPECT_NE(box.text.find("dev.dat"), std::string::npos) << box.text;
    // The later steps did not run: no profile, no lists, no port.
    EXPECT_FALSE(fs::exists(folder / "recent.prf"));
    EXPECT_EQ(control<QComboBox>("ComboBox1").count(), 0);
    EXPECT_TRUE(port.openedDevices.empty());
}

TEST_F(StartupTest, CloseClosesThePortFirstAndSavesBothFiles) {
    runStartupSequence(*window);
    port.openState = true;
    // The close takes the connection from the bar.
    control<QComboBox>("ComboBox3").setCurrentIndex(7);
    state.search.lastAddress = 42;
    fs::remove(folder / "recent.prf");

    std::optional<LineLease> line = window->commands().takeLine();
    ASSERT_TRUE(line);
    runCloseSequence(*window, *line);

    EXPECT_EQ(port.closes, 1);
    EXPECT_FALSE(port.isOpen());
    EXPECT_NE(fileText(folder / "dev.dat").find("NetAdrr=7"), std::string::npos);
    EXPECT_TRUE(fs::exists(folder / "recent.prf"));
    EXPECT_TRUE(port.written.empty());
}

TEST_F(StartupTest, CloseErrorIsShownAndSkipsTheProfile) {
    runStartupSequence(*window);
    fs::remove(folder / "dev.dat");
    fs::create_directory(folder / "dev.dat");
    fs::remove(folder / "recent.prf");
    boxes.shown.clear();

    std::optional<LineLease> line = window->commands().takeLine();
    ASSERT_TRUE(line);
    runCloseSequence(*window, *line);

    ASSERT_FALSE(boxes.shown.empty());
    const MessageBox& box = boxes.shown.back();
    EXPECT_EQ(box.icon, BoxIcon::Error);
    EXPECT_NE(box.text.find("dev.dat"), std::string::npos) << box.text;
    EXPECT_FALSE(fs::exists(folder / "recent.prf"));
}

// The real program, against the simulated module on a pseudo-terminal: it
// comes up without any box in the way, paints its window and saves a
// screenshot of each page when asked to.
TEST_F(StartupTest, TheProgramShowsItsWindowAgainstTheSimulatedModule) {
    const fs::path link = folder / "ttyM8163";
    write("dev.dat", "[COM_PORTS]\r\nCOM1=" + link.string() + "\r\n");

    int simOut[2];
    ASSERT_EQ(pipe(simOut), 0);
    const pid_t sim = fork();
    if (sim == 0) {
        dup2(simOut[1], STDOUT_FILENO);
        execl(M8163_SIM_PATH, M8163_SIM_PATH, "--link", link.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(simOut[1]);
    FILE* simText = fdopen(simOut[0], "r");
    char ready[512] = {};
    ASSERT_NE(fgets(ready, sizeof ready, simText), nullptr);
    ASSERT_EQ(std::string(ready).rfind("READY", 0), 0u) << ready;

    const pid_t app = fork();
    if (app == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("M8163_SCREENSHOT", (folder / "page{page}.png").c_str(), 1);
        setenv("M8163_STARTUP_PROBE", (folder / "probe.txt").c_str(), 1);
        const int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, STDOUT_FILENO);
        // A program stuck behind a box is ended after a minute.
        execlp("timeout", "timeout", "60", M8163_APP_PATH, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(app, &status, 0);
    kill(sim, SIGTERM);
    waitpid(sim, nullptr, 0);
    fclose(simText);

    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    for (int page = 0; page < 4; ++page) {
        const fs::path shot = folder / ("page" + std::to_string(page) + ".png");
        ASSERT_TRUE(fs::exists(shot)) << shot;
        EXPECT_EQ(fileText(shot).substr(1, 3), "PNG");
    }
    const std::string probe = fileText(folder / "probe.txt");
    EXPECT_EQ(probe.rfind("main_ns ", 0), 0u) << probe;
    EXPECT_NE(probe.find("\nfirst_paint_ns "), std::string::npos) << probe;
    EXPECT_NE(fileText(folder / "dev.dat").find(link.string()), std::string::npos);
}

}  // namespace
}  // namespace m8163
