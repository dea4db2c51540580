#include "acquisition/DerivedValues.h"
#include "tests/ParamName.h"

#include <gtest/gtest.h>

namespace kesto {
namespace {

// The ppm and mg/m3 channels after one derived-values step, given O2, the measured gases and
// the reference entries.
class DerivedValuesTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (auto& r : refs) {
            r.checked = false;
        }
        setChannel(ch(Channel::O2), 9.0f);
        setChannel(ch(Channel::CO), 100.0f);
    }
    ChannelDisplay& ch(Channel c) { return display[index(c)]; }
    ReferenceSetting& entry(ReferenceEntry e) { return refs[index(e)]; }
    void tick(ReferenceEntry e, std::string text) {
        entry(e).checked = true;
        entry(e).text = std::move(text);
    }
    void apply() { applyDerivedValues(display, refs); }

    LiveDisplay display{};
    ReferenceSettings refs{};
};

TEST_F(DerivedValuesTest, referredCoMassConcentration) {
    tick(ReferenceEntry::COMG, "3.0");
    apply();
    EXPECT_TRUE(ch(Channel::COMG).valid);
    EXPECT_FLOAT_EQ(ch(Channel::COMG).value, 187.5f); // 100 * 1.25 * 18 / 12
}

TEST_F(DerivedValuesTest, untickedEntryGivesUncorrectedValue) {
    apply();
    EXPECT_FLOAT_EQ(ch(Channel::COMG).value, 125.0f);
    EXPECT_FLOAT_EQ(ch(Channel::CO).value, 100.0f);
}

TEST_F(DerivedValuesTest, aboveTwentyPercentOxygenCorrectedValuesAreZero) {
    setChannel(ch(Channel::O2), 20.5f);
    tick(ReferenceEntry::COMG, "3.0");
    tick(ReferenceEntry::COPPM, "3.0");
    apply();
    EXPECT_TRUE(ch(Channel::COMG).valid);
    EXPECT_EQ(ch(Channel::COMG).value, 0.0f);
    EXPECT_EQ(ch(Channel::CO).value, 0.0f);

    entry(ReferenceEntry::COMG).checked = false;
    setChannel(ch(Channel::CO), 100.0f);
    apply();
    EXPECT_FLOAT_EQ(ch(Channel::COMG).value, 125.0f);
}

TEST_F(DerivedValuesTest, exactlyTwentyPercentOxygenIsStillCorrected) {
    setChannel(ch(Channel::O2), 20.0f);
    tick(ReferenceEntry::COMG, "3.0");
    apply();
    EXPECT_FLOAT_EQ(ch(Channel::COMG).value, 2250.0f); // 125 * 18 / 1
}

TEST_F(DerivedValuesTest, invalidOxygenUsesZeroPercent) {
    clearChannel(ch(Channel::O2));
    tick(ReferenceEntry::COMG, "3.0");
    apply();
    EXPECT_FLOAT_EQ(ch(Channel::COMG).value, 125.0f * 18.0f / 21.0f);
}

TEST_F(DerivedValuesTest, nitrogenOxidesNeedBothGases) {
    setChannel(ch(Channel::NO), 40.0f);
    clearChannel(ch(Channel::NO2));
    apply();
    EXPECT_FALSE(ch(Channel::NOXMG).valid);
    EXPECT_EQ(ch(Channel::NOXMG).value, 0.0f);

    setChannel(ch(Channel::NO2), 5.0f);
    apply();
    EXPECT_TRUE(ch(Channel::NOXMG).valid);
    EXPECT_FLOAT_EQ(ch(Channel::NOXMG).value, 45.0f * 2.056f);
}

TEST_F(DerivedValuesTest, massConcentrationFactors) {
    setChannel(ch(Channel::SO2), 100.0f);
    setChannel(ch(Channel::CXHY), 100.0f);
    apply();
    EXPECT_FLOAT_EQ(ch(Channel::SO2MG).value, 292.0f);
    EXPECT_FLOAT_EQ(ch(Channel::CXHYMG).value, 201.0f);

    clearChannel(ch(Channel::SO2));
    clearChannel(ch(Channel::CXHY));
    clearChannel(ch(Channel::CO));
    apply();
    for (Channel c : {Channel::SO2MG, Channel::CXHYMG, Channel::COMG}) {
        EXPECT_FALSE(ch(c).valid) << channelKey(c);
        EXPECT_EQ(ch(c).value, 0.0f) << channelKey(c);
    }
}

