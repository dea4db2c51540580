#include "review/RecordingLoader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace kesto {
namespace {

// The cases below carry their own names, used for the test's name and where a failure is shown.
const auto byName = [](const auto& info) { return std::string(info.param.name); };

struct SplitCase {
    const char* name;
    std::string line;
    std::vector<std::string> fields;
};
void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << c.name;
}

class Splitting : public ::testing::TestWithParam<SplitCase> {};

TEST_P(Splitting, followsTheFieldRules) {
    EXPECT_EQ(splitFields(GetParam().line), GetParam().fields);
}

INSTANTIATE_TEST_SUITE_P(
    RecordingLoader, Splitting,
    ::testing::Values(
        SplitCase{"plain", "a,b,c", {"a", "b", "c"}},
        SplitCase{"twoCommasGiveAnEmptyField", "a,,c", {"a", "", "c"}},
        SplitCase{"leadingCommaGivesEmptyFirstField", ",a", {"", "a"}},
        SplitCase{"trailingCommaGivesNoField", "a,", {"a"}},
        SplitCase{"onlyCommas", ",,", {"", ""}}, SplitCase{"emptyLine", "", {}},
        SplitCase{"onlyControlCharacters", "\t\r ", {}},
        SplitCase{"tabSeparatesLikeAComma", "a\tb", {"a", "b"}},
        SplitCase{"controlCharactersAroundTheComma", "a\t,\x01 b", {"a", "b"}},
        SplitCase{"quotedFieldKeepsComma", "\"x,y\",z", {"x,y", "z"}},
        SplitCase{"doubledQuoteStandsForOne", "\"say \"\"hi\"\"\",1", {"say \"hi\"", "1"}},
        SplitCase{"textAfterClosingQuoteStartsANewField", "\"ab\"cd,e", {"ab", "cd", "e"}},
        SplitCase{"unterminatedQuoteRunsToTheEnd", "1,\"open", {"1", "open"}},
        SplitCase{"emptyQuotedField", "\"\",2", {"", "2"}}),
    byName);

// The title line a recorder writes: every blank removed, labels in Windows-1252.
const std::string kTitle =
    "dd.mm.yyyy,hh:mm:ss,O2[%],CO2[%],TGas[\xB0"
    "C],TRoom[\xB0"
    "C],Eta[%],Lambda[],CO[ppm]/3%O2,CO[mg/m3],NO[ppm],NO2[ppm],NOx[mg/m3],SO2[ppm],"
    "SO2[mg/m3],CxHy[ppm],CxHy[mg/m3],Draught[hPa],Flow[m/s],H2[ppm],S6[ppm]";

const char* const kValues = "20.9,0.0,180,21.0,88.0,1.50,50,63,40,5,70,0,0,0,0,2.5,3.7,12,-4";

RecordingLoad load(const std::string& text, int year = 2024) {
    DateTimePatterns patterns;
    return loadRecording(text, patterns, year);
}

TEST(RecordingLoader, readsARecordingAsTheRecorderWritesIt) {
    const std::string file = kTitle + "\r\n05.03.2024,14:07:09," + kValues +
                             "\r\n05.03.2024,14:07:10," + kValues + "\r\n";
    const RecordingLoad r = load(file);
    ASSERT_FALSE(r.error) << *r.error;
    EXPECT_EQ(r.table.rowCount(), 5u); // 3 lines + 2
    EXPECT_EQ(r.table.cell(0, 4), "TGas[\u00B0C]");
    EXPECT_EQ(r.table.cell(0, 8), "CO[ppm]/3%O2");
    EXPECT_EQ(r.table.cell(2, 1), "14:07:10");
    EXPECT_EQ(r.table.cell(2, 20), "-4");
    ASSERT_EQ(r.records.size(), 2u);
    EXPECT_DOUBLE_EQ(r.records[0].time, toDateTimeValue({2024, 3, 5, 14, 7, 9, 0}));
    const ChannelValues expected{20.9f, 0.0f, 180, 21.0f, 88.0f, 1.5f, 50,   63, 40, 5,
                                 70,    0,    0,   0,     0,     2.5f, 3.7f, 12, -4};
    EXPECT_EQ(r.records[1].values, expected);
}

