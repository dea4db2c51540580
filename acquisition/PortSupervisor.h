#pragma once

#include "acquisition/Interfaces.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace kesto {

// How a port is named: a COM number (looked up through the port map at every open) or a
// device path.
using PortTarget = std::variant<int, std::string>;

// "COM3", or the device path.
std::string portTargetName(const PortTarget& target);

// What a retry of the acquisition cycle did.
enum class PortRetry {
    None,     // nothing was due, or the port is still missing or busy
    Opened,   // the port opened for the first time since it was chosen
    Reopened, // the port opened again after it had been open
};

// The port the program means to have open. It remembers what was opened last. When that port
// is lost through an error (an adapter pulled out), could not be opened again, or was missing
// or busy when the program started, it is tried again quietly from the acquisition cycle until
// it opens; a port the program closed on purpose stays closed. Opening a missing device fails
// at once, so a retry never holds up the cycle.
class PortSupervisor {
public:
    // The acquisition cycle runs once a second: a retry every second cycle, about every two
    // seconds, with room for a cycle that comes a little early.
    static constexpr std::uint32_t kRetryIntervalMs = 1500;

    PortSupervisor(const Clock& clock, SerialLink& link) : clock_(clock), link_(link) {}

    // Opens the target and remembers it, whether or not the open succeeds; ends a lost state.
    std::optional<std::string> open(const PortTarget& target);
    // A port that cannot be opened now: remembered and tried like a lost one.
    void await(const PortTarget& target);
    // Closing on purpose: nothing is retried.
    void close();
    // The port failed while open, or could not be opened: retry it. Without a remembered
    // target there is nothing to retry.
    void markLost();
    // From the acquisition cycle: reopens a lost port when a retry is due.
    PortRetry retryIfDue();

    bool lost() const { return lost_; }
    const std::optional<PortTarget>& target() const { return target_; }

private:
    std::optional<std::string> openTarget();

    const Clock& clock_;
    SerialLink& link_;
    std::optional<PortTarget> target_;
    bool lost_ = false;
    bool openedOnce_ = false; // the target has been open since it was chosen
    std::uint32_t lastAttemptTick_ = 0;
};

} // namespace kesto
