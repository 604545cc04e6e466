#include "base/clock.h"

#include <ctime>

namespace m8163 {

LocalTime SystemClock::now() const {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    LocalTime t;
    t.year = static_cast<unsigned>(local.tm_year + 1900);
    t.month = static_cast<unsigned>(local.tm_mon + 1);
    t.day = static_cast<unsigned>(local.tm_mday);
    t.hour = static_cast<unsigned>(local.tm_hour);
    t.minute = static_cast<unsigned>(local.tm_min);
    t.second = static_cast<unsigned>(local.tm_sec);
    t.millisecond = static_cast<unsigned>(ts.tv_nsec / 1000000);
    return t;
}

}  // namespace m8163
