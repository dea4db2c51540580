#include "acquisition/PortSupervisor.h"

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
    return openTarget();
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

bool PortSupervisor::retryIfDue() {
    if (!lost_) {
        return false;
    }
    const std::uint32_t now = clock_.tickMs();
    // Unsigned 32-bit difference: right across the tick counter's wrap.
    if (now - lastAttemptTick_ < kRetryIntervalMs) {
        return false;
    }
    lastAttemptTick_ = now;
    if (openTarget()) {
        return false; // still missing or busy; the reason is not shown, as at start-up
    }
    lost_ = false;
    return true;
}

} // namespace kesto
