#pragma once

// Local wall-clock time with milliseconds, as the log files stamp it.
// Behind an interface so that tests can fix or step the time.

namespace m8163 {

struct LocalTime {
    unsigned year = 0;   // four digits
    unsigned month = 0;  // 1 ... 12
    unsigned day = 0;    // 1 ... 31
    unsigned hour = 0;
    unsigned minute = 0;
    unsigned second = 0;
    unsigned millisecond = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalTime now() const = 0;
};

// The system's local time (localtime_r over CLOCK_REALTIME).
class SystemClock final : public Clock {
  public:
    LocalTime now() const override;
};

}  // namespace m8163
