// What the recorder writes under a German, a US-English and the C locale is read back, the way
// the recording viewer reads a CSV recording, to the same date, time and values.
#include "recording/Recorder.h"

#include "MemoryFiles.h"
#include "RecordingSupport.h"
#include "acquisition/DateTimeFormat.h"
#include "acquisition/NumberFormat.h"
#include "recording/RecordingText.h"

#include <gtest/gtest.h>

#include <clocale>

namespace kesto::test {
namespace {

// Puts the process's locale back however the test ends.
class LocaleScope {
public:
    LocaleScope() : saved_(std::setlocale(LC_ALL, nullptr)) {}
    ~LocaleScope() {
        std::setlocale(LC_ALL, saved_.c_str());
        dateTimePatterns() = DateTimePatterns{};
    }

private:
    std::string saved_;
};

struct LocaleCase {
    std::string locale;
    std::string shortDate; // the system's patterns in the program's notation
    std::string longTime;
};

void PrintTo(const LocaleCase& c, std::ostream* out) {
    *out << c.locale;
}

class DateTimeRoundTripTest : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(DateTimeRoundTripTest, csvLinesReadBackToTheSameDateTimeAndValues) {
    const LocaleCase& c = GetParam();
    LocaleScope scope;
    // All categories: number texts must not follow the locale's decimal comma either.
    ASSERT_NE(std::setlocale(LC_ALL, c.locale.c_str()), nullptr)
        << c.locale << " is not installed: tools/setup.sh generates it";
    useSystemDateTimePatterns();
    EXPECT_EQ(dateTimePatterns().shortDate, c.shortDate);
    EXPECT_EQ(dateTimePatterns().longTime, c.longTime);

    RecordingRig rig;
    MemoryFiles files;
    const auto recorder = rig.recorder(files);
    ASSERT_TRUE(recorder->start("/r/trip.csv", kSaveFormatCsv));
    recorder->WriteDataSet(); // header

    const std::vector<LocalDateTime> times{
        {2024, 2, 29, 0, 0, 0, 0},     {2024, 2, 29, 0, 59, 59, 0},  {2000, 1, 1, 9, 5, 7, 0},
        {1999, 12, 31, 11, 59, 59, 0}, {2024, 3, 5, 12, 0, 0, 0},    {2024, 3, 5, 12, 0, 1, 0},
        {2024, 3, 5, 13, 30, 0, 0},    {2024, 12, 31, 23, 59, 59, 0}};
    LiveDisplay& display = rig.live.display();
    for (std::size_t i = 0; i < times.size(); ++i) {
        rig.clock.now = times[i];
        display[index(Channel::O2)].value = 10.5f + static_cast<float>(i);
        display[index(Channel::LAMBDA)].value = 1.25f;
        display[index(Channel::Zug)].value = -12.0f;
        display[index(Channel::Flow)].value = 3.5f;
        recorder->WriteDataSet();
    }
    recorder->stop();

    // The viewer: blanks removed, fields cut at ",", the date in "dd.mm.yyyy" with ".", the
    // time with the current time separator, values with "." as decimal point.
    DateTimePatterns viewer = dateTimePatterns();
    viewer.shortDate = "dd.mm.yyyy";
    viewer.dateSeparator = '.';
    const TStrArray lines = SplitFields(files.files["/r/trip.csv"], '\n');
    ASSERT_EQ(lines.size(), times.size() + 2); // header, data, the empty rest after the last
    for (std::size_t i = 0; i < times.size(); ++i) {
        std::string line = RemoveSpaces(lines[i + 1]);
        ASSERT_TRUE(line.ends_with('\r'));
        line.pop_back();
        const TStrArray fields = SplitFields(line, ',');
        ASSERT_EQ(fields.size(), 21u) << line;
        const auto date = parseDate(fields[0], viewer, 2024);
        const auto time = parseTime(fields[1], viewer);
        ASSERT_TRUE(date && time) << line;
        EXPECT_EQ(std::tie(date->year, date->month, date->day),
                  std::tie(times[i].year, times[i].month, times[i].day))
            << line;
        EXPECT_EQ(std::tie(time->hour, time->minute, time->second),
                  std::tie(times[i].hour, times[i].minute, times[i].second))
            << line;
        EXPECT_EQ(parseDecimal(fields[2]), 10.5 + static_cast<double>(i)) << line;
        EXPECT_EQ(parseDecimal(fields[7]), 1.25) << line;
        EXPECT_EQ(parseDecimal(fields[17]), -12.0) << line;
        EXPECT_EQ(parseDecimal(fields[18]), 3.5) << line;
    }
}

INSTANTIATE_TEST_SUITE_P(Locales, DateTimeRoundTripTest,
                         ::testing::Values(LocaleCase{"de_DE.UTF-8", "dd.mm.yyyy", "hh:mm:ss"},
                                           LocaleCase{"en_US.UTF-8", "mm/dd/yyyy", "hh:mm:ss AMPM"},
                                           LocaleCase{"C", "mm/dd/yy", "hh:mm:ss"}),
                         [](const auto& info) {
                             std::string name =
                                 info.param.locale.substr(0, info.param.locale.find('.'));
                             return name;
                         });

} // namespace
} // namespace kesto::test
