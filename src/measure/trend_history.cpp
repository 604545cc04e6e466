#include "measure/trend_history.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>

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

std::string trendIsoTime(std::int64_t localMs) {
    // The wall-clock time back to the moment it names: mktime() finds the
    // offset, daylight saving time included.
    std::int64_t seconds = localMs / 1000;
    if (localMs % 1000 < 0)
        --seconds;
    const std::time_t wall = static_cast<std::time_t>(seconds);
    tm local{};
    gmtime_r(&wall, &local);
    local.tm_isdst = -1;
    const std::time_t moment = mktime(&local);
    long offset = moment == static_cast<std::time_t>(-1) ? 0 : static_cast<long>(wall - moment);
    std::string text = trendTimeText(localMs);
    text[10] = 'T';
    const char sign = offset < 0 ? '-' : '+';
    offset = offset < 0 ? -offset : offset;
    char zone[48];
    std::snprintf(zone, sizeof zone, "%c%02ld:%02ld", sign, offset / 3600, offset / 60 % 60);
    return text + zone;
}

std::string trendUnit(std::uint16_t sensorType) {
    return sensorType <= 18 ? "°C" : "";
}

std::string trendCsvComment(const TrendLabels& labels) {
    std::string line = "# module " + std::to_string(labels.moduleAddress);
    if (!labels.userText.empty())
        line += ", user text \"" + labels.userText + "\"";
    if (!labels.unit.empty())
        line += ", unit " + labels.unit;
    return line;
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

std::string trendCsv(const TrendHistory& history, const TrendLabels& labels) {
    std::string csv = trendCsvComment(labels) + "\ntime,value,status,exchange,exception\n";
    csv.reserve(csv.size() + history.size() * 56);
    for (std::size_t i = 0; i < history.size(); ++i) {
        const TrendPoint& point = history.at(i);
        csv.append(trendIsoTime(point.localMs));
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
