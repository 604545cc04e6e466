#include "ui/monitor/frame_cells.h"

#include <cstdio>

#include "module/frame_decoder.h"

namespace m8163 {

const std::array<const char*, kMonitorColumns> kMonitorHeaders = {
    "Время", "Направление", "Байты", "Значение", "Длительность", "Результат"};

std::string frameTime(const LocalTime& t, bool date) {
    char text[40];
    if (date) {
        std::snprintf(text, sizeof text, "%02u.%02u.%04u %02u:%02u:%02u.%03u", t.day % 100,
                      t.month % 100, t.year % 10000, t.hour % 100, t.minute % 100, t.second % 100,
                      t.millisecond % 1000);
    } else {
        std::snprintf(text, sizeof text, "%02u:%02u:%02u.%03u", t.hour % 100, t.minute % 100,
                      t.second % 100, t.millisecond % 1000);
    }
    return text;
}

std::array<std::string, kMonitorColumns> frameCells(const MonitorFrame& frame) {
    std::array<std::string, kMonitorColumns> cells;
    cells[kTimeColumn] = frameTime(frame.time, false);
    cells[kDirectionColumn] = frame.reply ? "← ответ" : "→ запрос";
    cells[kBytesColumn] = frameHex(frame.bytes);
    if (frame.reply) {
        cells[kMeaningColumn] = describeReply(frame.request, frame.bytes, frame.status);
        cells[kDurationColumn] = std::to_string(frame.duration.count() / 1000) + " мс";
        cells[kResultColumn] = exchangeOutcome(frame.status);
    } else {
        cells[kMeaningColumn] = describeRequest(frame.bytes);
    }
    return cells;
}

namespace {

std::array<std::string, kMonitorColumns> exportCells(const MonitorFrame& frame) {
    auto cells = frameCells(frame);
    cells[kTimeColumn] = frameTime(frame.time, true);
    return cells;
}

std::string quoted(const std::string& cell) {
    std::string text(1, '"');
    for (char c : cell) {
        if (c == '"')
            text += '"';
        text += c;
    }
    text += '"';
    return text;
}

}  // namespace

std::string framesText(const std::vector<const MonitorFrame*>& frames) {
    std::string text;
    for (const MonitorFrame* frame : frames) {
        const auto cells = exportCells(*frame);
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i > 0)
                text += " | ";
            text += cells[i];
        }
        // A request has no duration and result: no blank cells at its end.
        while (text.size() >= 3 && text.compare(text.size() - 3, 3, " | ") == 0)
            text.resize(text.size() - 3);
        text += '\n';
    }
    return text;
}

std::string framesCsv(const std::vector<const MonitorFrame*>& frames) {
    std::string text;
    for (std::size_t i = 0; i < kMonitorHeaders.size(); ++i)
        text.append(i > 0 ? "," : "").append(quoted(kMonitorHeaders[i]));
    text += "\r\n";
    for (const MonitorFrame* frame : frames) {
        const auto cells = exportCells(*frame);
        for (std::size_t i = 0; i < cells.size(); ++i)
            text.append(i > 0 ? "," : "").append(quoted(cells[i]));
        text += "\r\n";
    }
    return text;
}

}  // namespace m8163
