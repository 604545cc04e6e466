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

// The column headers of the table, in column order.
extern const std::array<const char*, kMonitorColumns> kMonitorHeaders;
// The same for CSV, where the duration is a plain number of milliseconds.
extern const std::array<const char*, kMonitorColumns> kMonitorCsvHeaders;

// "дд.мм.гггг чч:мм:сс.ммм" with `date`, else the time alone.
std::string frameTime(const LocalTime& time, bool date);

// What the frame means, in full: the decoder's words, or for an exchange
// whose request was not sent, that and why.
std::string frameMeaning(const MonitorFrame& frame);

// The texts of the row as the table shows them; duration and result only
// on a reply. The meaning of a block of registers gives its typed values
// without the registers' hex, which the bytes beside it show, and for a
// normal reply nothing else (its request names module and function).
std::array<std::string, kMonitorColumns> frameCells(const MonitorFrame& frame);

// The rows as lines of text: the cells with the date in the time and the
// meaning in full, joined by " | ", one line a frame, "\n" after each.
std::string framesText(const std::vector<const MonitorFrame*>& frames);
// The rows as CSV (RFC 4180, UTF-8, "\r\n"): a header line, then one line a
// frame, every cell quoted; the time in ISO 8601 with the UTC offset, the
// duration as a number of milliseconds, the meaning in full.
std::string framesCsv(const std::vector<const MonitorFrame*>& frames);

}  // namespace m8163
