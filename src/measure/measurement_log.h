#pragma once

#include <string>

#include "base/clock.h"
#include "measure/measure_state.h"
#include "module/register_image.h"

// The measurement log: one text line per reading, appended to a file that is
// opened and closed for every line, so other programs can read or move it
// between lines.

namespace m8163 {

// "hh:mm:ss  IZMF=%11.4f IZMERR=%4x  EXERR=%4x    " and CR LF: 56 bytes for
// an 11-character value. Infinities and NaN come out as inf / nan in the
// value field; a huge value simply widens the line.
std::string measurementLogLine(const LocalTime& time, const MeasurementRecord& record);

// Does nothing unless settings.writeFile is 1. Takes the time of day first,
// then appends one line. A file that cannot be opened or written, or is no
// plain file, costs this line and nothing else: no message, no wait, and the
// reading goes on. Returns whether a line was written.
bool appendMeasurementLine(const MeasurementLogSettings& settings, const MeasurementRecord& record,
                           const Clock& clock);

}  // namespace m8163
