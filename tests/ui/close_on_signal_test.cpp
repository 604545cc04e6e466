// The real program closed by a signal, as a desktop logout, `kill` or Ctrl+C
// in its terminal do: the close sequence runs and saves the settings.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "program_window.h"
#include "sim/pty_server.h"

namespace m8163 {
namespace {

namespace fs = std::filesystem;
using test::fileText;

class CloseOnSignalTest : public ::testing::Test {
  protected:
    fs::path folder;

    void SetUp() override {
        char name[] = "/tmp/m8163-signal-test.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
    }
    void TearDown() override { fs::remove_all(folder); }

    pid_t startProgram() {
        const pid_t app = fork();
        if (app == 0) {
            if (chdir(folder.c_str()) != 0)
                _exit(126);
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            execl(M8163_APP_PATH, M8163_APP_PATH, static_cast<char*>(nullptr));
            _exit(127);
        }
        return app;
    }
    // The profile is written in the start-up sequence, after the handlers
    // are in place.
    bool waitForStartup(pid_t app) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!fs::exists(folder / "recent.prf")) {
            if (std::chrono::steady_clock::now() > limit || waitpid(app, nullptr, WNOHANG) != 0)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }
};

TEST_F(CloseOnSignalTest, EachCloseSignalSavesTheSettingsEvenWhenSentTwice) {
    sim::ServerOptions options;
    options.link = (folder / "ttyM8163").string();
    sim::PtyServer server(std::move(options));
    server.start();
    struct Case {
        int signal;
        const char* device;  // a missing one: the port box is open when the signal comes
    };
    const Case cases[] = {{SIGTERM, "ttyM8163"}, {SIGINT, "ttyM8163"}, {SIGHUP, "missing-device"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.signal);
        for (const char* file : {"dev.dat", "recent.prf", "konstr_type.prf"})
            fs::remove(folder / file);
        std::ofstream(folder / "dev.dat", std::ios::binary)
            << "[COM_SETTINGS]\r\nSettings=19200,N,8,1\r\n[DEVICE]\r\nNetAdrr=3\r\n[COM_PORTS]"
               "\r\nCOM1="
            << (folder / c.device).string() << "\r\n";
        const pid_t app = startProgram();
        ASSERT_TRUE(waitForStartup(app));
        // What the close writes must come from the close itself.
        fs::remove(folder / "dev.dat");
        fs::remove(folder / "recent.prf");
        kill(app, c.signal);
        kill(app, c.signal);
        int status = 0;
        ASSERT_EQ(waitpid(app, &status, 0), app);

        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 0);
        const std::string devDat = fileText(folder / "dev.dat");
        EXPECT_NE(devDat.find("NetAdrr=3\r\n"), std::string::npos) << devDat;
        EXPECT_NE(devDat.find("Settings=19200,N,8,"), std::string::npos) << devDat;
        EXPECT_NE(fileText(folder / "recent.prf").find("[Seach]"), std::string::npos);
    }
    server.stop();
}

// A box of the close sequence (dev.dat cannot be saved) waits for an answer;
// a further signal ends the process at once, writing nothing more.
TEST_F(CloseOnSignalTest, ASignalDuringTheCloseSequencesBoxEndsTheProcessAtOnce) {
    const pid_t app = startProgram();
    ASSERT_TRUE(waitForStartup(app));
    fs::remove(folder / "dev.dat");
    fs::create_directory(folder / "dev.dat");
    fs::remove(folder / "recent.prf");
    kill(app, SIGTERM);
    // The close sequence's error box holds the process until it is answered.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ASSERT_EQ(waitpid(app, nullptr, WNOHANG), 0);
    const auto second = std::chrono::steady_clock::now();
    kill(app, SIGTERM);
    int status = 0;
    pid_t ended = 0;
    while ((ended = waitpid(app, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() - second < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (ended == 0) {
        kill(app, SIGKILL);
        waitpid(app, nullptr, 0);
        FAIL() << "the second signal did not end the process";
    }
    EXPECT_LT(std::chrono::steady_clock::now() - second, std::chrono::seconds(2));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);
    EXPECT_FALSE(fs::exists(folder / "recent.prf"));
}

}  // namespace
}  // namespace m8163
