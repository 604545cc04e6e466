#pragma once

#include <array>
#include <deque>
#include <string>
#include <vector>

#include "ui/monitor/frame_store.h"

// One monitor frame as the texts of its row, and a set of rows as a text or
// CSV file. Formatting happens only here, for the rows someone looks at.

namespace m8163 {

enum MonitorColumn {
    kTimeColumn,
    kDirectionColumn,
    kBytesColumn,
    kMeaningColumn,
    kDurationColumn,
    kResultColumn,
    kMonitorColumns
};

// The column headers, in column order.
extern const std::array<const char*, kMonitorColumns> kMonitorHeaders;

// "дд.мм.гггг чч:мм:сс.ммм" with `date`, else the time alone.
std::string frameTime(const LocalTime& time, bool date);

// The texts of the row; duration and result only on a reply.
std::array<std::string, kMonitorColumns> frameCells(const MonitorFrame& frame);

// The rows as lines of text: the cells with the date in the time, joined by
// " | ", one line a frame, "\n" after each.
std::string framesText(const std::vector<const MonitorFrame*>& frames);
// The rows as CSV (RFC 4180, UTF-8, "\r\n"): a header line, then one line a
// frame, every cell quoted.
std::string framesCsv(const std::vector<const MonitorFrame*>& frames);

}  // namespace m8163
