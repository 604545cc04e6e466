#include "measure/measurement_log.h"

#include <cstdio>

#include "base/number_text.h"
#include "link/log_file.h"

namespace m8163 {

std::string measurementLogLine(const LocalTime& time, const MeasurementRecord& record) {
    // The value goes through the locale-independent formatting, so the
    // decimal point is "." under any locale and a huge value keeps all its
    // digits; the fields around it have bounded widths.
    char head[48];
    std::snprintf(head, sizeof head, "%02u:%02u:%02u  IZMF=", time.hour, time.minute, time.second);
    char tail[48];
    std::snprintf(tail, sizeof tail, " IZMERR=%4x  EXERR=%4x    \r\n",
                  static_cast<unsigned>(record.izmerr), record.exerr);
    return head + formatReal4(record.izmf) + tail;
}

bool appendMeasurementLine(const MeasurementLogSettings& settings, const MeasurementRecord& record,
                           const Clock& clock) {
    if (settings.writeFile != 1)
        return false;
    return appendToLogFile(settings.fileName, measurementLogLine(clock.now(), record));
}

}  // namespace m8163
