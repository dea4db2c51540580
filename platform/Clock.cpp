#include "platform/Clock.h"

#include <chrono>
#include <ctime>

namespace kesto {

std::uint32_t SystemClock::tickMs() const {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

LocalDateTime SystemClock::localNow() const {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    // Everything runs on one thread, so the shared buffer of localtime is safe here.
    if (const std::tm* local = std::localtime(&seconds)) {
        tm = *local;
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        now.time_since_epoch()).count() % 1000;
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
            static_cast<int>(ms)};
}

} // namespace kesto
