#include "sim/line.h"

#include <gtest/gtest.h>

#include <vector>

#include "sim_test_support.h"

namespace m8163::sim {
namespace {

using test::bytes;
using test::withCrc;

constexpr LineFormat k19200None{19200, kNone};

const std::vector<std::uint8_t> kReadOne = withCrc({0x01, 0x03, 0x04, 0x08, 0x00, 0x01});

TEST(SimFrame, CrcMatchesPublishedFrames) {
    // Known frames: a request and an exception reply, CRC low byte first.
    EXPECT_EQ(withCrc({0x01, 0x03, 0x00, 0x00, 0x00, 0x01}),
              bytes({0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A}));
    EXPECT_EQ(withCrc({0x01, 0x83, 0x02}), bytes({0x01, 0x83, 0x02, 0xC0, 0xF1}));
    EXPECT_EQ(withCrc({0x01, 0x90, 0x02}), bytes({0x01, 0x90, 0x02, 0xCD, 0xC1}));
    EXPECT_TRUE(crcMatches(bytes({0x01, 0x83, 0x02, 0xC0, 0xF1})));
    EXPECT_FALSE(crcMatches(bytes({0x01, 0x83, 0x02, 0xC0, 0xF0})));
}

TEST(SimLine, AnswersOnlyItsAddressAtItsOwnSpeedAndParity) {
    struct Case {
        const char* what;
        int address;
        LineFormat format;
        bool answers;
    };
    const Case cases[] = {
        {"its address and format", 1, k19200None, true},
        {"another address", 2, k19200None, false},
        {"another speed", 1, {9600, kNone}, false},
        {"odd parity", 1, {19200, kOdd}, false},
        {"even parity", 1, {19200, kEven}, false},
        {"a speed outside the table", 1, {0, kNone}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Line line;
        Reply reply = line.handle(withCrc({c.address, 0x03, 0x04, 0x08, 0x00, 0x01}), c.format, 0);
        if (c.answers) {
            EXPECT_EQ(reply.bytes, withCrc({0x01, 0x03, 0x02, 0x00, 0x01}));
            EXPECT_EQ(line.modules()[0].counters.replies, 1u);
        } else {
            EXPECT_TRUE(reply.bytes.empty());
            EXPECT_EQ(line.modules()[0].counters.requests, 0u);
        }
    }
}

TEST(SimLine, IgnoresBadCrcAndRunts) {
    Line line;
    std::vector<std::uint8_t> damaged = kReadOne;
    damaged.back() ^= 1;
    EXPECT_TRUE(line.handle(damaged, k19200None, 0).bytes.empty());
    EXPECT_TRUE(line.handle(bytes({0x01, 0x03, 0x00}), k19200None, 0).bytes.empty());
    EXPECT_EQ(line.badFrames(), 2u);
    EXPECT_EQ(line.modules()[0].counters.requests, 0u);
}

TEST(SimLine, ExceptionRepliesCarryTheRequestsAddress) {
    Line line;
    EXPECT_EQ(line.handle(withCrc({0x01, 0x03, 0x01, 0x00, 0x00, 0x01}), k19200None, 0).bytes,
              bytes({0x01, 0x83, 0x02, 0xC0, 0xF1}));
    EXPECT_EQ(line.handle(withCrc({0x01, 0x06, 0x04, 0x16, 0x00, 0x01}), k19200None, 0).bytes,
              withCrc({0x01, 0x86, 0x01}));
}

TEST(SimLine, FollowsWrittenExchangeParametersAfterAnswering) {
    Line line;
    // Network number 7, 38400 bit/s, even parity.
    Reply reply = line.handle(
        withCrc({0x01, 0x10, 0x04, 0x08, 0x00, 0x03, 0x06, 0x00, 0x07, 0x00, 0x08, 0x00, 0x02}),
        k19200None, 0);
    EXPECT_EQ(reply.bytes, withCrc({0x01, 0x10, 0x04, 0x08, 0x00, 0x03}));

    EXPECT_TRUE(line.handle(kReadOne, k19200None, 0).bytes.empty());
    EXPECT_TRUE(
        line.handle(withCrc({0x07, 0x03, 0x04, 0x08, 0x00, 0x01}), k19200None, 0).bytes.empty());
    EXPECT_TRUE(
        line.handle(withCrc({0x07, 0x03, 0x04, 0x08, 0x00, 0x01}), {38400, kOdd}, 0).bytes.empty());
    EXPECT_EQ(line.handle(withCrc({0x07, 0x03, 0x04, 0x08, 0x00, 0x03}), {38400, kEven}, 0).bytes,
              withCrc({0x07, 0x03, 0x06, 0x00, 0x07, 0x00, 0x08, 0x00, 0x02}));
    EXPECT_NE(line.find(7), nullptr);
    EXPECT_EQ(line.find(1), nullptr);
}

TEST(SimLine, InitModeAnswersAtDefaultsUntilParametersAreWritten) {
    std::vector<ModuleModel> modules;
    modules.emplace_back(ModuleSetup{5, {9600, kOdd}, true});
    Line line(std::move(modules));
    EXPECT_TRUE(
        line.handle(withCrc({0x05, 0x03, 0x04, 0x08, 0x00, 0x01}), {9600, kOdd}, 0).bytes.empty());
    // At address 1, 19200, no parity it shows its stored parameters.
    EXPECT_EQ(line.handle(withCrc({0x01, 0x03, 0x04, 0x08, 0x00, 0x03}), k19200None, 0).bytes,
              withCrc({0x01, 0x03, 0x06, 0x00, 0x05, 0x00, 0x06, 0x00, 0x01}));
    // Writing them (unchanged) ends INIT mode.
    line.handle(
        withCrc({0x01, 0x10, 0x04, 0x08, 0x00, 0x03, 0x06, 0x00, 0x05, 0x00, 0x06, 0x00, 0x01}),
        k19200None, 0);
    EXPECT_FALSE(line.modules()[0].initMode());
    EXPECT_TRUE(line.handle(kReadOne, k19200None, 0).bytes.empty());
    EXPECT_FALSE(
        line.handle(withCrc({0x05, 0x03, 0x04, 0x08, 0x00, 0x01}), {9600, kOdd}, 0).bytes.empty());
}

TEST(SimLine, BroadcastWritesEveryModuleAtTheFormatAndAnswersNothing) {
    std::vector<ModuleModel> modules;
    modules.emplace_back(ModuleSetup{1, k19200None, false});
    modules.emplace_back(ModuleSetup{2, k19200None, false});
    modules.emplace_back(ModuleSetup{3, {9600, kNone}, false});
    Line line(std::move(modules));
    // Averaging code 5 to everybody.
    Reply reply =
        line.handle(withCrc({0x00, 0x10, 0x05, 0x07, 0x00, 0x01, 0x02, 0x00, 0x05}), k19200None, 0);
    EXPECT_TRUE(reply.bytes.empty());
    EXPECT_EQ(line.modules()[0].reg(reg::kAveraging), 5);
    EXPECT_EQ(line.modules()[1].reg(reg::kAveraging), 5);
    EXPECT_EQ(line.modules()[2].reg(reg::kAveraging), 3);  // another speed: not heard
    // A broadcast read is not answered either.
    EXPECT_TRUE(
        line.handle(withCrc({0x00, 0x03, 0x04, 0x08, 0x00, 0x01}), k19200None, 0).bytes.empty());
    EXPECT_EQ(line.modules()[0].counters.replies, 0u);
}

TEST(SimLine, SeveralModulesEachAnswerTheirOwnAddressAndFormat) {
    std::vector<ModuleModel> modules;
    modules.emplace_back(ModuleSetup{1, k19200None, false});
    modules.emplace_back(ModuleSetup{2, {9600, kEven}, false});
    Line line(std::move(modules));
    EXPECT_EQ(line.handle(withCrc({0x02, 0x03, 0x04, 0x08, 0x00, 0x01}), {9600, kEven}, 0).bytes,
              withCrc({0x02, 0x03, 0x02, 0x00, 0x02}));
    EXPECT_TRUE(
        line.handle(withCrc({0x02, 0x03, 0x04, 0x08, 0x00, 0x01}), k19200None, 0).bytes.empty());
    EXPECT_FALSE(line.handle(kReadOne, k19200None, 0).bytes.empty());
    EXPECT_TRUE(line.handle(kReadOne, {9600, kEven}, 0).bytes.empty());
}

TEST(SimLine, FaultsShapeTheReply) {
    const std::vector<std::uint8_t> normal = withCrc({0x01, 0x03, 0x02, 0x00, 0x01});
    struct Case {
        const char* what;
        Fault fault;
        std::vector<std::uint8_t> expected;
    };
    std::vector<std::uint8_t> badCrc = normal;
    badCrc[5] ^= 0x5A;
    std::vector<std::uint8_t> extra = normal;
    extra.insert(extra.end(), {0x55, 0x55, 0x55});
    const std::vector<Case> cases = {
        {"silence", {FaultKind::Silence}, {}},
        {"corrupt CRC", {FaultKind::CorruptCrc}, badCrc},
        {"wrong address", {FaultKind::WrongAddress}, withCrc({0x02, 0x03, 0x02, 0x00, 0x01})},
        {"truncated", {FaultKind::Truncate, 2}, bytes({0x01, 0x03, 0x02, 0x00, 0x01})},
        {"extra bytes", {FaultKind::ExtraBytes, 3}, extra},
        {"exception", {FaultKind::Exception, 4}, withCrc({0x01, 0x83, 0x04})},
        {"exception for other registers",
         {FaultKind::Exception, 4, 1.0, -1, 0x0500, 0x053E},
         normal},
        {"exception for these registers",
         {FaultKind::Exception, 4, 1.0, -1, 0x0400, 0x0408},
         withCrc({0x01, 0x83, 0x04})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Line line;
        line.modules()[0].faults.push_back(c.fault);
        EXPECT_EQ(line.handle(kReadOne, k19200None, 0).bytes, c.expected);
        EXPECT_EQ(line.modules()[0].counters.requests, 1u);
        EXPECT_EQ(line.modules()[0].counters.replies, c.expected.empty() ? 0u : 1u);
    }
}

// A module that answers a write as done but keeps its old values: only the
// writes that touch the fault's registers, and reads do not spend it.
TEST(SimLine, KeepOldAnswersTheWriteAndKeepsTheValue) {
    Line line;
    ModuleModel& module = line.modules()[0];
    const std::uint16_t averaging = module.reg(reg::kAveraging);
    module.faults.push_back({FaultKind::KeepOld, 0, 1.0, 1, reg::kAveraging, reg::kAveraging});
    const auto writeAveraging = withCrc({0x01, 0x10, 0x05, 0x07, 0x00, 0x01, 0x02, 0x00, 0x09});
    const auto writeUserText = withCrc({0x01, 0x10, 0x04, 0x0E, 0x00, 0x01, 0x02, 0x41, 0x42});

    EXPECT_EQ(line.handle(kReadOne, k19200None, 0).bytes, withCrc({0x01, 0x03, 0x02, 0x00, 0x01}));
    EXPECT_EQ(line.handle(writeUserText, k19200None, 0).bytes,
              withCrc({0x01, 0x10, 0x04, 0x0E, 0x00, 0x01}));
    EXPECT_EQ(module.reg(reg::kUserText), 0x4142);
    ASSERT_EQ(module.faults.size(), 1u);

    EXPECT_EQ(line.handle(writeAveraging, k19200None, 0).bytes,
              withCrc({0x01, 0x10, 0x05, 0x07, 0x00, 0x01}));
    EXPECT_EQ(module.reg(reg::kAveraging), averaging);
    EXPECT_TRUE(module.faults.empty());
    line.handle(writeAveraging, k19200None, 0);
    EXPECT_EQ(module.reg(reg::kAveraging), 9);
}

TEST(SimLine, TimingFaultsComeAsInstructions) {
    Line line;
    line.modules()[0].faults.push_back({FaultKind::Delay, 300});
    line.modules()[0].faults.push_back({FaultKind::Gap, 40});
    Reply reply = line.handle(kReadOne, k19200None, 0);
    EXPECT_EQ(reply.bytes, withCrc({0x01, 0x03, 0x02, 0x00, 0x01}));
    EXPECT_EQ(reply.delay, std::chrono::milliseconds(300));
    EXPECT_EQ(reply.gap, std::chrono::milliseconds(40));
    EXPECT_EQ(reply.gapAfter, 3u);
}

TEST(SimLine, FaultWithACountStrikesTheNextRequestsOnly) {
    Line line;
    line.modules()[0].faults.push_back({FaultKind::Silence, 0, 1.0, 2});
    EXPECT_TRUE(line.handle(kReadOne, k19200None, 0).bytes.empty());
    EXPECT_TRUE(line.handle(kReadOne, k19200None, 0).bytes.empty());
    EXPECT_FALSE(line.handle(kReadOne, k19200None, 0).bytes.empty());
    EXPECT_TRUE(line.modules()[0].faults.empty());
}

TEST(SimLine, FaultEveryKthAndAStatusForSomeRequests) {
    Line line;
    Fault fault{FaultKind::Silence};
    fault.every = 3;
    line.modules()[0].faults.push_back(fault);
    // Status bits 0x04 only on the module's requests 2 to 4.
    line.modules()[0].setForcedStatus(0x04, 2, 4);
    const std::vector<std::uint8_t> readStatus = withCrc({0x01, 0x03, 0x00, 0x03, 0x00, 0x01});
    std::string seen;
    for (int request = 1; request <= 7; ++request) {
        const std::vector<std::uint8_t> reply = line.handle(readStatus, k19200None, 0).bytes;
        seen += reply.empty() ? '-' : static_cast<char>('0' + reply[4]);
    }
    EXPECT_EQ(seen, "04-40-0");
}

TEST(SimLine, FaultSilenceLeavesAWriteUndone) {
    Line line;
    line.modules()[0].faults.push_back({FaultKind::Silence, 0, 1.0, 1});
    line.handle(withCrc({0x01, 0x10, 0x05, 0x07, 0x00, 0x01, 0x02, 0x00, 0x05}), k19200None, 0);
    EXPECT_EQ(line.modules()[0].reg(reg::kAveraging), 3);
}

TEST(SimLine, FaultByProbabilityStrikesAboutThatShare) {
    Line line({}, 42);
    line.modules()[0].faults.push_back({FaultKind::Silence, 0, 0.25});
    int silent = 0;
    for (int i = 0; i < 1000; ++i) {
        if (line.handle(kReadOne, k19200None, 0).bytes.empty())
            ++silent;
    }
    EXPECT_GT(silent, 170);
    EXPECT_LT(silent, 330);
    EXPECT_EQ(line.modules()[0].faults.size(), 1u);
}

TEST(SimLine, BlinkGivesAnEvent) {
    Line line;
    Reply reply =
        line.handle(withCrc({0x01, 0x10, 0x04, 0x16, 0x00, 0x01, 0x02, 0x00, 0x01}), k19200None, 0);
    EXPECT_EQ(reply.bytes, withCrc({0x01, 0x10, 0x04, 0x16, 0x00, 0x01}));
    ASSERT_EQ(reply.events.size(), 1u);
    EXPECT_EQ(reply.events[0], "BLINK module 1 count 1");
}

}  // namespace
}  // namespace m8163::sim
