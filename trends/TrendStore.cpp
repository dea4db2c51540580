#include "trends/TrendStore.h"

#include <algorithm>
#include <cmath>

namespace kesto {

void TrendStore::setMaxRecords(std::size_t maxRecords) {
    maxRecords_ = maxRecords;
    while (maxRecords_ != 0 && size() > maxRecords_) {
        dropOldest(std::min(kDropCount, size()));
    }
}

void TrendStore::reserveForLimit() {
    if (maxRecords_ != 0) {
        // One more than the limit: the record that overflows is appended before the drop.
        times_.reserve(maxRecords_ + 1);
        values_.reserve((maxRecords_ + 1) * kTrendSlots);
    }
}

std::size_t TrendStore::append(double time, const SlotValues& values) {
    times_.push_back(time);
    values_.insert(values_.end(), values.begin(), values.end());
    if (maxRecords_ != 0 && size() > maxRecords_) {
        const std::size_t count = std::min(kDropCount, size());
        dropOldest(count);
        return count;
    }
    return 0;
}

void TrendStore::dropOldest(std::size_t count) {
    times_.erase(times_.begin(), times_.begin() + static_cast<std::ptrdiff_t>(count));
    values_.erase(values_.begin(),
                  values_.begin() + static_cast<std::ptrdiff_t>(count * kTrendSlots));
    discarded_ += count;
}

void TrendStore::clear() {
    times_.clear();
    values_.clear();
    discarded_ = 0;
}

SlotValues TrendStore::values(std::size_t record) const {
    SlotValues v{};
    std::copy_n(values_.begin() + static_cast<std::ptrdiff_t>(record * kTrendSlots), kTrendSlots,
                v.begin());
    return v;
}

std::optional<TrendStore::Extremes> TrendStore::extremes(std::size_t slot) const {
    if (slot >= kTrendSlots) {
        return std::nullopt;
    }
    std::optional<Extremes> result;
    for (std::size_t r = 0; r < size(); ++r) {
        const float v = value(r, slot);
        if (std::isnan(v)) {
            continue;
        }
        if (!result) {
            result = Extremes{{v, times_[r]}, {v, times_[r]}};
            continue;
        }
        if (v < result->minimum.value) {
            result->minimum = {v, times_[r]};
        }
        if (v > result->maximum.value) {
            result->maximum = {v, times_[r]};
        }
    }
    return result;
}

} // namespace kesto
