#pragma once

#include <cstddef>

namespace kesto {

// The maximum of a viewer diagram's scroll bar for `records` records in a chart `width` pixels
// wide: records - width + 100 when that is above 0, else the number of records; the last
// records can thus be scrolled to 100 columns short of the right edge. Held to the int range.
int scrollMaximum(std::size_t records, int width);

// A scroll bar's remembered position: each change shifts the diagram by the difference to it.
class ScrollPosition {
public:
    // Remembers `position` and returns how far the diagram moves (negative: towards the first
    // record).
    long long change(int position) {
        const long long delta = static_cast<long long>(position) - remembered_;
        remembered_ = position;
        return delta;
    }
    void reset() { remembered_ = 0; }
    int remembered() const { return remembered_; }

private:
    int remembered_ = 0;
};

} // namespace kesto
