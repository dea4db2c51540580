#include "recording/RecordingLines.h"

#include "recording/RecordingText.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>

namespace kesto {
namespace {

class RecordingLinesTest : public ::testing::Test {
protected:
    LiveDisplay display = makeDefaultDisplay(builtinChannelDefaults());
    ReferenceSettings references{};

    void untickAll() {
        for (auto& r : references) {
            r.checked = false;
        }
    }
    void set(Channel c, float value) { display[index(c)].value = value; }
};

// The default labels as recorded: blanks gone, units in brackets; "°" stays UTF-8 here.
const TStrArray kDefaultTitles{"O2[%]",
                               "CO2[%]",
                               "TGas[\xC2\xB0"
                               "C]",
                               "TRoom[\xC2\xB0"
                               "C]",
                               "Eta[%]",
                               "Lambda[]",
                               "CO[ppm]",
                               "CO[mg/m3]",
                               "NO[ppm]",
                               "NO2[ppm]",
                               "NOx[mg/m3]",
                               "SO2[ppm]",
                               "SO2[mg/m3]",
                               "CxHy[ppm]",
                               "CxHy[mg/m3]",
                               "Draught[hPa]",
                               "Flow[m/s]",
                               "H2[ppm]",
                               "S6[ppm]"};

TEST_F(RecordingLinesTest, headerTitlesWithTheReferenceSuffixOfFiveChannels) {
    struct Case {
        std::string name;
        bool defaults; // the entries as shipped; otherwise all off but `ticked`
        std::optional<std::pair<ReferenceEntry, std::string>> ticked;
        std::map<Channel, std::string> csvSuffix; // channel -> title suffix in the CSV header
        std::size_t csvFields = 21;
    };
    const auto suffixAll = [](const std::string& s) {
        return std::map<Channel, std::string>{{Channel::CO, s},
                                              {Channel::COMG, s},
                                              {Channel::NOXMG, s},
                                              {Channel::SO2MG, s},
                                              {Channel::CXHYMG, s}};
    };
    const std::vector<Case> cases{
        {"all off", false, std::nullopt, {}},
        {"defaults: all seven ticked, NO and NO2 add nothing", true, std::nullopt,
         suffixAll("/3.0%O2")},
        {"CO alone, blanks around the figure",
         false,
         std::pair{ReferenceEntry::COPPM, " 3 \t"},
         {{Channel::CO, "/3%O2"}}},
        // A comma typed into an entry makes an extra field; the recorder does not guard.
        {"the text as typed, not as stored",
         false,
         std::pair{ReferenceEntry::NOXMG, "11 ,5"},
         {},
         22},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReferenceSettings& refs = references = ReferenceSettings{};
        if (!c.defaults) {
            untickAll();
        }
        if (c.ticked) {
            refs[index(c.ticked->first)] = {c.ticked->second, true};
        }
        const TStrArray csv = SplitFields(csvHeaderLine(display, refs, "hh:mm:ss AMPM", ","), ',');
        const TStrArray xls =
            SplitFields(xlsHeaderLine(display, refs, "mm/dd/yy", "hh:mm:ss", ","), ',');
        ASSERT_EQ(csv.size(), c.csvFields);
        EXPECT_EQ(csv[0], "dd.mm.yyyy");
        EXPECT_EQ(csv[1], "hh:mm:ssAMPM");
        EXPECT_EQ(xls[0], "mm/dd/yy");
        EXPECT_EQ(xls[1], "hh:mm:ss");
        if (c.csvFields != 21u) {
            EXPECT_EQ(csv[12], "NOx[mg/m3]/11");
            EXPECT_EQ(csv[13], "5%O2");
            continue;
        }
        for (std::size_t i = 0; i < kChannelCount; ++i) {
            const Channel ch = channelAt(i);
            const auto it = c.csvSuffix.find(ch);
            const std::string suffix = it == c.csvSuffix.end() ? "" : it->second;
            EXPECT_EQ(csv[i + 2], kDefaultTitles[i] + suffix) << channelKey(ch);
            EXPECT_EQ(xls[i + 2], kDefaultTitles[i] + (ch == Channel::CO ? "" : suffix))
                << channelKey(ch);
        }
    }
}

TEST_F(RecordingLinesTest, aLabelWithACommaAddsAHeaderField) {
    untickAll();
    display[index(Channel::O2)].label = "O2, dry [%]";
    const TStrArray fields = SplitFields(csvHeaderLine(display, references, "hh:mm:ss", ","), ',');
    ASSERT_EQ(fields.size(), 22u);
    EXPECT_EQ(fields[2], "O2");
    EXPECT_EQ(fields[3], "dry[%]");
}

TEST_F(RecordingLinesTest, dataLinesInDisplayFormats) {
    set(Channel::O2, 10.5f);
    set(Channel::LAMBDA, 1.5f);
    set(Channel::COMG, 62.5f);
    set(Channel::TG, 180.4f);
    set(Channel::Zug, -0.04f);
    set(Channel::NOXMG, 92.52f);
    const std::string csv = csvDataLine(display, false, "05.03.2024", "02:07:09 PM", ",");
    EXPECT_EQ(csv, "05.03.2024,02:07:09PM,10.5,0.0,180,0.0,0.0,1.50,0,63,0,0,93,0,0,0,0,0,0.0,0,0");
    const std::string xls = xlsDataLine(display, false, "05.03.2024", "02:07:09 PM", ",");
    EXPECT_EQ(xls,
              "05.03.2024,02:07:09 PM,10.5,0.0,180,0.0,0.0,1.50,0,63,0,0,93,0,0,0,0,0,0.0,0,0");
}

TEST_F(RecordingLinesTest, gasTemperatureFormatFollowsTheDecimalsOption) {
    // Whatever the channel settings say, the gas temperature uses ##0 or ##0.0.
    display[index(Channel::TG)].settings.format = "0.000";
    set(Channel::TG, 23.46f);
    const auto tg = [&](bool decimals) {
        return SplitFields(csvDataLine(display, decimals, "d", "t", ","), ',')[4];
    };
    EXPECT_EQ(tg(false), "23");
    EXPECT_EQ(tg(true), "23.5");
    set(Channel::TG, 0.0f);
    EXPECT_EQ(tg(false), "0");
}

TEST_F(RecordingLinesTest, thousandsGroupingNeverAddsAFieldNorChangesTheValue) {
    display[index(Channel::CO)].settings.format = "#,##0.0";
    set(Channel::CO, 1234567.25f);
    // The grouping is left out in both formats: "1.234.567.3" would read back as another number.
    for (const std::string& line :
         {csvDataLine(display, false, "d", "t", ","), xlsDataLine(display, false, "d", "t", ",")}) {
        const TStrArray fields = SplitFields(line, ',');
        ASSERT_EQ(fields.size(), 21u) << line;
        EXPECT_EQ(fields[8], "1234567.3");
        EXPECT_EQ(FieldNumber(fields[8]), 1234567.3);
    }
}

TEST_F(RecordingLinesTest, xlsDateIsLowerCasedAndTimeKeepsItsBlanks) {
    const TStrArray xls = SplitFields(xlsDataLine(display, false, "05.MAR.24", "2 PM", ","), ',');
    EXPECT_EQ(xls[0], "05.mar.24");
    EXPECT_EQ(xls[1], "2 PM");
}

} // namespace
} // namespace kesto
