#include "ctl/iso_time.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace m8163::ctl {

std::string isoTime(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto sinceEpoch = time.time_since_epoch();
    const auto whole = floor<seconds>(sinceEpoch);
    const auto millisecond = duration_cast<milliseconds>(sinceEpoch - whole).count();
    const std::time_t seconds = static_cast<std::time_t>(whole.count());
    std::tm local{};
    localtime_r(&seconds, &local);
    const int offset = static_cast<int>(local.tm_gmtoff / 60);  // minutes east of UTC, < 1 day
    const int absolute = std::abs(offset) % (24 * 60);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, static_cast<int>(millisecond), offset < 0 ? '-' : '+',
                  absolute / 60, absolute % 60);
    return text;
}

}  // namespace m8163::ctl