struct LocaleCase {
    const char* name;
    const char* dateFormat;
    const char* timeFormat;
    const char* timeFormatAmPm;
    const char* am;
    const char* pm;
    const char* longTime = nullptr; // a long time pattern set by hand instead of the locale's
};
void PrintTo(const LocaleCase& c, std::ostream* os) {
    *os << c.name;
}

class EveryLocale : public ::testing::TestWithParam<LocaleCase> {};

// The recorder writes the date as "dd.mm.yyyy" and the time in the system's long time pattern
// with its blanks removed; the viewer, in the same locale, reads both back exactly.
TEST_P(EveryLocale, readsBackEveryDateAndTimeTheRecorderWrites) {
    const LocaleCase& c = GetParam();
    DateTimePatterns patterns =
        patternsFromLocaleFormats(c.dateFormat, c.timeFormat, c.timeFormatAmPm, c.am, c.pm);
    if (c.longTime != nullptr) {
        patterns.longTime = c.longTime;
    }
    const LocalDateTime moments[] = {{2024, 2, 29, 0, 0, 0, 0},    {2024, 2, 29, 0, 30, 15, 0},
                                     {1999, 12, 31, 12, 0, 0, 0},  {2000, 1, 1, 13, 5, 9, 0},
                                     {2003, 1, 9, 10, 36, 2, 0},   {2031, 7, 4, 23, 59, 59, 0},
                                     {2024, 11, 11, 11, 11, 11, 0}};
    std::string file = kTitle + "\r\n";
    for (const LocalDateTime& t : moments) {
        std::string time = formatDateTime(patterns.longTime, t, patterns);
        std::erase(time, ' ');
        file += formatDateTime("dd.mm.yyyy", t, patterns) + "," + time + "," + kValues + "\r\n";
    }
    const RecordingLoad r = loadRecording(file, patterns, 2024);
    ASSERT_FALSE(r.error) << *r.error;
    ASSERT_EQ(r.records.size(), std::size(moments));
    for (std::size_t i = 0; i < std::size(moments); ++i) {
        EXPECT_DOUBLE_EQ(r.records[i].time, toDateTimeValue(moments[i]))
            << r.table.cell(i + 1, 0) << " " << r.table.cell(i + 1, 1);
    }
    EXPECT_EQ(patterns.shortDate, "dd.mm.yyyy");
    EXPECT_EQ(patterns.dateSeparator, '.');
}

INSTANTIATE_TEST_SUITE_P(
    RecordingLoader, EveryLocale,
    ::testing::Values(LocaleCase{"German", "%d.%m.%Y", "%T", "", "", ""},
                      LocaleCase{"UsEnglish12Hour", "%m/%d/%Y", "%r", "%I:%M:%S %p", "AM", "PM"},
                      LocaleCase{"C", "%m/%d/%y", "%H:%M:%S", "%I:%M:%S %p", "AM", "PM"},
                      LocaleCase{"PointAsTimeSeparator", "%d.%m.%Y", "%H.%M.%S", "", "", ""},
                      LocaleCase{"TwelveHourNoLeadingZero", "%m/%d/%Y", "%r", "%I:%M:%S %p", "am",
                                 "pm", "h:mm:ss AMPM"}),
    byName);

struct EdgeCase {
    const char* name;
    std::string text;
    std::size_t rows;
    std::size_t records;
};
void PrintTo(const EdgeCase& c, std::ostream* os) {
    *os << c.name;
}

class LoaderEdges : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(LoaderEdges, keepTheRowCountAndTakeOnlyDataLines) {
    const RecordingLoad r = load(GetParam().text);
    EXPECT_FALSE(r.error);
    EXPECT_EQ(r.table.rowCount(), GetParam().rows);
    EXPECT_EQ(r.records.size(), GetParam().records);
}

const std::string kLine = std::string("05.03.2024,14:07:09,") + kValues;

