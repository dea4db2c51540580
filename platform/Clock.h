#pragma once

#include <cstdint>

namespace kesto {

// Local calendar time, as the messages window and the recording stamp it.
struct LocalDateTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// The time sources of the program; tests inject their own.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds of a monotonic clock as an unsigned 32-bit number; wraps every 49.7 days.
    virtual std::uint32_t tickMs() const = 0;
    virtual LocalDateTime localNow() const = 0;
};

// The real clock: steady clock for ticks, the system's local time for dates.
class SystemClock final : public Clock {
public:
    std::uint32_t tickMs() const override;
    LocalDateTime localNow() const override;
};

} // namespace kesto
