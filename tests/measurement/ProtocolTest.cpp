// The protocol line in the recording's conventions.
#include "measurement/Protocol.h"
#include "recording/RecordingText.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kesto {
namespace {

MeasurementResult twoSeconds() {
    LiveDisplay display = makeDefaultDisplay(builtinChannelDefaults());
    for (ChannelDisplay& d : display) {
        d.valid = true;
        d.value = 1;
    }
    display[index(Channel::NO)].valid = false;
    display[index(Channel::COMG)].settings.format = "#,##0";
    // The limits as at the start: O2's mean 4.9 lies below 5, CO's 1 within 0 to 200.
    display[index(Channel::O2)].settings.alarmBelow = 5.0;
    display[index(Channel::CO)].settings.alarmAbove = 200.0;
    MeasurementSession session;
    session.arm({2, 1, 2}, {"M\u00FCller, Hans", "Keller \"Nord\"", "", "Weber"});
    display[index(Channel::O2)].value = 4.84f;
    display[index(Channel::COMG)].value = 1234.4f;
    session.onRefresh(display, false, {2024, 3, 7, 9, 5, 3});
    display[index(Channel::O2)].value = 4.96f;
    return *session.onRefresh(display, false, {2024, 3, 7, 9, 5, 4});
}

TEST(Protocol, lineAndHeaderFollowTheRecordingConventions) {
    const MeasurementResult result = twoSeconds();
    const std::string header = protocolHeaderLine(result, LanguageTexts{});
    const std::string line = protocolLine(result, LanguageTexts{});
    ASSERT_TRUE(line.ends_with("\r\n"));
    ASSERT_TRUE(header.ends_with("\r\n"));
    // Windows-1252; the technician's notes quoted where they hold a "," or a quote.
    EXPECT_TRUE(line.starts_with("07.03.2024,09:05:03,09:05:04,1,2,1,\"M\xFC"
                                 "ller, Hans\",\"Keller \"\"Nord\"\"\",,Weber,4.9,4.8,5.0,"))
        << line;
    EXPECT_TRUE(header.starts_with("Date [dd.mm.yyyy],Start [hh:mm:ss],End [hh:mm:ss],Readings,"
                                   "Seconds per reading [s],Complete [1/0],Customer,Site,"
                                   "Appliance,Technician,O2 [%] Mean,O2 [%] Minimum,"))
        << header;
    EXPECT_NE(header.find(",T Gas [\xB0"
                          "C] Mean,"),
              std::string::npos);
    EXPECT_NE(header.find(",Eta [%] Maximum,Lambda Mean,"), std::string::npos); // unit " "
    // 68 columns, 10 fields, 3 per channel, then the channels whose means lay outside their
    // limits; the quoted customer holds one more comma.
    const TStrArray titles = SplitFields(header.substr(0, header.size() - 2), ',');
    const TStrArray values = SplitFields(line.substr(0, line.size() - 2), ',');
    ASSERT_EQ(titles.size(), 68u);
    ASSERT_EQ(values.size(), 69u);
    EXPECT_EQ(titles.back(), "Outside the limits");
    EXPECT_EQ(values.back(), "O2[%]");
    const auto value = [&values](Channel c, int part) { // 0 mean, 1 minimum, 2 maximum
        return values[11 + 3 * index(c) + static_cast<std::size_t>(part)];
    };
    EXPECT_EQ(value(Channel::COMG, 0), "1234"); // no thousands grouping
    EXPECT_EQ(value(Channel::NO, 0) + value(Channel::NO, 1) + value(Channel::NO, 2), "");
    EXPECT_EQ(value(Channel::S6, 2), "1");
}

// The result shows each mean against the limits its channel had at the start.
TEST(Protocol, resultTableJudgesEachMeanAgainstItsLimits) {
    const MeasurementResult result = twoSeconds();
    const auto columns = resultColumns(result, LanguageTexts{});
    const auto limits = std::find_if(columns.begin(), columns.end(),
                                     [](const ResultColumn& c) { return c.title == "Limits"; });
    ASSERT_NE(limits, columns.end());
    EXPECT_EQ(limits->cells[index(Channel::O2)], "below the limit 5.0");
    EXPECT_EQ(limits->cells[index(Channel::CO)], "within the limits");
    EXPECT_EQ(limits->cells[index(Channel::CO2)], ""); // no limit
}

} // namespace
} // namespace kesto
