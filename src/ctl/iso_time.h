#pragma once

#include <chrono>
#include <string>

// Time stamps of m8163ctl's poll lines: ISO 8601 local time with
// milliseconds and the UTC offset, "2026-12-08T22:30:05.123+01:00", so that
// lines from machines in other zones, or from either side of a change to
// summer time, still order and compare.

namespace m8163::ctl {

std::string isoTime(std::chrono::system_clock::time_point time);

}  // namespace m8163::ctl
