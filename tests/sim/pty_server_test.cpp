#include "sim/pty_server.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "sim_test_support.h"

namespace m8163::sim {
namespace {

using namespace std::chrono_literals;
using test::RawClient;
using test::TempDir;
using test::withCrc;

using Clock = std::chrono::steady_clock;

const std::vector<std::uint8_t> kReadParameters = withCrc({0x01, 0x03, 0x04, 0x08, 0x00, 0x03});
const std::vector<std::uint8_t> kParametersReply =
    withCrc({0x01, 0x03, 0x06, 0x00, 0x01, 0x00, 0x07, 0x00, 0x00});

class PtyServerTest : public ::testing::Test {
  protected:
    ServerOptions options() {
        ServerOptions o;
        o.link = dir.file("port");
        return o;
    }
    TempDir dir;
};

TEST_F(PtyServerTest, ServesThroughTheLinkAndRemovesIt) {
    std::string link;
    {
        PtyServer server(options());
        server.start();
        link = server.path();
        EXPECT_EQ(link, dir.file("port"));
        char target[256] = {};
        ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
        EXPECT_EQ(std::string(target), server.deviceName());

        RawClient client(link, 19200, 0);
        EXPECT_EQ(client.transact(kReadParameters, 11), kParametersReply);
        server.stop();
        struct stat st {};
        EXPECT_NE(::lstat(link.c_str(), &st), 0);
    }
}

TEST_F(PtyServerTest, PortCanBeClosedAndOpenedAgain) {
    PtyServer server(options());
    server.start();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        RawClient client(server.path(), 19200, 0);
        EXPECT_EQ(client.transact(kReadParameters, 11), kParametersReply);
    }
    EXPECT_TRUE(server.healthy());
}

TEST_F(PtyServerTest, SilentAtAnotherSpeedOrParityOfTheTerminal) {
    ServerOptions o = options();
    o.modules.emplace_back(ModuleSetup{1, {9600, kOdd}, false});
    PtyServer server(std::move(o));
    server.start();
    RawClient client(server.path(), 9600, kOdd);
    struct Case {
        int speed;
        int parity;
        bool answers;
    };
    for (Case c : {Case{9600, kOdd, true}, Case{9600, kEven, false}, Case{9600, kNone, false},
                   Case{19200, kOdd, false}, Case{9600, kOdd, true}}) {
        SCOPED_TRACE(std::to_string(c.speed) + " " + parityLetter(c.parity));
        client.setLine(c.speed, c.parity);
        auto reply = client.transact(kReadParameters, 11, 500ms);
        EXPECT_EQ(reply.empty(), !c.answers);
    }
    server.withLine([](Line& line) {
        EXPECT_EQ(line.modules()[0].counters.requests, 2u);
        EXPECT_EQ(line.modules()[0].counters.replies, 2u);
    });
}

TEST_F(PtyServerTest, FollowsWrittenParametersOnTheNextRequest) {
    PtyServer server(options());
    server.start();
    RawClient client(server.path(), 19200, kNone);
    auto write =
        withCrc({0x01, 0x10, 0x04, 0x08, 0x00, 0x03, 0x06, 0x00, 0x09, 0x00, 0x0A, 0x00, 0x01});
    EXPECT_EQ(client.transact(write, 8), withCrc({0x01, 0x10, 0x04, 0x08, 0x00, 0x03}));
    client.setLine(115200, kOdd);
    EXPECT_EQ(client.transact(withCrc({0x09, 0x03, 0x04, 0x08, 0x00, 0x03}), 11),
              withCrc({0x09, 0x03, 0x06, 0x00, 0x09, 0x00, 0x0A, 0x00, 0x01}));
}

TEST_F(PtyServerTest, DelayAndPaceTakeTheirTime) {
    ServerOptions o = options();
    o.pace = true;
    o.modules.emplace_back(ModuleSetup{1, {1200, kNone}, false});
    PtyServer server(std::move(o));
    server.start();
    server.withModule(1, [](ModuleModel& m) { m.faults.push_back({FaultKind::Delay, 200}); });
    RawClient client(server.path(), 1200, kNone);
    // 16 registers: 37 bytes, 11 bits each at 1200 bit/s; the last byte leaves 36 byte
    // times (330 ms) after the first, which waits 200 ms.
    auto start = Clock::now();
    auto reply = client.transact(withCrc({0x01, 0x03, 0x05, 0x1F, 0x00, 0x10}), 37);
    auto took = Clock::now() - start;
    EXPECT_EQ(reply.size(), 37u);
    EXPECT_GE(took, 200ms + 320ms);
    EXPECT_LT(took, 5s);
}

TEST_F(PtyServerTest, GapSplitsTheReply) {
    PtyServer server(options());
    server.start();
    server.withModule(1, [](ModuleModel& m) { m.faults.push_back({FaultKind::Gap, 1000}); });
    RawClient client(server.path(), 19200, kNone);
    client.send(kReadParameters);
    // The first half arrives, then the line stays silent longer than 100 ms.
    auto first = client.receive(11, 5s, 100ms);
    EXPECT_EQ(first.size(), 5u);
    auto rest = client.receive(11, 5s, 100ms);
    first.insert(first.end(), rest.begin(), rest.end());
    EXPECT_EQ(first, kParametersReply);
}

TEST_F(PtyServerTest, WaitUntilSeesBlinksAndStateFileShowsWrites) {
    ServerOptions o = options();
    o.stateFile = dir.file("state.json");
    PtyServer server(std::move(o));
    server.start();
    RawClient client(server.path(), 19200, kNone);
    // User text "Щ" (0xD9) and a blink in one write of 9 registers.
    std::vector<std::uint8_t> write(8 + 16 + 1, 0);
    const std::uint8_t head[] = {0x01, 0x10, 0x04, 0x0E, 0x00, 0x09, 0x12, 0xD9};
    std::copy(std::begin(head), std::end(head), write.begin());
    write.back() = 0x01;
    appendCrc(write);
    EXPECT_EQ(client.transact(write, 8), withCrc({0x01, 0x10, 0x04, 0x0E, 0x00, 0x09}));
    EXPECT_TRUE(server.waitUntil(
        [](const Line& line) { return line.modules()[0].counters.blinks == 1; }, 5s));
    std::ifstream in(dir.file("state.json"));
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("\"userText\": \"Щ\""), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("\"blinks\": 1"), std::string::npos);
    EXPECT_NE(text.str().find("\"general\": [33123, "), std::string::npos);
    // Only the state file in the folder besides the link: no temporary left.
    int entries = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.file("")))
        ++entries;
    EXPECT_EQ(entries, 2);
}

