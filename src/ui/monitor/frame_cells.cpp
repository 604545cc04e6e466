#include "ui/monitor/frame_cells.h"

#include <cstdio>
#include <regex>

#include "measure/trend_history.h"
#include "module/frame_decoder.h"

namespace m8163 {

const std::array<const char*, kMonitorColumns> kMonitorHeaders = {
    "Время", "Направление", "Байты", "Значение", "Длительность", "Результат"};
const std::array<const char*, kMonitorColumns> kMonitorCsvHeaders = {
    "Время", "Направление", "Байты", "Значение", "Длительность, мс", "Результат"};

namespace {

constexpr const char* kNotSentDirection = "→ не отправлен";
constexpr const char* kNotSentReply = "— не отправлен";

// The port's own reason, or a plain one where it gave none.
std::string notSentReason(const MonitorFrame& frame) {
    return frame.status.portNotOpen.empty() ? "Порт не открыт." : frame.status.portNotOpen;
}

// The meaning as the table shows it: "…: 41C8 DE76 0EAB (измеренное
// значение = 25.1086; …)" without the registers' hex, which the bytes
// beside it show; of a normal reply only the typed values, since its
// request, the row above, names module and function. Other texts stay.
std::string shownMeaning(const std::string& meaning, bool normalReply) {
    static const std::regex kTyped(R"(^(.*: )(?:[0-9A-F]{4} )+\((.*)\)$)");
    std::smatch parts;
    if (!std::regex_match(meaning, parts, kTyped))
        return meaning;
    return normalReply ? parts[2].str() : parts[1].str() + parts[2].str();
}

std::string milliseconds(const MonitorFrame& frame) {
    return std::to_string(frame.duration.count() / 1000);
}

}  // namespace

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

std::string frameMeaning(const MonitorFrame& frame) {
    if (!frame.reply)
        return describeRequest(frame.bytes);
    if (!frame.sent)
        return "запрос не отправлен: " + notSentReason(frame);
    return describeReply(frame.request, frame.bytes, frame.status);
}

std::array<std::string, kMonitorColumns> frameCells(const MonitorFrame& frame) {
    std::array<std::string, kMonitorColumns> cells;
    cells[kTimeColumn] = frameTime(frame.time, false);
    cells[kMeaningColumn] =
        shownMeaning(frameMeaning(frame), frame.reply && frame.finished && frame.status.ok());
    if (!frame.sent) {
        cells[kDirectionColumn] = frame.reply ? kNotSentReply : kNotSentDirection;
        if (!frame.reply)
            cells[kBytesColumn] = frameHex(frame.bytes);
        else
            cells[kResultColumn] = "Порт не открыт.";
        return cells;
    }
    cells[kDirectionColumn] = frame.reply ? "← ответ" : "→ запрос";
    cells[kBytesColumn] = frameHex(frame.bytes);
    if (frame.reply) {
        cells[kDurationColumn] = milliseconds(frame) + " мс";
        cells[kResultColumn] = exchangeOutcome(frame.status);
    }
    return cells;
}

namespace {

std::array<std::string, kMonitorColumns> exportCells(const MonitorFrame& frame) {
    auto cells = frameCells(frame);
    cells[kTimeColumn] = frameTime(frame.time, true);
    cells[kMeaningColumn] = frameMeaning(frame);
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
    for (std::size_t i = 0; i < kMonitorCsvHeaders.size(); ++i)
        text.append(i > 0 ? "," : "").append(quoted(kMonitorCsvHeaders[i]));
    text += "\r\n";
    for (const MonitorFrame* frame : frames) {
        auto cells = exportCells(*frame);
        cells[kTimeColumn] = trendIsoTime(localMilliseconds(frame->time));
        if (frame->reply && frame->sent)
            cells[kDurationColumn] = milliseconds(*frame);
        for (std::size_t i = 0; i < cells.size(); ++i)
            text.append(i > 0 ? "," : "").append(quoted(cells[i]));
        text += "\r\n";
    }
    return text;
}

}  // namespace m8163
