#include "acquisition/DateTimeFormat.h"
#include "trends/SlotLayout.h"

#include <gtest/gtest.h>

#include <set>

namespace kesto {
namespace {

// The recording columns of the diagrams' slots, as the viewer's documentation lists them
// (0: the slot gets 0).
constexpr int kColumns[3][8] = {
    {3, 4, 9, 11, 12, 13, 14, 5},
    {15, 6, 7, 8, 10, 16, 17, 0},
    {18, 19, 20, 21, 0, 0, 0, 0},
};

TEST(SlotLayout, everyChannelStandsInExactlyOneSlotAtItsRecordingColumn) {
    std::set<Channel> seen;
    for (int d = 0; d < kDiagramCount; ++d) {
        for (std::size_t s = 0; s < kTrendSlots; ++s) {
            const auto channel = slotChannel(d, s);
            const int column = channel ? recordingColumn(*channel) : 0;
            EXPECT_EQ(column, kColumns[d][s]) << "diagram " << d + 1 << " slot " << s + 1;
            if (channel) {
                EXPECT_TRUE(seen.insert(*channel).second);
            }
        }
    }
    EXPECT_EQ(seen.size(), kChannelCount);
    EXPECT_EQ(usedSlotCount(0), 8u);
    EXPECT_EQ(usedSlotCount(1), 7u);
    EXPECT_EQ(usedSlotCount(2), 4u);
    EXPECT_FALSE(slotChannel(3, 0));
    EXPECT_FALSE(slotChannel(-1, 0));
    EXPECT_FALSE(slotChannel(0, 8));
}

TEST(SlotLayout, printingFromATabPrintsItsDiagramOrElseDiagram1) {
    // Main window: actual values, diagram 1 to 3, big display; viewer: data, diagram 1 to 3.
    const int expected[] = {0, 0, 1, 2, 0, 0};
    for (int tab = 0; tab < 6; ++tab) {
        EXPECT_EQ(diagramPrintedFromTab(tab), expected[tab]) << tab;
    }
}

TEST(SlotLayout, slotValuesComeFromTheirChannelsAndEmptySlotsStayZero) {
    ChannelValues values{};
    for (std::size_t c = 0; c < kChannelCount; ++c) {
        values[c] = 100.0f + static_cast<float>(c); // column c + 3 holds 100 + c
    }
    for (int d = 0; d < kDiagramCount; ++d) {
        const SlotValues slotSet = diagramSlotValues(d, values);
        for (std::size_t s = 0; s < kTrendSlots; ++s) {
            const int column = kColumns[d][s];
            EXPECT_EQ(slotSet[s], column == 0 ? 0.0f : 100.0f + static_cast<float>(column - 3))
                << "diagram " << d + 1 << " slot " << s + 1;
        }
    }
}

LiveDisplay sampleDisplay() {
    LiveDisplay display = makeDefaultDisplay(builtinChannelDefaults());
    display[index(Channel::CO)].settings.displayName = "Carbon monoxide";
    display[index(Channel::CO)].settings.colour = 0x123456;
    return display;
}

TEST(SlotLayout, slotSettingsAndChoiceListsFollowTheChannelsBars) {
    const LiveDisplay display = sampleDisplay();
    const TrendSlots slotSet = diagramSlotSettings(0, display);
    const ChannelSettings& co = slotSet[2];
    EXPECT_EQ(co.firstName, "CO");
    EXPECT_EQ(co.displayName, "Carbon monoxide");
    EXPECT_EQ(co.colour, 0x123456u);
    EXPECT_EQ(co.unit, "ppm");
    EXPECT_EQ(co.maximum, 4000.0f);
    EXPECT_TRUE(diagramSlotSettings(1, display)[7].firstName.empty());

    EXPECT_EQ(choiceListEntries(0, display),
              (std::vector<std::string>{"O2", "CO2", "CO", "NO", "NO2", "NOXMG", "SO2", "TG"}));
    EXPECT_EQ(choiceListEntries(1, display),
              (std::vector<std::string>{"SO2MG", "TR", "ETA", "LAMBDA", "COMG", "CXHY", "CXHYMG"}));
    EXPECT_EQ(choiceListEntries(2, display), (std::vector<std::string>{"Zug", "Flow", "H2", "S6"}));
}

TEST(SlotLayout, lookupsOutsideTheEightSlotsGiveZeroEmptyTextAndBlack) {
    TrendSlots slotSet = diagramSlotSettings(0, sampleDisplay());
    ValueAtCursor at;
    at.values.fill(7.5f);
    for (int i : {-1, 8, 1000}) {
        EXPECT_EQ(SlotValueAtCursor(i, at), 0.0) << i;
        EXPECT_EQ(SlotUnit(slotSet, i), "") << i;
        EXPECT_EQ(SlotName2(slotSet, i), "") << i;
        EXPECT_EQ(SlotColor(slotSet, i), 0u) << i;
        EXPECT_EQ(SlotFormat(slotSet, i), "") << i;
    }
    EXPECT_EQ(SlotValueAtCursor(7, at), 7.5);
    EXPECT_EQ(SlotName2(slotSet, 2), "Carbon monoxide");
}

class ReadOut : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = dateTimePatterns();
        dateTimePatterns() = DateTimePatterns{}; // "dd.mm.yyyy", "hh:mm:ss"
        slots_ = diagramSlotSettings(0, makeDefaultDisplay(builtinChannelDefaults()));
        slots_[0].displayName = "O2";
        slots_[0].format = "##0.0";
        slots_[0].unit = "%";
        at_.time = toDateTimeValue({2003, 1, 9, 10, 36, 2, 0});
        at_.values = {20.94f, 9.87f, 51, 0, 0, 0, 0, 181.2f};
        at_.onRecord = true;
    }
    void TearDown() override { dateTimePatterns() = saved_; }