INSTANTIATE_TEST_SUITE_P(
    RecordingLoader, LoaderEdges,
    ::testing::Values(
        EdgeCase{"emptyFile", "", 2, 0}, EdgeCase{"titleOnly", kTitle + "\r\n", 3, 0},
        EdgeCase{"titleIsNeverARecordWhateverItHolds", kLine + "\r\n", 3, 0},
        EdgeCase{"lastLineWithoutLineEnd", kTitle + "\r\n" + kLine, 4, 1},
        EdgeCase{"unixLineEnds", kTitle + "\n" + kLine + "\n" + kLine + "\n", 5, 2},
        EdgeCase{"oldMacLineEnds", kTitle + "\r" + kLine + "\r", 4, 1},
        EdgeCase{"emptyLineIsAnEmptyRow", kTitle + "\r\n\r\n" + kLine + "\r\n", 5, 1},
        EdgeCase{"fewerThan17FieldsAreNotDrawn",
                 kTitle + "\r\n05.03.2024,14:07:09,1,2,3,4,5,6,7,8,9,10,11,12,13,14\r\n", 4, 0},
        EdgeCase{"emptyFirstFieldIsNotDrawn", kTitle + "\r\n," + kLine.substr(11) + "\r\n", 4, 0},
        EdgeCase{"zeroFirstFieldIsNotDrawn", kTitle + "\r\n0," + kLine.substr(11) + "\r\n", 4, 0}),
    byName);

TEST(RecordingLoader, seventeenFieldsDrawZeroForDraughtFlowH2AndS6) {
    const RecordingLoad r = load(kTitle + "\r\n05.03.2024,14:07:09,1,2,3,4,5,6,7,8,9,10,11,12,13,"
                                          "14,15\r\n");
    ASSERT_EQ(r.records.size(), 1u);
    EXPECT_EQ(r.records[0].values[index(Channel::CXHYMG)], 15.0f);
    for (Channel c : {Channel::Zug, Channel::Flow, Channel::H2, Channel::S6}) {
        EXPECT_EQ(r.records[0].values[index(c)], 0.0f);
    }
}

TEST(RecordingLoader, emptyFieldsShowAndCountAsZero) {
    const RecordingLoad r =
        load(kTitle + "\r\n,14:07:09,1\r\n05.03.2024,14:07:09,,2" + std::string(17, ',') + "\r\n");
    EXPECT_EQ(r.table.cell(1, 0), "0");
    EXPECT_EQ(r.table.cell(2, 2), "0");
    EXPECT_EQ(r.table.cell(2, 3), "2");
    // The trailing comma gives no further field: 20 fields.
    EXPECT_EQ(r.table.fieldCount(2), 20u);
    ASSERT_EQ(r.records.size(), 1u);
    EXPECT_EQ(r.records[0].values[0], 0.0f);
    EXPECT_EQ(r.records[0].values[1], 2.0f);
}

TEST(RecordingLoader, blanksAreRemovedAndFieldsAfterThe21stIgnored) {
    // A converted memory-card line: blanks in it and 20 empty fields after the 21st.
    const RecordingLoad r =
        load(kTitle + "\r\n05.03.2024, 14:07:09 ," + kValues + ",,,,,,,,,,,,,,,,,,,,\r\n");
    ASSERT_FALSE(r.error);
    EXPECT_EQ(r.table.fieldCount(1), 21u);
    EXPECT_EQ(r.table.cell(1, 1), "14:07:09");
    EXPECT_EQ(r.table.cell(1, 21), "");
    ASSERT_EQ(r.records.size(), 1u);
}

struct BadFieldCase {
    const char* name;
    std::string line;
    std::string message;
};
void PrintTo(const BadFieldCase& c, std::ostream* os) {
    *os << c.name;
}

class StopsOnBadField : public ::testing::TestWithParam<BadFieldCase> {};

TEST_P(StopsOnBadField, keepingWhatWasReadAndShowingTheLine) {
    const std::string file =
        kTitle + "\r\n" + kLine + "\r\n" + GetParam().line + "\r\n" + kLine + "\r\n";
    const RecordingLoad r = load(file);
    ASSERT_TRUE(r.error);
    EXPECT_NE(r.error->find(GetParam().message), std::string::npos) << *r.error;
    EXPECT_NE(r.error->find("line 3"), std::string::npos) << *r.error;
    EXPECT_EQ(r.records.size(), 1u);
    // Title, one good line and the bad one are shown, then one empty row.
    EXPECT_EQ(r.table.lineCount(), 3u);
    EXPECT_EQ(r.table.rowCount(), 4u);
}

