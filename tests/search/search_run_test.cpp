#include "search/search_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recorders.h"
#include "scripted_port.h"

namespace m8163 {
namespace {

using test::FixedClock;
using test::RecordingBoxes;
using test::ScriptedPort;

std::string trialText(int speed, int parity, unsigned address) {
    return std::to_string(speed) + "/" + std::to_string(parity) + "@" + std::to_string(address);
}

// Records the run as one trace: each trial as the probe saw it (the port's
// format and the line's settings must agree), "pending" for each run of
// pending messages, "found ..." for each hit.
class SearchRunTest : public ::testing::Test, public SearchView, public EventPump {
  protected:
    SearchRunTest() {
        settings.speed = 19200;
        settings.parity = parityFromCode(kParityOdd);
        settings.moduleAddress = 7;
        settings.timeoutMs = 300;
    }

    SearchEnd run(SearchPlan plan) {
        completeSearchPlan(plan);
        const SearchLine line{port, ports, settings, clock, boxes};
        return runSearch(
            plan, line,
            [this](const ModbusLine& l) {
                const auto& s = l.settings;
                // The port at the trial's format, the exchange's times and
                // parity check from the connection's.
                EXPECT_EQ(l.lineSpeed, port.line.speed);
                EXPECT_EQ((LineSettings{s.speed, s.parity}), (LineSettings{19200, Parity::Odd}));
                const std::string trial = trialText(port.line.speed, parityCode(port.line.parity),
                                                    static_cast<unsigned>(s.moduleAddress));
                trace.push_back(trial);
                const bool hit = answering.empty() || trial == answering;
                return hit ? ExchangeStatus{} : ExchangeStatus{kLengthError | kNoReply, 0};
            },
            *this, *this);
    }

    void showTrial(int speed, Parity parity, unsigned address) override {
        shown.push_back(searchProgressText(speed, parity, address));
    }
    void found(const SearchHit& hit) override {
        trace.push_back("found " + trialText(hit.speed, parityCode(hit.parity), hit.address));
    }
    bool stopRequested() override { return ++stopChecks == stopAtCheck; }
    void processPending() override { trace.push_back("pending"); }
    void pause(std::chrono::milliseconds) override {}

    ScriptedPort port;
    ComPortMap ports;
    ConnectionSettings settings;
    FixedClock clock;
    RecordingBoxes boxes;
    std::vector<std::string> trace;
    std::vector<std::string> shown;
    std::string answering = "none";  // the one trial that gets a clean reply; empty: all
    int stopChecks = 0;
    int stopAtCheck = 0;
};

SearchPlan plan(std::vector<int> rates, std::vector<int> parities, unsigned first, unsigned last) {
    SearchPlan p;
    for (int rate : rates)
        p.speeds[static_cast<std::size_t>(lineFormatByBitRate(rate)->listIndex)] = true;
    for (int parity : parities)
        p.parities[static_cast<std::size_t>(parity)] = true;
    p.firstAddress = first;
    p.lastAddress = last;
    return p;
}

TEST_F(SearchRunTest, TriesSpeedsThenModuleNumbersThenParitiesAndReportsTheHits) {
    answering = trialText(19200, kParityEven, 4);
    EXPECT_EQ(run(plan({19200, 1200}, {kParityNone, kParityEven}, 4, 3)), SearchEnd::Normal);
    const std::vector<std::string> expected = {
        "1200/0@3",  "1200/2@3", "pending",   "1200/0@4",  "1200/2@4",       "19200/0@3",
        "19200/2@3", "pending",  "19200/0@4", "19200/2@4", "found 19200/2@4"};
    EXPECT_EQ(trace, expected);
    EXPECT_EQ(shown.front(), "Проверяется скорость 1200 без паритета номер прибора 3");
    // One open per trial, then back to the connection settings; the
    // settings themselves are untouched.
    EXPECT_EQ(port.timeoutsSet.size(), 9u);
    EXPECT_EQ(port.line, (LineSettings{19200, Parity::Odd}));
    EXPECT_EQ(settings.moduleAddress, 7);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(SearchRunTest, PlanGapsAreFilledAsTheWindowDoes) {
    SearchPlan p = plan({}, {}, 10, 3);
    completeSearchPlan(p);
    EXPECT_EQ(p.firstAddress, 3u);
    EXPECT_EQ(p.lastAddress, 10u);
    EXPECT_EQ(p.parities, (std::array<bool, 3>{true, true, true}));
    EXPECT_EQ(p.speeds,
              (std::array<bool, 8>{false, false, false, true, true, false, false, false}));
    EXPECT_EQ(searchProgressText(9600, Parity::Odd, 17),
              "Проверяется скорость 9600 нечетный паритет номер прибора 17");
}

TEST_F(SearchRunTest, StopEndsAtTheNextCheckTickedParityOrNot) {
    // With only odd ticked, checks 1 ... 3 belong to module 1 and 4 ... 6 to
    // module 2: a stop seen at check 4 comes before module 2's trial, one
    // seen at check 5 right after it.
    const std::vector<std::pair<int, std::vector<std::string>>> cases = {
        {4, {"9600/1@1", "pending"}},
        {5, {"9600/1@1", "pending", "9600/1@2"}},
    };
    for (const auto& [check, expected] : cases) {
        SCOPED_TRACE(check);
        trace.clear();
        stopChecks = 0;
        stopAtCheck = check;
        EXPECT_EQ(run(plan({9600}, {kParityOdd}, 1, 5)), SearchEnd::User);
        EXPECT_EQ(trace, expected);
        EXPECT_EQ(port.line, (LineSettings{19200, Parity::Odd}));
    }
    EXPECT_EQ(searchEndText(SearchEnd::User), "Процедура поиска завершена пользователем.");
}

TEST_F(SearchRunTest, TheThirtyThirdModuleEndsTheSearch) {
    answering.clear();
    EXPECT_EQ(run(plan({9600}, {kParityNone}, 0, 247)), SearchEnd::FullTable);
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "pending"), 32);
    EXPECT_EQ(trace.back(), "found 9600/0@32");
    EXPECT_EQ(searchEndText(SearchEnd::FullTable),
              "Процедура поиска завершена.На линии слишком много приборов.");
}

TEST_F(SearchRunTest, NumbersBeyond255AreTriedOnceAndNeverWrapRound) {
    for (unsigned first : {255u, 300u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(first);
        trace.clear();
        EXPECT_EQ(run(plan({9600}, {kParityNone}, first, first)), SearchEnd::Normal);
        EXPECT_EQ(trace, std::vector<std::string>{trialText(9600, kParityNone, first)});
    }
}

}  // namespace
}  // namespace m8163
