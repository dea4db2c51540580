#pragma once

#include "review/RecordingLoader.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace kesto {

// A recording read on a thread of its own, so that the window that shows it stays responsive:
// the window waits for it a blink, watches its progress, stops it early (what was read stays) or
// gives it up (nothing reaches the window any more, and the thread ends on its own).
class BackgroundLoad final : private LoadProgress {
public:
    using Loader = std::function<RecordingLoad(const std::string& path, DateTimePatterns& patterns,
                                               int currentYear, LoadProgress* progress)>;
    // Told on the loading's thread once it has ended, unless it was given up before.
    using Ended = std::function<void(const std::shared_ptr<BackgroundLoad>& load)>;

    // Starts reading `path`; the loader reads with its own copy of `patterns`.
    static std::shared_ptr<BackgroundLoad> start(Loader loader, std::string path,
                                                 DateTimePatterns patterns, int currentYear,
                                                 Ended ended);

    // Waits at most `time` for the end; true when the loading has ended.
    bool waitFor(std::chrono::milliseconds time);
    // The loading's result, once, after its end; nothing before.
    std::optional<RecordingLoad> take();
    // The reading stops at its next report; the end follows with what was read.
    void stop() { stop_ = true; }
    // Nobody is told of the end any more, and the reading stops.
    void abandon();
    // The part of the file read, 0 to 1; 0 until its size is known.
    double fraction() const;

private:
    explicit BackgroundLoad(Ended ended) : ended_(std::move(ended)) {}
    bool keepGoing(std::uint64_t done, std::uint64_t total) override;

    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> done_{0};
    std::atomic<std::uint64_t> total_{0};

    std::mutex mutex_;
    std::condition_variable endedSignal_;
    Ended ended_;                         // under `mutex_`; empty once given up
    bool finished_ = false;               // under `mutex_`
    std::optional<RecordingLoad> result_; // under `mutex_`
};

} // namespace kesto