INSTANTIATE_TEST_SUITE_P(
    RecordingLoader, StopsOnBadField,
    ::testing::Values(
        BadFieldCase{"number", "05.03.2024,14:07:10,20.9,abc,180,21,88,1.5,50,63,40,5,70,0,0,0,0",
                     "'abc' is not a valid floating point value"},
        BadFieldCase{"groupedNumber",
                     "05.03.2024,14:07:10,1.234.5" + std::string(kValues).substr(4),
                     "'1.234.5' is not a valid floating point value"},
        BadFieldCase{"tooLargeForASingle",
                     "05.03.2024,14:07:10,1e39" + std::string(kValues).substr(4),
                     "'1e39' is not a valid floating point value"},
        BadFieldCase{"date", "31.04.2024,14:07:10," + std::string(kValues),
                     "'31.04.2024' is not a valid date"},
        BadFieldCase{"time", "05.03.2024,25:07:10," + std::string(kValues),
                     "'25:07:10' is not a valid time"}),
    byName);

// A time separator that the splitting takes away (a blank) or splits at (a comma) leaves no
// time to read, however plain the line looks otherwise.
TEST(RecordingLoader, timeSeparatorsTheSplittingTakesAwayGiveNoTime) {
    for (const auto& [separator, time, message] :
         {std::tuple<char, std::string, std::string>{' ', "14 07 10", "'140710' is not a valid"},
          {',', "14,07,10", "'14' is not a valid time"}}) {
        DateTimePatterns patterns;
        patterns.timeSeparator = separator;
        const RecordingLoad r = loadRecording(
            kTitle + "\r\n05.03.2024," + time + "," + kValues + "\r\n", patterns, 2024);
        ASSERT_TRUE(r.error) << separator;
        EXPECT_NE(r.error->find(message), std::string::npos) << *r.error;
        EXPECT_TRUE(r.records.empty());
    }
}

TEST(RecordingLoader, readsWindows1252AndUtf8Alike) {
    const std::string utf8Title = "dd.mm.yyyy,hh:mm:ss,O2[%],TGas[\xC2\xB0"
                                  "C]";
    const RecordingLoad ansi = load(kTitle + "\r\n");
    const RecordingLoad utf8 = load(utf8Title + "\r\n");
    EXPECT_EQ(ansi.table.cell(0, 4), "TGas[\u00B0C]");
    EXPECT_EQ(utf8.table.cell(0, 3), "TGas[\u00B0C]");
}

TEST(RecordingLoader, twoDigitYearsFallIntoTheHundredYearsBeforeAndAfter) {
    const RecordingLoad r = load(kTitle + "\r\n05.03.24,14:07:09," + kValues +
                                     "\r\n01.01.60,"
                                     "00:00:00," +
                                     kValues + "\r\n",
                                 2024);
    ASSERT_FALSE(r.error) << *r.error;
    ASSERT_EQ(r.records.size(), 2u);
    EXPECT_DOUBLE_EQ(r.records[0].time, toDateTimeValue({2024, 3, 5, 14, 7, 9, 0}));
    EXPECT_DOUBLE_EQ(r.records[1].time, toDateTimeValue({1960, 1, 1, 0, 0, 0, 0}));
}

TEST(RecordingLoader, fileThatCannotBeReadGivesItsReasonAndAnEmptyTable) {
    const std::string fifo = ::testing::TempDir() + "kesto-" + std::to_string(::getpid()) + ".CSV";
    const std::string folder = fifo + ".folder.CSV";
    std::remove(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0); // opening it must not wait for a writer
    std::filesystem::create_directory(folder);
    for (const auto& [path, reason] : {std::pair<std::string, std::string>{"/no/x.CSV", "No such"},
                                       {fifo, "not a regular file"},
                                       {folder, "not a regular file"}}) {
        DateTimePatterns patterns;
        const RecordingLoad r = loadRecordingFile(path, patterns, 2024);
        ASSERT_TRUE(r.error) << path;
        EXPECT_NE(r.error->find("\"" + path + "\""), std::string::npos) << *r.error;
        EXPECT_NE(r.error->find(reason), std::string::npos) << *r.error;
        EXPECT_EQ(r.table.rowCount(), 2u);
        EXPECT_TRUE(r.records.empty());
    }
    std::remove(fifo.c_str());
    std::filesystem::remove(folder);
}