TEST_F(PtyServerTest, ModulesAreReachedByTheirCurrentAddress) {
    PtyServer server(options());
    server.start();
    EXPECT_THROW(server.withModule(2, [](ModuleModel&) {}), std::out_of_range);
    server.withModule(1, [](ModuleModel& m) { m.setReg(reg::kNetworkNumber, 2); });
    EXPECT_NO_THROW(server.withModule(2, [](ModuleModel&) {}));
}

TEST_F(PtyServerTest, RefusesToReplaceAFileWithItsLink) {
    { std::ofstream(dir.file("port")) << "data"; }
    PtyServer server(options());
    EXPECT_THROW(server.start(), std::runtime_error);
    std::ifstream in(dir.file("port"));
    std::string content;
    in >> content;
    EXPECT_EQ(content, "data");
}

TEST_F(PtyServerTest, WithoutALinkPathIsTheDevice) {
    PtyServer server(ServerOptions{});
    server.start();
    EXPECT_EQ(server.path(), server.deviceName());
    EXPECT_EQ(server.path().rfind("/dev/pts/", 0), 0u);
    RawClient client(server.path(), 19200, kNone);
    EXPECT_EQ(client.transact(kReadParameters, 11), kParametersReply);
}

}  // namespace
}  // namespace m8163::sim
