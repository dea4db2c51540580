#include "acquisition/PortSupervisor.h"

#include <utility>

namespace kesto {

std::string portTargetName(const PortTarget& target) {
    if (const int* number = std::get_if<int>(&target)) {
        return "COM" + std::to_string(*number);
    }
    return std::get<std::string>(target);
}

std::optional<std::string> PortSupervisor::openTarget() {
    if (const int* number = std::get_if<int>(&*target_)) {
        return link_.open(*number);
    }
    return link_.openPath(std::get<std::string>(*target_));
}

std::optional<std::string> PortSupervisor::open(const PortTarget& target) {
    target_ = target;
    lost_ = false;
    auto error = openTarget();
    openedOnce_ = !error;
    return error;
}

void PortSupervisor::await(const PortTarget& target) {
    target_ = target;
    openedOnce_ = false;
    markLost();
}

void PortSupervisor::close() {
    lost_ = false;
    link_.close();
}

void PortSupervisor::markLost() {
    if (!target_) {
        return;
    }
    lost_ = true;
    lastAttemptTick_ = clock_.tickMs();
}

PortRetry PortSupervisor::retryIfDue() {
    if (!lost_) {
        return PortRetry::None;
    }
    const std::uint32_t now = clock_.tickMs();
    // Unsigned 32-bit difference: right across the tick counter's wrap.
    if (now - lastAttemptTick_ < kRetryIntervalMs) {
        return PortRetry::None;
    }
    lastAttemptTick_ = now;
    if (openTarget()) {
        return PortRetry::None; // still missing or busy; the reason is not shown, as at start-up
    }
    lost_ = false;
    return std::exchange(openedOnce_, true) ? PortRetry::Reopened : PortRetry::Opened;
}

} // namespace kesto