TEST(RecordingLoader, stoppedLoadingKeepsTheLinesAndRecordsReadUntilThen) {
    // Stops at its first report, which comes after about a megabyte.
    struct StopAtOnce final : LoadProgress {
        int reports = 0;
        bool keepGoing(std::uint64_t done, std::uint64_t total) override {
            ++reports;
            EXPECT_LT(done, total);
            return false;
        }
    } stop;
    std::string file = kTitle + "\r\n";
    std::size_t lines = 1;
    for (; file.size() < 3u << 20; ++lines) {
        file += kLine + "\r\n";
    }
    DateTimePatterns patterns;
    const RecordingLoad r = loadRecording(file, patterns, 2024, &stop);
    EXPECT_TRUE(r.stopped);
    EXPECT_FALSE(r.error);
    EXPECT_EQ(stop.reports, 1);
    EXPECT_GT(r.records.size(), 0u);
    EXPECT_LT(r.table.lineCount(), lines);
    EXPECT_EQ(r.table.rowCount(), r.table.lineCount() + 2);
    EXPECT_EQ(r.records.size() + 1, r.table.lineCount()); // every line but the title is a record
}

// A file larger than the loader keeps in memory is read in pieces and its table reads its
// rows back from the file: the same rows and records as from the bytes in memory, lines of
// every ending and one in Windows-1252 among them.
TEST(RecordingLoader, largeFileGivesTheSameTableAndRecordsAsItsBytes) {
    std::string text = kTitle + "\r\n";
    for (int i = 0; text.size() < (17u << 20); ++i) {
        text += i % 1000 == 7 ? std::string("Temp\xB0"
                                            "C,1,2\r")
                              : kLine + (i % 3 == 0 ? "\n" : "\r\n");
    }
    const std::string path =
        ::testing::TempDir() + "kesto-large-" + std::to_string(::getpid()) + ".CSV";
    std::ofstream(path, std::ios::binary) << text;
    DateTimePatterns patterns;
    const RecordingLoad fromFile = loadRecordingFile(path, patterns, 2024);
    const RecordingLoad fromBytes = load(text);
    std::remove(path.c_str());
    ASSERT_FALSE(fromFile.error);
    ASSERT_FALSE(fromBytes.error);
    ASSERT_EQ(fromFile.table.rowCount(), fromBytes.table.rowCount());
    ASSERT_EQ(fromFile.records.size(), fromBytes.records.size());
    EXPECT_EQ(fromFile.records.times, fromBytes.records.times);
    EXPECT_EQ(fromFile.records.values, fromBytes.records.values);
    const std::size_t lines = fromBytes.table.lineCount();
    EXPECT_EQ(fromFile.table.cell(8, 0), "Temp\u00B0C");
    for (const std::size_t row : {std::size_t{0}, std::size_t{8}, lines / 2, lines - 1, lines}) {
        for (std::size_t c = 0; c <= RecordingTable::kColumns; ++c) {
            ASSERT_EQ(fromFile.table.cell(row, c), fromBytes.table.cell(row, c)) << row;
        }
    }
}

TEST(RecordingLoader, readsARealFile) {
    const std::string path =
        ::testing::TempDir() + "kesto-loader-" + std::to_string(::getpid()) + ".CSV";
    {
        std::ofstream out(path, std::ios::binary);
        out << kTitle << "\r\n" << kLine << "\r\n";
    }
    DateTimePatterns patterns;
    const RecordingLoad r = loadRecordingFile(path, patterns, 2024);
    std::remove(path.c_str());
    EXPECT_FALSE(r.error);
    EXPECT_EQ(r.records.size(), 1u);
}

} // namespace
} // namespace kesto
