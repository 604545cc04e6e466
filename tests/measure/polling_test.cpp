#include "measure/polling.h"

#include <gtest/gtest.h>

namespace m8163 {
namespace {

TEST(PollingTest, PageRuleStopsPollingOnEveryOtherPage) {
    PollingState state;
    setPolling(state, true);
    EXPECT_FALSE(applyPageRule(state, true));
    EXPECT_TRUE(state.polling);
    EXPECT_TRUE(applyPageRule(state, false));
    EXPECT_FALSE(state.polling);
    // It applies whatever the switch was.
    EXPECT_TRUE(applyPageRule(state, false));
    EXPECT_FALSE(state.polling);
}

TEST(PollingTest, CountsCyclesAndBothKindsOfError) {
    PollingState state;
    MeasurementRecord good{25.0f, 0, 0, 0};
    MeasurementRecord faulty{25.0f, 0, 0x0001, 0};
    countCycle(state, 0, good);
    countCycle(state, 0, faulty);
    // A failed read keeps the faulty status of the last good reading: it counts again.
    countCycle(state, 0x6E, faulty);
    countCycle(state, 0x6E, good);
    EXPECT_EQ(state.cycles, 4u);
    EXPECT_EQ(state.measurementErrors, 2u);
    EXPECT_EQ(state.exchangeErrors, 2u);
    EXPECT_EQ(counterTexts(state), (CounterTexts{"4", "2", "2"}));

    setPolling(state, true);
    resetCounters(state);
    EXPECT_EQ(counterTexts(state), (CounterTexts{"0", "0", "0"}));
    EXPECT_TRUE(state.polling);
}

TEST(PollingTest, FirstTickKeepsTheRhythmOfTheLastArming) {
    using namespace std::chrono_literals;
    struct Case {
        std::chrono::nanoseconds sinceArmed;
        std::chrono::milliseconds delay;
    };
    const Case cases[] =
        {
            {0ns, 1000ms},    {1ns, 1000ms},    {250ms, 750ms},  {999ms, 1ms},
            {999'500us, 1ms}, {1000ms, 1000ms}, {2300ms, 700ms}, {3600s + 1ms, 999ms},
            {-5ms, 1000ms},  // a clock that went back: one whole interval
        };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sinceArmed.count());
        EXPECT_EQ(firstTickDelay(c.sinceArmed), c.delay);
    }
}

}  // namespace
}  // namespace m8163
