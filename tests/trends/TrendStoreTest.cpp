#include "tests/ParamName.h"
#include "trends/Scrolling.h"
#include "trends/TrendModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

namespace kesto {
namespace {

SlotValues valuesOf(float v) {
    SlotValues s{};
    s.fill(v);
    return s;
}

// Record i has the date-time i and the value i in every slot.
void fill(TrendModel& m, std::size_t count, std::size_t from = 0) {
    for (std::size_t i = from; i < from + count; ++i) {
        m.append(static_cast<double>(i), valuesOf(static_cast<float>(i)));
    }
}

TEST(TrendStore, fullLiveTrendDropsTheOldestSixtyRecordsAndGoesOn) {
    TrendStore store(60000);
    for (std::size_t i = 0; i < 60000; ++i) {
        ASSERT_EQ(store.append(static_cast<double>(i), valuesOf(0)), 0u);
    }
    EXPECT_EQ(store.size(), 60000u);
    EXPECT_EQ(store.time(0), 0.0);

    EXPECT_EQ(store.append(60000, valuesOf(7)), 60u);
    EXPECT_EQ(store.size(), 59941u);
    EXPECT_EQ(store.time(0), 60.0);
    EXPECT_EQ(store.time(store.size() - 1), 60000.0);
    EXPECT_EQ(store.value(store.size() - 1, 3), 7.0f);
    EXPECT_EQ(store.discarded(), 60u);

    // Room for 59 more; the 60th overflows again.
    for (int i = 0; i < 59; ++i) {
        ASSERT_EQ(store.append(60001.0 + i, valuesOf(0)), 0u);
    }
    EXPECT_EQ(store.size(), 60000u);
    EXPECT_EQ(store.append(70000, valuesOf(0)), 60u);
    EXPECT_EQ(store.size(), 59941u);
    EXPECT_EQ(store.time(0), 120.0);
    EXPECT_EQ(store.discarded(), 120u);

    store.clear();
    EXPECT_TRUE(store.empty());
    EXPECT_EQ(store.discarded(), 0u);
}

TEST(TrendStore, withoutLimitKeepsEveryRecordOfALongCardFile) {
    TrendStore store;
    for (int i = 0; i < 100000; ++i) {
        store.append(i, valuesOf(static_cast<float>(i)));
    }
    EXPECT_EQ(store.size(), 100000u);
    EXPECT_EQ(store.value(99999, 7), 99999.0f);
}

TEST(TrendStore, loweringTheLimitDropsOldestRecordsInSteps) {
    TrendStore store;
    for (int i = 0; i < 200; ++i) {
        store.append(i, valuesOf(0));
    }
    store.setMaxRecords(100);
    EXPECT_LE(store.size(), 100u);
    EXPECT_EQ(store.size(), 80u); // 200 - 60 - 60
    EXPECT_EQ(store.time(0), 120.0);
}

TEST(TrendStore, extremesGiveFirstRecordOfSmallestAndLargestWithItsTime) {
    TrendStore store;
    EXPECT_FALSE(store.extremes(0));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float values[] = {nan, 5, 2, 9, 2, 9, -1.5f, 3};
    for (int i = 0; i < 8; ++i) {
        SlotValues v{};
        v[2] = values[i];
        store.append(100.0 + i, v);
    }
    const auto e = store.extremes(2);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->minimum.value, -1.5f);
    EXPECT_EQ(e->minimum.time, 106.0);
    EXPECT_EQ(e->maximum.value, 9.0f);
    EXPECT_EQ(e->maximum.time, 103.0); // the first of the two nines
    EXPECT_FALSE(store.extremes(8));
}

// The viewer's records shown as they are: slots without a column read 0; a copy of the store
// reads the same, and appending takes a copy of the columns first.
TEST(TrendStore, showsColumnsWithoutOwningThemUntilItIsAppendedTo) {
    auto times = std::make_shared<std::vector<double>>(std::vector<double>{10, 11, 12});
    const std::vector<float> o2{20.9f, 20.8f, 20.7f};
    TrendColumns columns;
    columns.owner = times;
    columns.times = times->data();
    columns.values[0] = o2.data();
    columns.size = 3;
    TrendStore store(2); // the limit plays no part for shown columns
    store.showColumns(columns);
    const TrendStore copy = store;
    for (const TrendStore* s : {&std::as_const(store), &copy}) {
        ASSERT_EQ(s->size(), 3u);
        EXPECT_EQ(s->time(2), 12.0);
        EXPECT_EQ(s->value(1, 0), 20.8f);
        EXPECT_EQ(s->value(1, 5), 0.0f);
    }
    store.setMaxRecords(0);
    store.append(13, valuesOf(1));
    (*times)[0] = -1; // no longer read
    ASSERT_EQ(store.size(), 4u);
    EXPECT_EQ(store.time(0), 10.0);
    EXPECT_EQ(store.value(2, 0), 20.7f);
    EXPECT_EQ(store.value(3, 5), 1.0f);
}

struct WindowCase {
    std::size_t records;
    int width;
    std::size_t first;
    int shown;
};

void PrintTo(const WindowCase& c, std::ostream* os) {
    *os << c.records << " records in " << c.width << " px show " << c.shown << " from " << c.first;
}

class FlowingWindow : public ::testing::TestWithParam<WindowCase> {};

TEST_P(FlowingWindow, fillsFromTheLeftThenShowsTheNewestAtTheRight) {
    const auto c = GetParam();
    TrendModel m;
    m.setFlowing(true);
    fill(m, c.records);
    EXPECT_EQ(m.firstShown(c.width), c.first);
    EXPECT_EQ(m.shownCount(c.width), c.shown);
    if (c.shown > 0) {
        EXPECT_EQ(m.recordAt(c.shown - 1, c.width), c.records - 1);
    }
    EXPECT_FALSE(m.recordAt(c.shown, c.width));
}

INSTANTIATE_TEST_SUITE_P(TrendModel, FlowingWindow,
                         ::testing::Values(WindowCase{0, 100, 0, 0}, WindowCase{1, 100, 0, 1},
                                           WindowCase{60, 100, 0, 60}, WindowCase{100, 100, 0, 100},
                                           WindowCase{101, 100, 1, 100},
                                           WindowCase{60000, 1920, 58080, 1920}),
                         test::ParamName{});

TEST(TrendModel, shiftingMovesTheWindowButNeverBeforeTheFirstRecord) {
    TrendModel m;
    fill(m, 1000);
    EXPECT_EQ(m.firstShown(560), 0u);
    m.shift(50);
    EXPECT_EQ(m.firstShown(560), 50u);
    EXPECT_EQ(m.recordAt(0, 560), 50u);
    m.shift(-30);
    EXPECT_EQ(m.firstShown(560), 20u);
    m.shift(-100);
    EXPECT_EQ(m.firstShown(560), 0u);
    m.shift(5000);
    EXPECT_EQ(m.firstShown(560), 1000u);
    EXPECT_EQ(m.shownCount(560), 0);
}

TEST(TrendModel, valueAtCursorKeepsTheRecordLastUnderTheCursor) {
    TrendModel m;
    const int width = 200;
    // Before any record: date-time 0 (30.12.1899), values 0.
    m.moveCursor(10, width);
    EXPECT_EQ(m.valueAtCursor().time, 0.0);
    EXPECT_EQ(m.valueAtCursor().values, valuesOf(0));
    EXPECT_FALSE(m.valueAtCursor().onRecord);

    fill(m, 50, 1);
    m.moveCursor(10, width);
    EXPECT_TRUE(m.valueAtCursor().onRecord);
    EXPECT_EQ(m.valueAtCursor().time, 11.0);
    EXPECT_EQ(m.valueAtCursor().values, valuesOf(11));

    // Into the part without records, then out of the chart on either side: only the flag.
    for (int column : {120, -1, width}) {
        m.moveCursor(column, width);
        EXPECT_FALSE(m.valueAtCursor().onRecord) << column;
        EXPECT_EQ(m.valueAtCursor().time, 11.0) << column;
        EXPECT_EQ(m.valueAtCursor().values, valuesOf(11)) << column;
    }
    EXPECT_EQ(m.cursorColumn(width), width);

    // New records do not change what was taken at the last move.
    fill(m, 10, 100);
    EXPECT_EQ(m.valueAtCursor().time, 11.0);

    // A new set of records starts without a record under the cursor.
    m.clear();
    EXPECT_EQ(m.valueAtCursor().time, 0.0);
    EXPECT_EQ(m.valueAtCursor().values, valuesOf(0));
}

TEST(TrendModel, cursorLineMovesWithItsRecordAndLeavesTheChartWithIt) {
    for (const bool flowing : {true, false}) {
        TrendModel m(120);
        m.setFlowing(flowing);
        fill(m, 100);
        m.moveCursor(45, 50);
        // Three records on: the flowing display gains three, the viewer scrolls by three.
        flowing ? fill(m, 3, 100) : m.shift(3);
        EXPECT_EQ(m.cursorColumn(50), 42) << flowing;
        // Out of view, also once the oldest records have gone (flowing): hidden.
        flowing ? fill(m, 60, 103) : m.shift(60);
        EXPECT_EQ(m.cursorColumn(50), -1) << flowing;
    }
}

TEST(TrendModel, aShiftedWindowStaysOnItsRecordsWhenTheOldestAreDropped) {
    TrendModel m(120);
    fill(m, 120);
    m.shift(100);
    EXPECT_EQ(m.recordAt(0, 50), 100u);
    fill(m, 1, 120); // drops records 0 to 59
    EXPECT_EQ(m.store().time(*m.recordAt(0, 50)), 100.0);
}

struct ScrollCase {
    std::size_t records;
    int width;
    int maximum;
};

void PrintTo(const ScrollCase& c, std::ostream* os) {
    *os << c.records << " records in " << c.width << " px scroll to " << c.maximum;
}

class ScrollMaximum : public ::testing::TestWithParam<ScrollCase> {};

TEST_P(ScrollMaximum, isRecordsLessWidthPlus100OrElseTheRecords) {
    EXPECT_EQ(scrollMaximum(GetParam().records, GetParam().width), GetParam().maximum);
}

INSTANTIATE_TEST_SUITE_P(Scrolling, ScrollMaximum,
                         ::testing::Values(ScrollCase{1000, 560, 540}, ScrollCase{300, 560, 300},
                                           ScrollCase{0, 560, 0}, ScrollCase{460, 560, 460},
                                           ScrollCase{461, 560, 1}, ScrollCase{60000, 1920, 58180},
                                           ScrollCase{std::size_t{5000000000}, 500,
                                                      std::numeric_limits<int>::max()}),
                         test::ParamName{});

TEST(Scrolling, eachPositionShiftsByItsDistanceFromTheRememberedOne) {
    ScrollPosition p;
    EXPECT_EQ(p.change(50), 50);
    EXPECT_EQ(p.change(20), -30);
    EXPECT_EQ(p.change(20), 0);
    p.reset();
    EXPECT_EQ(p.change(5), 5);
}

} // namespace
} // namespace kesto
