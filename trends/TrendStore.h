#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace kesto {

// Every trend has eight channel slots.
inline constexpr std::size_t kTrendSlots = 8;
using SlotValues = std::array<float, kTrendSlots>;

// Records a store shows without owning them (the viewer's, as the loader read them): a date-time
// column and, per slot, a value column or none (the slot is 0 in every record), `size` records
// each. `owner` keeps the columns alive as long as the store shows them.
struct TrendColumns {
    std::shared_ptr<const void> owner;
    const double* times = nullptr;
    std::array<const float*, kTrendSlots> values{};
    std::size_t size = 0;
};

// The records of one trend: per record a date-time (days since 30.12.1899, the time as the
// fraction of the day) and eight single-precision slot values. Records live in flat columns,
// one per slot, so appending costs no allocation of its own and 60000 records take 2.4 MB.
//
// With a record limit (the live trends) the store never holds more than that many records: the
// record that would exceed it first makes room by discarding the oldest 60 (one grid division
// of the display). Without a limit (the viewer) every record is kept.
class TrendStore {
public:
    static constexpr std::size_t kDropCount = 60;

    explicit TrendStore(std::size_t maxRecords = 0) : maxRecords_(maxRecords) { syncColumns(); }
    // The read access points into the own columns: a copy points into its own, while moving
    // keeps the columns where they are.
    TrendStore(const TrendStore& other);
    TrendStore& operator=(const TrendStore& other);
    TrendStore(TrendStore&&) noexcept = default;
    TrendStore& operator=(TrendStore&&) noexcept = default;

    // 0 keeps every record. A limit below the records held drops the oldest at once.
    void setMaxRecords(std::size_t maxRecords);
    std::size_t maxRecords() const { return maxRecords_; }
    // Reserves room for the limit, so a live trend never reallocates while it records.
    void reserveForLimit();

    // Returns how many of the oldest records were discarded to make room (0 or 60).
    std::size_t append(double time, const SlotValues& values);
    void clear();
    // Shows `columns` instead of the records held, without copying them (the limit stays out of
    // play). Appending afterwards first takes a copy of them.
    void showColumns(TrendColumns columns);

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    double time(std::size_t record) const { return times_[record]; }
    float value(std::size_t record, std::size_t slot) const {
        const float* column = values_[slot];
        return column != nullptr ? column[record] : 0.0f;
    }
    SlotValues values(std::size_t record) const;

    // Records discarded since the store was last cleared; the display keeps its grid lines on
    // the same records with it.
    std::uint64_t discarded() const { return discarded_; }

    struct Extreme {
        float value = 0;
        double time = 0;
    };
    struct Extremes {
        Extreme minimum; // the first record holding the smallest value
        Extreme maximum; // the first record holding the largest value
    };
    // The smallest and largest value of a slot over all records, with the date-times of the
    // records holding them; nothing for an empty store or a slot outside 0 to 7. NaN values are
    // passed over.
    std::optional<Extremes> extremes(std::size_t slot) const;

private:
    void dropOldest(std::size_t count);
    // Points the read access at the own columns, after they changed.
    void syncColumns();
    void takeOwnCopy();

    std::size_t maxRecords_ = 0;
    std::vector<double> ownTimes_;
    std::array<std::vector<float>, kTrendSlots> ownValues_;
    TrendColumns shown_; // the columns shown while `showing_`
    bool showing_ = false;
    const double* times_ = nullptr;
    std::array<const float*, kTrendSlots> values_{};
    std::size_t size_ = 0;
    std::uint64_t discarded_ = 0;
};

} // namespace kesto
