#include "trends/TrendModel.h"

#include <algorithm>
#include <utility>

namespace kesto {

void TrendModel::setMaxRecords(std::size_t maxRecords) {
    const std::size_t before = store_.size();
    store_.setMaxRecords(maxRecords);
    store_.reserveForLimit();
    const std::size_t dropped = before - store_.size();
    offset_ = offset_ > dropped ? offset_ - dropped : 0;
}

std::size_t TrendModel::append(double time, const SlotValues& values) {
    const std::size_t dropped = store_.append(time, values);
    // A window that is not flowing keeps showing the same records where it can.
    offset_ = offset_ > dropped ? offset_ - dropped : 0;
    return dropped;
}

void TrendModel::clear() {
    store_.clear();
    offset_ = 0;
    cursorColumn_.reset();
    cursorRecord_.reset();
    atCursor_ = ValueAtCursor{};
}

void TrendModel::showColumns(TrendColumns columns) {
    clear();
    store_.showColumns(std::move(columns));
}

std::size_t TrendModel::firstShown(int width) const {
    const std::size_t n = store_.size();
    if (flowing_) {
        const auto columns = static_cast<std::size_t>(std::max(width, 0));
        return n > columns ? n - columns : 0;
    }
    return std::min(offset_, n);
}

std::optional<std::size_t> TrendModel::recordAt(int column, int width) const {
    if (column < 0 || column >= width) {
        return std::nullopt;
    }
    const std::size_t record = firstShown(width) + static_cast<std::size_t>(column);
    if (record >= store_.size()) {
        return std::nullopt;
    }
    return record;
}

int TrendModel::shownCount(int width) const {
    if (width <= 0) {
        return 0;
    }
    const std::size_t left = store_.size() - firstShown(width);
    return static_cast<int>(std::min(left, static_cast<std::size_t>(width)));
}

void TrendModel::shift(long long delta) {
    const auto n = static_cast<long long>(store_.size());
    const long long target = std::clamp(static_cast<long long>(offset_) + delta, 0LL, n);
    offset_ = static_cast<std::size_t>(target);
}

void TrendModel::moveCursor(int column, int width) {
    cursorColumn_ = column;
    cursorRecord_.reset();
    if (const auto record = recordAt(column, width)) {
        cursorRecord_ = store_.discarded() + *record;
        atCursor_.time = store_.time(*record);
        atCursor_.values = store_.values(*record);
        atCursor_.onRecord = true;
    } else {
        atCursor_.onRecord = false;
    }
}

std::optional<int> TrendModel::cursorColumn(int width) const {
    if (!cursorRecord_) {
        return cursorColumn_;
    }
    const auto column = static_cast<long long>(*cursorRecord_) -
                        static_cast<long long>(store_.discarded() + firstShown(width));
    // Anything left or right of the chart is hidden alike.
    return static_cast<int>(std::clamp(column, -1LL, static_cast<long long>(std::max(width, 0))));
}

} // namespace kesto
