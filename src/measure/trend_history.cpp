#include "measure/trend_history.h"

#include <charconv>
#include <chrono>
#include <cstdio>

namespace m8163 {

std::int64_t localMilliseconds(const LocalTime& time) {
    using namespace std::chrono;
    const sys_days day{year{static_cast<int>(time.year)} / static_cast<int>(time.month) /
                       static_cast<int>(time.day)};
    const auto ms = day.time_since_epoch() + hours{time.hour} + minutes{time.minute} +
                    seconds{time.second} + milliseconds{time.millisecond};
    return duration_cast<milliseconds>(ms).count();
}

TrendPoint trendPoint(const LocalTime& time, const MeasurementRecord& record,
                      const ExchangeStatus& status) {
    TrendPoint point;
    point.localMs = localMilliseconds(time);
    point.exchangeResult = status.result;
    point.exceptionCode = status.exceptionCode;
    if (status.ok()) {
        point.value = record.izmf;
        point.status = record.izmerr;
    }
    return point;
}

TrendHistory::TrendHistory(std::size_t capacity) : capacity_(capacity) {
    if (capacity_ == 0)
        throw std::invalid_argument("a trend history needs room for one point");
}

void TrendHistory::add(const TrendPoint& point) {
    ++added_;
    if (points_.size() < capacity_) {
        points_.push_back(point);
        return;
    }
    points_[oldest_] = point;
    oldest_ = (oldest_ + 1) % capacity_;
}

void TrendHistory::clear() {
    // Gives the memory back too: a cleared history starts small again.
    std::vector<TrendPoint>().swap(points_);
    oldest_ = 0;
    added_ = 0;
}

std::string trendTimeText(std::int64_t localMs) {
    using namespace std::chrono;
    const sys_time<milliseconds> time{milliseconds{localMs}};
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss<milliseconds> clock{time - day};
    char text[96];
    std::snprintf(
        text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d.%03d", static_cast<int>(date.year()),
        static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
        static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
        static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
    return text;
}

namespace {

// The shortest text that reads back as the same float; to_chars ignores the
// locale, so the decimal point is always ".".
std::string valueText(float value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

}  // namespace

std::string trendCsv(const TrendHistory& history) {
    std::string csv = "time,value,status,exchange,exception\n";
    csv.reserve(csv.size() + history.size() * 48);
    for (std::size_t i = 0; i < history.size(); ++i) {
        const TrendPoint& point = history.at(i);
        csv.append(trendTimeText(point.localMs));
        csv.push_back(',');
        if (!point.failed()) {
            csv.append(valueText(point.value));
            csv.push_back(',');
            csv.append(std::to_string(point.status));
        } else {
            csv.push_back(',');
        }
        csv.push_back(',');
        csv.append(std::to_string(point.exchangeResult));
        csv.push_back(',');
        csv.append(std::to_string(point.exceptionCode));
        csv.push_back('\n');
    }
    return csv;
}

}  // namespace m8163
