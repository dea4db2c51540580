#include "review/BackgroundLoad.h"

#include <thread>

namespace kesto {

std::shared_ptr<BackgroundLoad> BackgroundLoad::start(Loader loader, std::string path,
                                                      DateTimePatterns patterns, int currentYear,
                                                      Ended ended) {
    std::shared_ptr<BackgroundLoad> self(new BackgroundLoad(std::move(ended)));
    std::thread([self, loader = std::move(loader), path = std::move(path), patterns,
                 currentYear]() mutable {
        RecordingLoad read = loader(path, patterns, currentYear, self.get());
        const std::lock_guard<std::mutex> lock(self->mutex_);
        self->result_ = std::move(read);
        self->finished_ = true;
        self->endedSignal_.notify_all();
        // Under the lock: once abandon() has returned, nobody is told.
        if (self->ended_) {
            self->ended_(self);
        }
    }).detach();
    return self;
}

bool BackgroundLoad::waitFor(std::chrono::milliseconds time) {
    std::unique_lock<std::mutex> lock(mutex_);
    return endedSignal_.wait_for(lock, time, [this] { return finished_; });
}

std::optional<RecordingLoad> BackgroundLoad::take() {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::optional<RecordingLoad> result = std::move(result_);
    result_.reset();
    return result;
}

void BackgroundLoad::abandon() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ended_ = nullptr;
    }
    stop_ = true;
}

double BackgroundLoad::fraction() const {
    const std::uint64_t total = total_;
    return total > 0 ? static_cast<double>(done_) / static_cast<double>(total) : 0.0;
}

bool BackgroundLoad::keepGoing(std::uint64_t done, std::uint64_t total) {
    done_ = done;
    total_ = total;
    return !stop_;
}

} // namespace kesto
