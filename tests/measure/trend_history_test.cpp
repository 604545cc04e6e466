#include "measure/trend_history.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "scoped_time_zone.h"

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
    const test::ScopedTimeZone moscow("MSK-3");
    TrendHistory history(4);
    const std::int64_t t0 = localMilliseconds({2026, 12, 10, 14, 32, 50, 125});
    history.add(pointAt(t0 - 5000, 99.0f));  // dropped by the ring
    history.add(pointAt(t0, 25.0f));
    history.add(pointAt(t0 + 1040, -0.1f, 0x0001));
    history.add(pointAt(t0 + 2080, 0.0f, 0, kNoReply));
    history.add(pointAt(t0 + 3125, 1.5e7f, 0x0014, kDeviceException, 4));
    EXPECT_EQ(trendCsv(history, {5, "Котёл 2", "°C"}),
              "# module 5, user text \"Котёл 2\", unit °C\n"
              "time,value,status,exchange,exception\n"
              "2026-12-10T14:32:50.125+03:00,25,0,0,0\n"
              "2026-12-10T14:32:51.165+03:00,-0.1,1,0,0\n"
              "2026-12-10T14:32:52.205+03:00,,,64,0\n"
              "2026-12-10T14:32:53.250+03:00,,,16,4\n");

    TrendHistory odd(2);
    odd.add(pointAt(t0, std::numeric_limits<float>::infinity(), 0x0004));
    odd.add(pointAt(t0, 123456.789f));
    EXPECT_EQ(trendCsv(odd, {1, "", ""}),
              "# module 1\n"
              "time,value,status,exchange,exception\n"
              "2026-12-10T14:32:50.125+03:00,inf,4,0,0\n"
              "2026-12-10T14:32:50.125+03:00,123456.79,0,0,0\n");
    EXPECT_EQ(trendCsv(TrendHistory(1), {247, "", "°C"}),
              "# module 247, unit °C\ntime,value,status,exchange,exception\n");
}

// The offset is the one of each point's own time: west and east of UTC,
// half hours, both sides of a change to summer time, across a year's end.
TEST(TrendHistoryTest, IsoTimesCarryTheOffsetOfTheirOwnMoment) {
    struct Case {
        const char* zone;
        LocalTime time;
        const char* text;
    };
    const Case cases[] = {
        {"UTC0", {2026, 12, 31, 23, 59, 59, 999}, "2026-12-31T23:59:59.999+00:00"},
        {"MSK-3", {2027, 1, 1, 0, 0, 0, 0}, "2027-01-01T00:00:00.000+03:00"},
        {"IST-5:30", {2026, 6, 1, 12, 0, 0, 7}, "2026-06-01T12:00:00.007+05:30"},
        {"EST5EDT,M3.2.0,M11.1.0", {2026, 3, 8, 1, 59, 59, 0}, "2026-03-08T01:59:59.000-05:00"},
        {"EST5EDT,M3.2.0,M11.1.0", {2026, 3, 8, 3, 0, 0, 0}, "2026-03-08T03:00:00.000-04:00"},
        {"EST5EDT,M3.2.0,M11.1.0", {2026, 7, 14, 9, 30, 0, 0}, "2026-07-14T09:30:00.000-04:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const test::ScopedTimeZone zone(c.zone);
        EXPECT_EQ(trendIsoTime(localMilliseconds(c.time)), c.text);
    }
}

TEST(TrendHistoryTest, TemperatureSensorsImplyDegreesCelsius) {
    for (std::uint16_t type = 0; type <= 30; ++type) {
        SCOPED_TRACE(type);
        EXPECT_EQ(trendUnit(type), type <= 18 ? "°C" : "");
    }
}

}  // namespace
}  // namespace m8163
