#include "trends/TrendStore.h"

#include <algorithm>
#include <cmath>

namespace kesto {

TrendStore::TrendStore(const TrendStore& other)
    : maxRecords_(other.maxRecords_), ownTimes_(other.ownTimes_), ownValues_(other.ownValues_),
      shown_(other.shown_), showing_(other.showing_), discarded_(other.discarded_) {
    syncColumns();
}

TrendStore& TrendStore::operator=(const TrendStore& other) {
    if (this != &other) {
        TrendStore copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void TrendStore::syncColumns() {
    if (showing_) {
        times_ = shown_.times;
        values_ = shown_.values;
        size_ = shown_.size;
        return;
    }
    times_ = ownTimes_.data();
    for (std::size_t s = 0; s < kTrendSlots; ++s) {
        values_[s] = ownValues_[s].data();
    }
    size_ = ownTimes_.size();
}

void TrendStore::setMaxRecords(std::size_t maxRecords) {
    maxRecords_ = maxRecords;
    while (maxRecords_ != 0 && size() > maxRecords_) {
        dropOldest(std::min(kDropCount, size()));
    }
}

void TrendStore::reserveForLimit() {
    if (maxRecords_ != 0) {
        takeOwnCopy();
        // One more than the limit: the record that overflows is appended before the drop.
        ownTimes_.reserve(maxRecords_ + 1);
        for (auto& column : ownValues_) {
            column.reserve(maxRecords_ + 1);
        }
        syncColumns();
    }
}

void TrendStore::takeOwnCopy() {
    if (!showing_) {
        return;
    }
    const TrendColumns shown = std::move(shown_);
    shown_ = {};
    showing_ = false;
    ownTimes_.assign(shown.times, shown.times + shown.size);
    for (std::size_t s = 0; s < kTrendSlots; ++s) {
        if (shown.values[s] != nullptr) {
            ownValues_[s].assign(shown.values[s], shown.values[s] + shown.size);
        } else {
            ownValues_[s].assign(shown.size, 0.0f);
        }
    }
    syncColumns();
}

std::size_t TrendStore::append(double time, const SlotValues& values) {
    takeOwnCopy();
    ownTimes_.push_back(time);
    for (std::size_t s = 0; s < kTrendSlots; ++s) {
        ownValues_[s].push_back(values[s]);
    }
    syncColumns();
    if (maxRecords_ != 0 && size() > maxRecords_) {
        const std::size_t count = std::min(kDropCount, size());
        dropOldest(count);
        return count;
    }
    return 0;
}

void TrendStore::dropOldest(std::size_t count) {
    takeOwnCopy();
    const auto n = static_cast<std::ptrdiff_t>(count);
    ownTimes_.erase(ownTimes_.begin(), ownTimes_.begin() + n);
    for (auto& column : ownValues_) {
        column.erase(column.begin(), column.begin() + n);
    }
    discarded_ += count;
    syncColumns();
}

void TrendStore::clear() {
    shown_ = {};
    showing_ = false;
    ownTimes_.clear();
    for (auto& column : ownValues_) {
        column.clear();
    }
    discarded_ = 0;
    syncColumns();
}

void TrendStore::showColumns(TrendColumns columns) {
    clear();
    if (columns.size > 0 && columns.times != nullptr) {
        // Without an owner the columns must outlive the store: the caller's promise.
        shown_ = std::move(columns);
        showing_ = true;
    }
    syncColumns();
}

SlotValues TrendStore::values(std::size_t record) const {
    SlotValues v{};
    for (std::size_t s = 0; s < kTrendSlots; ++s) {
        v[s] = value(record, s);
    }
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
