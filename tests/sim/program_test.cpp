// The program sim8163 itself, started as a user starts it.

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "child_process.h"
#include "sim_test_support.h"

namespace m8163::sim {
namespace {

using namespace std::chrono_literals;
using test::ChildProcess;
using test::RawClient;
using test::TempDir;
using test::withCrc;

constexpr auto kStartTimeout = 10s;

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> sim(std::vector<std::string> args) {
    args.insert(args.begin(), M8163_SIM_PATH);
    return args;
}

TEST(SimProgram, PublishesTheLinkUntilASignalEndsIt) {
    for (int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(sig);
        TempDir dir;
        const std::string link = dir.file("ttySIM");
        ChildProcess program(sim({"--link", link}));
        ASSERT_EQ(program.waitForLine("READY", kStartTimeout), "READY " + link) << program.err;
        char target[256] = {};
        ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
        EXPECT_EQ(std::string(target).rfind("/dev/pts/", 0), 0u);
        {
            RawClient client(link, 19200, 0);
            EXPECT_EQ(client.transact(withCrc({0x01, 0x03, 0x04, 0x00, 0x00, 0x01}), 7),
                      withCrc({0x01, 0x03, 0x02, 0x81, 0x63}));
        }
        program.signal(sig);
        EXPECT_EQ(program.wait(kStartTimeout), 0) << program.err;
        EXPECT_FALSE(exists(link));
    }
}

TEST(SimProgram, RefusesBadOptionsWithExitCode2) {
    TempDir dir;
    const std::string link = dir.file("port");
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"},
        {},
        {"--link", link, "--device", "/dev/null"},
        {"--link"},
        {"--link", link, "--module", "300"},
        {"--link", link, "--module", "1:1234"},
        {"--link", link, "--module", "1:9600:X"},
        {"--link", link, "--module", "abc"},
        {"--link", link, "--fault", "1,explode"},
        {"--link", link, "--fault", "2,silence"},
        {"--link", link, "--fault", "1,delay"},
        {"--link", link, "--fault", "1,crc,p=1.5"},
        {"--link", link, "--fault", "1,exception,4,regs=0x0600-0x0500"},
        {"--link", link, "--status", "1"},
        {"--link", link, "--status", "1,4,requests=5-2"},
        {"--link", link, "--status", "1,4,from=2"},
        {"--link", link, "--fault", "1,silence,every=0"},
    };
    for (const auto& args : cases) {
        std::string shown;
        for (const auto& a : args)
            shown += a + " ";
        SCOPED_TRACE(shown);
        ChildProcess program(sim(args));
        EXPECT_EQ(program.wait(kStartTimeout), 2);
        EXPECT_NE(program.err.find("sim8163: "), std::string::npos);
        EXPECT_NE(program.err.find("--help"), std::string::npos);
        EXPECT_FALSE(exists(link));
    }
}

TEST(SimProgram, HelpListsTheOptions) {
    ChildProcess program(sim({"--help"}));
    EXPECT_EQ(program.wait(kStartTimeout), 0);
    for (const char* option :
         {"--link", "--device", "--module", "--init", "--pace", "--state", "--fault", "--status"}) {
        EXPECT_NE(program.out.find(option), std::string::npos) << option;
    }
}

TEST(SimProgram, ReportsALinkItCannotCreate) {
    TempDir dir;
    ChildProcess program(sim({"--link", dir.file("missing/port")}));
    EXPECT_EQ(program.wait(kStartTimeout), 1);
    EXPECT_NE(program.err.find(dir.file("missing/port")), std::string::npos) << program.err;
}

TEST(SimProgram, ModulesFaultsBlinkAndState) {
    TempDir dir;
    const std::string link = dir.file("port");
    const std::string state = dir.file("state.json");
    ChildProcess program(
        sim({"--link", link, "--state", state, "--module", "5:9600:E", "--module", "6", "--fault",
             "5,exception,4,regs=0x0500-0x053E", "--status", "6,0x11"}));
    ASSERT_EQ(program.waitForLine("READY", kStartTimeout), "READY " + link) << program.err;
    RawClient client(link, 9600, 2);
    EXPECT_EQ(client.transact(withCrc({0x05, 0x03, 0x04, 0x08, 0x00, 0x03}), 11),
              withCrc({0x05, 0x03, 0x06, 0x00, 0x05, 0x00, 0x06, 0x00, 0x02}));
    EXPECT_EQ(client.transact(withCrc({0x05, 0x03, 0x05, 0x00, 0x00, 0x01}), 7),
              withCrc({0x05, 0x83, 0x04}));
    EXPECT_EQ(client.transact(withCrc({0x05, 0x10, 0x04, 0x16, 0x00, 0x01, 0x02, 0x00, 0x01}), 8),
              withCrc({0x05, 0x10, 0x04, 0x16, 0x00, 0x01}));
    EXPECT_EQ(program.waitForLine("BLINK", kStartTimeout), "BLINK module 5 count 1");

    client.setLine(19200, 0);
    EXPECT_EQ(client.transact(withCrc({0x06, 0x03, 0x04, 0x08, 0x00, 0x01}), 7),
              withCrc({0x06, 0x03, 0x02, 0x00, 0x06}));
    // Break and ADC error forced in the status word.
    EXPECT_EQ(client.transact(withCrc({0x06, 0x03, 0x00, 0x03, 0x00, 0x01}), 7),
              withCrc({0x06, 0x03, 0x02, 0x00, 0x11}));

    std::ifstream in(state);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("\"address\": 5, \"speed\": 9600, \"parity\": 2, \"init\": false, "
                              "\"requests\": 3, \"replies\": 3, \"blinks\": 1"),
              std::string::npos)
        << text.str();
    program.signal(SIGTERM);
    EXPECT_EQ(program.wait(kStartTimeout), 0);
}

