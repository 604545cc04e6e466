#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/clock.h"
#include "module/register_image.h"
#include "protocol/exchange_result.h"

// The history of measured values behind the trend strip of the first page:
// one point per polling cycle or single reading, kept in a ring of fixed
// size, and its export as CSV. Plain data, no window.

namespace m8163 {

// One reading. A failed exchange has no value of its own (the record keeps
// the last good one), so it is kept as a failure and drawn as a gap.
struct TrendPoint {
    // Local wall-clock time in milliseconds, counted as if local time were
    // UTC from 1970-01-01: what the clock shows, on one linear axis.
    std::int64_t localMs = 0;
    float value = 0.0f;
    std::uint16_t status = 0;        // IZMERR of this reading, 0 when the exchange failed
    unsigned exchangeResult = 0;     // EXERR of this reading
    std::uint8_t exceptionCode = 0;  // device exception code of a refused read

    bool failed() const { return exchangeResult != 0 || exceptionCode != 0; }
    bool operator==(const TrendPoint&) const = default;
};

// 24 hours at one reading a second; a cycle takes a little longer than a
// second, so this holds somewhat more than a day of polling.
inline constexpr std::size_t kTrendCapacity = 24 * 60 * 60;

std::int64_t localMilliseconds(const LocalTime& time);

// The point for a reading just made: its time, and the record's value and
// status only when the exchange succeeded.
TrendPoint trendPoint(const LocalTime& time, const MeasurementRecord& record,
                      const ExchangeStatus& status);

// A ring of the last `capacity` points, oldest first. Memory grows with the
// points up to the capacity and no further; beyond it the oldest point is
// dropped for each new one.
class TrendHistory {
  public:
    explicit TrendHistory(std::size_t capacity = kTrendCapacity);

    void add(const TrendPoint& point);
    void clear();

    std::size_t size() const { return points_.size(); }
    std::size_t capacity() const { return capacity_; }
    bool empty() const { return points_.empty(); }
    // index 0 is the oldest point kept. Inline: the trend strip's plot
    // module reads the history without linking the program's libraries.
    const TrendPoint& at(std::size_t index) const {
        if (index >= points_.size())
            throw std::out_of_range("trend point beyond the history");
        return points_[(oldest_ + index) % points_.size()];
    }
    const TrendPoint& latest() const { return at(size() - 1); }

    // Points ever added since the last clear, dropped ones included: a view
    // tells from it how many points are new since it last looked.
    std::uint64_t added() const { return added_; }

  private:
    std::size_t capacity_;
    std::vector<TrendPoint> points_;
    std::size_t oldest_ = 0;  // slot of the oldest point once the ring is full
    std::uint64_t added_ = 0;
};

// "2026-12-10 14:32:50.125" for a point's time.
std::string trendTimeText(std::int64_t localMs);

// The same time in ISO 8601 with the UTC offset that the system's time zone
// had then: "2026-12-10T14:32:50.125+03:00". In the hour a clock change
// repeats, the offset is the one the system picks for that wall-clock time.
std::string trendIsoTime(std::int64_t localMs);

// What names a trend outside the window: the module it came from, the
// module's user text (empty when not read) and the unit of its values (empty
// when the sensor type is not known or implies none).
struct TrendLabels {
    int moduleAddress = 0;
    std::string userText;
    std::string unit;  // UTF-8
};

// The unit a sensor type implies: degrees Celsius for the resistance
// thermometers (codes 0 ... 9) and thermocouples (10 ... 18); none for the
// current and voltage signals and the plain resistance measurement.
std::string trendUnit(std::uint16_t sensorType);

// "# module 5, user text \"Котёл 2\", unit °C": the comment line that opens
// the CSV (user text and unit only where known).
std::string trendCsvComment(const TrendLabels& labels);

// The whole history as CSV, UTF-8: the comment line above, a header line,
// then one line per point, oldest first, LF line ends. Columns: time as
// trendIsoTime gives it; the value in the shortest text that reads back as
// the same float, "." as the decimal point under any locale; the status word
// (both empty for a failed exchange), the exchange result and the device
// exception code as decimal numbers.
std::string trendCsv(const TrendHistory& history, const TrendLabels& labels = {});

}  // namespace m8163
