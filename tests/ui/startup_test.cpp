// Start-up and close of the window over real settings files in a fresh
// working folder, and the real program against the simulated module.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>

#include "recorders.h"
#include "scripted_port.h"
#include "ui/window/program_window.h"
#include "ui/window/startup.h"

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
        window = makeProgramWindow(state, port, WindowSeams{&boxes, &pump, &clock});
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
    EXPECT_TRUE(runStartupSequence(*window));

    EXPECT_TRUE(boxes.shown.empty());
    for (const char* file : {"dev.dat", "recent.prf", "konstr_type.prf"}) {
        EXPECT_TRUE(fs::exists(folder / file)) << file;
    }
    ASSERT_EQ(port.openedDevices, std::vector<std::string>{"/dev/ttyUSB0"});
    EXPECT_EQ(port.line, (LineSettings{19200, Parity::None}));
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
    ASSERT_TRUE(runStartupSequence(*window));

    ASSERT_EQ(port.openedDevices, std::vector<std::string>{"/dev/ttyS7"});
    EXPECT_EQ(port.line, (LineSettings{9600, Parity::Even}));
    EXPECT_EQ(window->notebook().currentIndex(), TForm1::kSearchPage);
}

TEST_F(StartupTest, PortThatCannotBeOpenedIsReportedAndStartupGoesOn) {
    port.failOpen = true;
    EXPECT_TRUE(runStartupSequence(*window));

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(port.rtsDtrCalls, 0);
    EXPECT_FALSE(control<QPushButton>("Button19").isEnabled());
    EXPECT_EQ(control<QLabel>("Label56").text(), "0");
}

// Every file of the folder with its size, so that a test sees any write.
std::map<std::string, std::uintmax_t> folderFiles(const fs::path& folder) {
    std::map<std::string, std::uintmax_t> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] =
            entry.is_regular_file() ? entry.file_size() : std::uintmax_t{0};
    return files;
}

// A settings file of the wrong kind refuses the start: one error box naming
// it, no later step, and none of the three files written, also when the
// refused one is not the first to load.
TEST_F(StartupTest, RefusedSettingsFileEndsTheStartWithoutWritingAnyFile) {
    const struct {
        const char* name;
        const char* file;
        std::function<void(const fs::path&)> make;
    } cases[] = {
        {"folder", "dev.dat", [](const fs::path& p) { fs::create_directory(p); }},
        {"FIFO", "recent.prf", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }},
        {"link to a device", "recent.prf",
         [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }},
        {"over 1 MiB", "konstr_type.prf",
         [](const fs::path& p) {
             std::ofstream(p, std::ios::binary) << std::string((1 << 20) + 1, ';');
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        boxes.shown.clear();
        port.openedDevices.clear();
        c.make(folder / c.file);
        const auto before = folderFiles(folder);

        EXPECT_FALSE(runStartupSequence(*window));

        ASSERT_EQ(boxes.shown.size(), 1u);
        const MessageBox& box = boxes.shown[0];
        EXPECT_EQ(box.caption, "8163");
        EXPECT_EQ(box.icon, BoxIcon::Error);
        EXPECT_EQ(box.buttons, BoxButtons::Ok);
        EXPECT_NE(box.text.find(c.file), std::string::npos) << box.text;
        EXPECT_EQ(folderFiles(folder), before);
        // The later steps did not run: no lists, no port.
        EXPECT_EQ(control<QComboBox>("ComboBox1").count(), 0);
        EXPECT_TRUE(port.openedDevices.empty());
    }
}

// A log whose file is a FIFO (the first write would wait for a reader for
// good) or a folder is off from the start, each with one box naming the file.
TEST_F(StartupTest, LogsThatNameNoPlainFileAreSwitchedOff) {
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0644), 0);
    fs::create_directory(folder / "logs");
    write("dev.dat", "[LOG]\r\nUseLogFile=1\r\nLogFileName=pipe\r\n");
    write("recent.prf", "[IZM]\r\nizm_name=logs\r\nwrite_file=1\r\n");
    EXPECT_TRUE(runStartupSequence(*window));

    ASSERT_EQ(boxes.shown.size(), 2u);
    for (const MessageBox& box : boxes.shown) {
        EXPECT_EQ(box.icon, BoxIcon::Warning);
        EXPECT_EQ(box.caption, "Запись в файл");
    }
    EXPECT_NE(boxes.shown[0].text.find("\"pipe\""), std::string::npos) << boxes.shown[0].text;
    EXPECT_NE(boxes.shown[0].text.find("FIFO"), std::string::npos) << boxes.shown[0].text;
    EXPECT_NE(boxes.shown[1].text.find("\"logs\""), std::string::npos) << boxes.shown[1].text;
    EXPECT_EQ(state.connection.useLogFile, 0);
    EXPECT_EQ(state.measurementLog.writeFile, 0);
    EXPECT_FALSE(control<QCheckBox>("CheckBox6").isChecked());
    EXPECT_FALSE(control<QCheckBox>("CheckBox7").isChecked());

    // Ticked again by the user: the same box, and the box stays clear.
    boxes.shown.clear();
    control<QCheckBox>("CheckBox6").click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(state.connection.useLogFile, 0);
    EXPECT_FALSE(control<QCheckBox>("CheckBox6").isChecked());
    // A plain file is taken.
    state.connection.logFileName = "COM.txt";
    control<QCheckBox>("CheckBox6").click();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(state.connection.useLogFile, 1);
}

// The program itself: the box once (printed, as the demonstration answers
// boxes), then it ends with a non-zero status, writes no settings file and
// never shows its window.
TEST_F(StartupTest, TheProgramEndsAfterARefusedSettingsFile) {
    ASSERT_EQ(::mkfifo((folder / "recent.prf").c_str(), 0644), 0);
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t app = fork();
    if (app == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("M8163_DEMO", (folder / "page{page}.png").c_str(), 1);
        dup2(out[1], STDOUT_FILENO);
        execlp("timeout", "timeout", "60", M8163_APP_PATH, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string printed;
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
        printed.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(app, &status, 0);

    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    std::size_t boxesPrinted = 0;
    for (std::size_t at = printed.find("box: "); at != std::string::npos;
         at = printed.find("box: ", at + 1))
        ++boxesPrinted;
    EXPECT_EQ(boxesPrinted, 1u) << printed;
    EXPECT_NE(printed.find("recent.prf"), std::string::npos) << printed;
    EXPECT_EQ(folderFiles(folder), (std::map<std::string, std::uintmax_t>{{"recent.prf", 0}}));
}

TEST_F(StartupTest, CloseClosesThePortFirstAndSavesBothFiles) {
    ASSERT_TRUE(runStartupSequence(*window));
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
    ASSERT_TRUE(runStartupSequence(*window));
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