TEST(SimProgram, InitModeAnswersAtTheInitSettings) {
    TempDir dir;
    const std::string link = dir.file("port");
    ChildProcess program(sim({"--link", link, "--init", "--module", "9:4800:O"}));
    ASSERT_EQ(program.waitForLine("READY", kStartTimeout), "READY " + link) << program.err;
    RawClient client(link, 19200, 0);
    EXPECT_EQ(client.transact(withCrc({0x01, 0x03, 0x04, 0x08, 0x00, 0x03}), 11),
              withCrc({0x01, 0x03, 0x06, 0x00, 0x09, 0x00, 0x05, 0x00, 0x01}));
}

TEST(SimProgram, ServesAnExistingDevice) {
    // A pseudo-terminal pair stands in for a USB adapter pair: the program
    // serves the far end, the test talks on the master.
    int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    char name[128] = {};
    ASSERT_EQ(::ptsname_r(master, name, sizeof name), 0);

    ChildProcess program(sim({"--device", name, "--module", "3:57600:O"}));
    ASSERT_EQ(program.waitForLine("READY", kStartTimeout), std::string("READY ") + name)
        << program.err;
    auto request = withCrc({0x03, 0x03, 0x04, 0x08, 0x00, 0x03});
    ASSERT_EQ(::write(master, request.data(), request.size()),
              static_cast<ssize_t>(request.size()));
    std::vector<std::uint8_t> reply;
    while (reply.size() < 11) {
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0)
            break;
        std::uint8_t buffer[64];
        ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        reply.insert(reply.end(), buffer, buffer + n);
    }
    EXPECT_EQ(reply, withCrc({0x03, 0x03, 0x06, 0x00, 0x03, 0x00, 0x09, 0x00, 0x01}));
    program.signal(SIGTERM);
    EXPECT_EQ(program.wait(kStartTimeout), 0) << program.err;
    ::close(master);
}

}  // namespace
}  // namespace m8163::sim