TEST_F(DerivedValuesTest, referenceEqualToMeasuredOxygenLeavesValueUnchanged) {
    setChannel(ch(Channel::O2), 3.0f);
    tick(ReferenceEntry::COPPM, "3.0");
    apply();
    EXPECT_FLOAT_EQ(ch(Channel::CO).value, 100.0f);
}

TEST_F(DerivedValuesTest, referenceAboveTwentyOneGivesNegativeValues) {
    tick(ReferenceEntry::COPPM, "25");
    apply();
    EXPECT_FLOAT_EQ(ch(Channel::CO).value, 100.0f * -4.0f / 12.0f);
}

TEST_F(DerivedValuesTest, massConcentrationsUseMeasuredPpmValues) {
    setChannel(ch(Channel::NO), 40.0f);
    setChannel(ch(Channel::NO2), 5.0f);
    tick(ReferenceEntry::COPPM, "3.0");
    tick(ReferenceEntry::NOPPM, "3.0");
    tick(ReferenceEntry::NO2PPM, "3.0");
    apply();
    EXPECT_FLOAT_EQ(ch(Channel::CO).value, 150.0f);
    EXPECT_FLOAT_EQ(ch(Channel::NO).value, 60.0f);
    EXPECT_FLOAT_EQ(ch(Channel::NO2).value, 7.5f);
    EXPECT_FLOAT_EQ(ch(Channel::COMG).value, 125.0f);
    EXPECT_FLOAT_EQ(ch(Channel::NOXMG).value, 45.0f * 2.056f);
}

struct EntryTextCase {
    const char* text;
    float firstRefresh;    // COMG with the reference this refresh reads
    const char* textAfter; // the entry's text afterwards
};

void PrintTo(const EntryTextCase& c, std::ostream* os) {
    *os << "text \"" << c.text << '"';
}

class ReferenceTextTest : public DerivedValuesTest,
                          public ::testing::WithParamInterface<EntryTextCase> {};

// A text that is not a number falls back to "3.0" for the following refreshes.
TEST_P(ReferenceTextTest, malformedTextFallsBackToDefault) {
    const EntryTextCase& c = GetParam();
    tick(ReferenceEntry::COMG, c.text);
    apply();
    EXPECT_FLOAT_EQ(ch(Channel::COMG).value, c.firstRefresh);
    EXPECT_EQ(entry(ReferenceEntry::COMG).text, c.textAfter);
    apply();
    const float r = std::string(c.textAfter) == "3.0" ? 3.0f : std::stof(c.textAfter);
    EXPECT_FLOAT_EQ(ch(Channel::COMG).value, 125.0f * (21.0f - r) / 12.0f);
}

INSTANTIATE_TEST_SUITE_P(Texts, ReferenceTextTest,
                         ::testing::Values(EntryTextCase{"3.0", 187.5f, "3.0"},
                                           EntryTextCase{"6", 125.0f * 15.0f / 12.0f, "6"},
                                           EntryTextCase{"abc", 125.0f * 21.0f / 12.0f, "3.0"},
                                           EntryTextCase{"", 125.0f * 21.0f / 12.0f, "3.0"},
                                           EntryTextCase{"1,5", 125.0f * 20.0f / 12.0f, "3.0"},
                                           EntryTextCase{"9x", 125.0f, "3.0"},
                                           EntryTextCase{" 4.5 ", 125.0f * 16.5f / 12.0f, " 4.5 "}),
                         test::ParamName{});

TEST_F(DerivedValuesTest, entriesAreReadOnlyWhenTickedAndTheirChannelIsValid) {
    entry(ReferenceEntry::NOPPM).text = "abc"; // unticked
    tick(ReferenceEntry::SO2MG, "abc");        // SO2 has no value
    setChannel(ch(Channel::NO), 40.0f);
    clearChannel(ch(Channel::SO2));
    apply();
    EXPECT_EQ(entry(ReferenceEntry::NOPPM).text, "abc");
    EXPECT_EQ(entry(ReferenceEntry::SO2MG).text, "abc");
    EXPECT_FLOAT_EQ(ch(Channel::NO).value, 40.0f);
}

TEST(ReferenceFactor, isRatioOfOxygenDistances) {
    EXPECT_FLOAT_EQ(ReferenceFactor(3.0f, 9.0f), 1.5f);
    EXPECT_FLOAT_EQ(ReferenceFactor(3.0f, 3.0f), 1.0f);
    EXPECT_FLOAT_EQ(ReferenceFactor(11.0f, 0.0f), 10.0f / 21.0f);
}

} // namespace
} // namespace kesto
