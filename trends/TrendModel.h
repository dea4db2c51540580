#pragma once

#include "trends/TrendStore.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace kesto {

// The record last under a trend's cursor line. Until a record has been under it the date-time
// is 0 (30.12.1899) and the values are 0; when the cursor moves off the records only the
// on-record flag changes.
struct ValueAtCursor {
    double time = 0;
    SlotValues values{};
    bool onRecord = false;
};

// What a trend display shows: its records, one record per pixel column, the window of records
// in view and the cursor line with the record last under it.
//
// A flowing display (the live trends) fills from the left and, once the records outnumber the
// columns, shows the newest with the last one in the rightmost column. Otherwise (the viewer)
// the window starts at an offset that the caller shifts record by record.
class TrendModel {
public:
    explicit TrendModel(std::size_t maxRecords = 0) : store_(maxRecords) {}

    const TrendStore& store() const { return store_; }
    void setMaxRecords(std::size_t maxRecords);

    void setFlowing(bool flowing) { flowing_ = flowing; }
    bool flowing() const { return flowing_; }

    // Appends one record (the oldest 60 may go to make room); returns how many were discarded.
    std::size_t append(double time, const SlotValues& values);
    // Removes every record, puts the window back to the first record and forgets the cursor
    // line and the record last under it, so that a new set of records starts with an empty
    // read-out.
    void clear();
    // Shows `columns` as its records, from the first one (as clear() does, then without a copy
    // of them).
    void showColumns(TrendColumns columns);

    // The record shown in the leftmost of `width` columns; equals size() when none is shown.
    std::size_t firstShown(int width) const;
    // The record shown in `column` of a chart `width` columns wide, if any.
    std::optional<std::size_t> recordAt(int column, int width) const;
    // How many columns of a chart `width` wide hold a record.
    int shownCount(int width) const;

    // Moves the window by `delta` records (negative: towards the first record). It never
    // starts before the first record, nor further than one past the last.
    void shift(long long delta);
    std::size_t offset() const { return offset_; }

    // Puts the cursor line into `column` of a chart `width` columns wide (a column outside the
    // chart stands for the mouse having left it) and takes the record under it, if any.
    void moveCursor(int column, int width);
    // The column the cursor line stands in now: a line put on a record moves with that record
    // as the display flows or is shifted, and stands outside the chart (hidden) while the
    // record is not shown; a line put where no record was stays in its column.
    std::optional<int> cursorColumn(int width) const;
    const ValueAtCursor& valueAtCursor() const { return atCursor_; }

private:
    TrendStore store_;
    bool flowing_ = false;
    std::size_t offset_ = 0;
    std::optional<int> cursorColumn_;
    // The record under the line, counted from the first one ever stored (discarded included).
    std::optional<std::uint64_t> cursorRecord_;
    ValueAtCursor atCursor_;
};

} // namespace kesto
