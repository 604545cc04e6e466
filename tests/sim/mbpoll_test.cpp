// An independent Modbus master (mbpoll, built on libmodbus) against the
// simulator's pseudo-terminal.

#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "child_process.h"
#include "sim/pty_server.h"
#include "sim_test_support.h"

namespace m8163::sim {
namespace {

using namespace std::chrono_literals;
using test::ChildProcess;
using test::TempDir;

struct MbpollRun {
    int exitCode = -1;
    std::map<int, long> values;  // register -> value as printed
    std::string output;
};

class MbpollTest : public ::testing::Test {
  protected:
    void SetUp() override {
        mbpoll_ = test::findProgram("mbpoll");
        if (mbpoll_.empty())
            GTEST_SKIP() << "mbpoll is not installed (Debian package mbpoll; test.sh installs it)";
        ServerOptions options;
        options.link = dir_.file("port");
        server_ = std::make_unique<PtyServer>(std::move(options));
        server_->start();
        server_->withModule(1, [](ModuleModel& m) { m.fixMeasurement(25.0f); });
    }

    // mbpoll in RTU mode, 0-based register numbers, one poll.
    MbpollRun mbpoll(int address, int speed, const std::string& parity, int start, int count,
                     const std::vector<std::string>& writeValues = {}) {
        std::vector<std::string> args = {mbpoll_,
                                         "-m",
                                         "rtu",
                                         "-a",
                                         std::to_string(address),
                                         "-b",
                                         std::to_string(speed),
                                         "-P",
                                         parity,
                                         "-0",
                                         "-1",
                                         "-o",
                                         "0.5",
                                         "-r",
                                         std::to_string(start)};
        if (writeValues.empty()) {
            args.insert(args.end(), {"-c", std::to_string(count)});
        }
        args.push_back(server_->path());
        args.insert(args.end(), writeValues.begin(), writeValues.end());
        ChildProcess process(args);
        MbpollRun run;
        run.exitCode = process.wait(20s);
        run.output = process.out + process.err;
        static const std::regex line(R"(\[(\d+)\]:\s+(-?\d+))");
        for (std::sregex_iterator it(process.out.begin(), process.out.end(), line), end; it != end;
             ++it) {
            run.values[std::stoi((*it)[1])] = std::stol((*it)[2]);
        }
        return run;
    }

    TempDir dir_;
    std::string mbpoll_;
    std::unique_ptr<PtyServer> server_;
};

TEST_F(MbpollTest, ReadsTheMeasurementBlock) {
    MbpollRun run = mbpoll(1, 19200, "none", 0, 7);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    // 25.0 as a float is 41C8 0000 hex; 37.50 % of -50 ... 150; status 0.
    std::map<int, long> expected = {{0, 0x41C8}, {1, 0}, {2, 3750}, {3, 0}, {4, 0}, {5, 0}, {6, 0}};
    EXPECT_EQ(run.values, expected) << run.output;
}

TEST_F(MbpollTest, ReadsTheExchangeParameters) {
    MbpollRun run = mbpoll(1, 19200, "none", 0x0408, 5);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    std::map<int, long> expected = {
        {0x0408, 1}, {0x0409, 7}, {0x040A, 0}, {0x040B, 0}, {0x040C, 50}};
    EXPECT_EQ(run.values, expected) << run.output;
}

TEST_F(MbpollTest, WrittenParametersAnswerAtTheNewAddressAndSpeed) {
    MbpollRun write = mbpoll(1, 19200, "none", 0x0408, 3, {"7", "8", "2"});
    ASSERT_EQ(write.exitCode, 0) << write.output;
    EXPECT_NE(write.output.find("Written 3 references"), std::string::npos) << write.output;

    MbpollRun old = mbpoll(1, 19200, "none", 0x0408, 3);
    EXPECT_NE(old.exitCode, 0) << old.output;
    MbpollRun wrongParity = mbpoll(7, 38400, "odd", 0x0408, 3);
    EXPECT_NE(wrongParity.exitCode, 0) << wrongParity.output;

    MbpollRun read = mbpoll(7, 38400, "even", 0x0408, 3);
    ASSERT_EQ(read.exitCode, 0) << read.output;
    std::map<int, long> expected = {{0x0408, 7}, {0x0409, 8}, {0x040A, 2}};
    EXPECT_EQ(read.values, expected) << read.output;
}

TEST_F(MbpollTest, UnmappedAddressGivesTheException) {
    MbpollRun run = mbpoll(1, 19200, "none", 0x0100, 1);
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.output.find("Illegal data address"), std::string::npos) << run.output;
    // mbpoll writes one register with function 06, which the module does not have.
    MbpollRun single = mbpoll(1, 19200, "none", 0x0416, 1, {"1"});
    EXPECT_NE(single.exitCode, 0);
    EXPECT_NE(single.output.find("Illegal function"), std::string::npos) << single.output;
}

}  // namespace
}  // namespace m8163::sim
