#include "measure/trend_history.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace m8163 {
namespace {

TrendPoint pointAt(std::int64_t localMs, float value, std::uint16_t status = 0,
                   unsigned exchange = 0, std::uint8_t exception = 0) {
    return {localMs, value, status, exchange, exception};
}

TEST(TrendHistoryTest, TheRingDropsTheOldestBeyondItsSize) {
    TrendHistory history(3);
    for (int i = 1; i <= 5; ++i)
        history.add(pointAt(i * 1000, static_cast<float>(i)));
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history.at(0).value, 3.0f);
    EXPECT_EQ(history.at(1).value, 4.0f);
    EXPECT_EQ(history.latest().value, 5.0f);
    EXPECT_EQ(history.added(), 5u);
    EXPECT_THROW(history.at(3), std::out_of_range);

    history.clear();
    EXPECT_TRUE(history.empty());
    EXPECT_EQ(history.added(), 0u);
    history.add(pointAt(9000, 9.0f));
    EXPECT_EQ(history.latest().value, 9.0f);
}

TEST(TrendHistoryTest, TheDefaultRingHoldsADayAtOneReadingASecond) {
    TrendHistory history;
    EXPECT_GE(history.capacity(), 24u * 60 * 60);
    for (std::size_t i = 0; i < history.capacity() + 10; ++i)
        history.add(pointAt(static_cast<std::int64_t>(i) * 1000, 1.0f));
    EXPECT_EQ(history.size(), history.capacity());
    EXPECT_EQ(history.at(0).localMs, 10'000);
}

TEST(TrendHistoryTest, APointKeepsTheValueOnlyOfAGoodExchange) {
    const LocalTime time{2026, 12, 10, 14, 32, 50, 125};
    MeasurementRecord record{25.5f, 500, 0x0004, 0};
    EXPECT_EQ(trendPoint(time, record, {}), pointAt(localMilliseconds(time), 25.5f, 0x0004, 0, 0));

    // The record still holds the last good reading after a failure; the
    // point does not take it over.
    record.exerr = kNoReply;
    const TrendPoint silent = trendPoint(time, record, {kNoReply, 0});
    EXPECT_TRUE(silent.failed());
    EXPECT_EQ(silent.value, 0.0f);
    EXPECT_EQ(silent.status, 0u);
    EXPECT_TRUE(trendPoint(time, record, {kDeviceException, 2}).failed());
}

TEST(TrendHistoryTest, LocalTimeIsOneLinearAxisAcrossMidnightAndYears) {
    EXPECT_EQ(localMilliseconds({1970, 1, 1, 0, 0, 0, 0}), 0);
    const std::int64_t lastOfYear = localMilliseconds({2026, 12, 31, 23, 59, 59, 999});
    EXPECT_EQ(localMilliseconds({2027, 1, 1, 0, 0, 0, 0}), lastOfYear + 1);
    EXPECT_EQ(trendTimeText(lastOfYear), "2026-12-31 23:59:59.999");
    EXPECT_EQ(trendTimeText(localMilliseconds({2028, 2, 29, 7, 5, 3, 42})),
              "2028-02-29 07:05:03.042");
}

TEST(TrendHistoryTest, TheCsvOfAKnownHistory) {
    TrendHistory history(4);
    const std::int64_t t0 = localMilliseconds({2026, 12, 10, 14, 32, 50, 125});
    history.add(pointAt(t0 - 5000, 99.0f));  // dropped by the ring
    history.add(pointAt(t0, 25.0f));
    history.add(pointAt(t0 + 1040, -0.1f, 0x0001));
    history.add(pointAt(t0 + 2080, 0.0f, 0, kNoReply));
    history.add(pointAt(t0 + 3125, 1.5e7f, 0x0014, kDeviceException, 4));
    EXPECT_EQ(trendCsv(history),
              "time,value,status,exchange,exception\n"
              "2026-12-10 14:32:50.125,25,0,0,0\n"
              "2026-12-10 14:32:51.165,-0.1,1,0,0\n"
              "2026-12-10 14:32:52.205,,,64,0\n"
              "2026-12-10 14:32:53.250,,,16,4\n");

    TrendHistory odd(2);
    odd.add(pointAt(t0, std::numeric_limits<float>::infinity(), 0x0004));
    odd.add(pointAt(t0, 123456.789f));
    EXPECT_EQ(trendCsv(odd),
              "time,value,status,exchange,exception\n"
              "2026-12-10 14:32:50.125,inf,4,0,0\n"
              "2026-12-10 14:32:50.125,123456.79,0,0,0\n");
    EXPECT_EQ(trendCsv(TrendHistory(1)), "time,value,status,exchange,exception\n");
}

}  // namespace
}  // namespace m8163
