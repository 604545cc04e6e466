// The program's command line, run as a user runs it: --help and --version
// answer and touch no file, anything else is refused, and a missing or
// unreachable display is one line and exit status 1, never an abort.

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "program_window.h"

namespace m8163 {
namespace {

namespace fs = std::filesystem;
using test::fileText;

struct Start {
    const char* name;
    const char* environment;  // set on a cleared environment
    const char* arguments;
    int status;
    const char* printed;  // on stdout
    const char* refused;  // on stderr, the whole of it
};

// "{free}" in a case stands for an X display number that nobody serves
// now: no socket and no lock file of an X server on this machine.
std::string withFreeDisplay(std::string text) {
    static const std::string free = [] {
        int number = 93;
        while (fs::exists("/tmp/.X11-unix/X" + std::to_string(number)) ||
               fs::exists("/tmp/.X" + std::to_string(number) + "-lock"))
            ++number;
        return std::to_string(number);
    }();
    for (std::size_t at; (at = text.find("{free}")) != std::string::npos;)
        text.replace(at, 6, free);
    return text;
}

class CommandLineTest : public ::testing::TestWithParam<Start> {};

TEST_P(CommandLineTest, AnswersWithoutTouchingTheFolder) {
    const Start& start = GetParam();
    const fs::path scratch = fs::temp_directory_path() / ("m8163-args-" + std::to_string(getpid()));
    const fs::path folder = scratch / "empty";
    fs::create_directories(folder);
    const std::string command =
        "cd '" + folder.string() + "' && env -i PATH=\"$PATH\" " +
        withFreeDisplay(start.environment) + " timeout 30 '" M8163_APP_PATH "' " + start.arguments +
        " >'" + (scratch / "out").string() + "' 2>'" + (scratch / "err").string() + "'";
    const int status = std::system(command.c_str());
    const std::string out = fileText(scratch / "out");
    const std::string err = fileText(scratch / "err");
    const bool empty = fs::is_empty(folder);
    fs::remove_all(scratch);

    ASSERT_TRUE(WIFEXITED(status)) << command;
    EXPECT_EQ(WEXITSTATUS(status), start.status) << err;
    EXPECT_NE(out.find(start.printed), std::string::npos) << out;
    if (*start.refused == '\0')
        EXPECT_EQ(err, "");
    else
        EXPECT_EQ(err.rfind(withFreeDisplay(start.refused), 0), 0u) << err;
    // One line or the usage hint: no Qt notes, no abort's dump.
    EXPECT_LE(std::count(err.begin(), err.end(), '\n'), 2) << err;
    EXPECT_TRUE(empty) << "the folder got files";
}

INSTANTIATE_TEST_SUITE_P(
    Program, CommandLineTest,
    ::testing::Values(Start{"Version", "QT_QPA_PLATFORM=offscreen", "--version", 0,
                            "m8163 " M8163_VERSION "\n", ""},
                      Start{"Help", "QT_QPA_PLATFORM=offscreen", "--help", 0, "Usage: m8163", ""},
                      Start{"VersionWithoutDisplay", "", "--version", 0, "m8163 ", ""},
                      Start{"Unknown", "QT_QPA_PLATFORM=offscreen", "--geometry 10x10", 2, "",
                            "m8163: unknown argument '--geometry'"},
                      Start{"QtsOwnOption", "QT_QPA_PLATFORM=offscreen", "-platform offscreen", 2,
                            "", "m8163: unknown argument '-platform'"},
                      Start{"TwoAnswers", "QT_QPA_PLATFORM=offscreen", "--help --version", 2, "",
                            "m8163: give only one of"},
                      Start{"NoDisplay", "", "", 1, "", "m8163: no display to open the window on"},
                      Start{"UnreachableDisplay", "DISPLAY=:{free}", "", 1, "",
                            "m8163: cannot open the display :{free};"}),
    [](const ::testing::TestParamInfo<Start>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace m8163