    DateTimePatterns saved_;
    TrendSlots slots_{};
    ValueAtCursor at_;
};

TEST_F(ReadOut, liveAndViewerTextsOfTheWorkedExample) {
    EXPECT_EQ(liveReadOut(slots_, 0, at_), "O2       09.01.2003    10:36:02    20.9 %");
    EXPECT_EQ(viewerReadOut(slots_, 0, at_), "O2 09.01.2003 10:36:02 20.9 %");
}

TEST_F(ReadOut, anotherChoiceReadsItsOwnSlotOfTheSameRecord) {
    EXPECT_EQ(viewerReadOut(slots_, 2, at_), "CO 09.01.2003 10:36:02 51 ppm");
    EXPECT_EQ(viewerReadOut(slots_, 7, at_), "T Gas 09.01.2003 10:36:02 181 \u00B0C");
    // The cursor has left the records: the record last under it is still read out.
    at_.onRecord = false;
    EXPECT_EQ(viewerReadOut(slots_, 1, at_), "CO2 09.01.2003 10:36:02 9.9 %");
}

TEST_F(ReadOut, staysEmptyUntilARecordHasBeenUnderTheCursor) {
    const ValueAtCursor none;
    EXPECT_FALSE(liveReadOut(slots_, 0, none));
    EXPECT_FALSE(viewerReadOut(slots_, 3, none));
    // Whatever the date pattern, also one with a two-digit year ("30/12/99" for date-time 0).
    for (const auto& [pattern, date] :
         {std::pair{"m/d/yyyy", "1/9/2003"}, {"dd/mm/yy", "09/01/03"}}) {
        dateTimePatterns().shortDate = pattern;
        dateTimePatterns().dateSeparator = '/';
        EXPECT_FALSE(liveReadOut(slots_, 0, none)) << pattern;
        EXPECT_EQ(viewerReadOut(slots_, 0, at_), std::string("O2 ") + date + " 10:36:02 20.9 %");
    }
}

TEST_F(ReadOut, followsTheProcessWideTimePattern) {
    dateTimePatterns().longTime = "h:mm:ss AMPM";
    at_.time = toDateTimeValue({2003, 1, 9, 22, 5, 7, 0});
    EXPECT_EQ(viewerReadOut(slots_, 0, at_), "O2 09.01.2003 10:05:07 PM 20.9 %");
}

} // namespace
} // namespace kesto
