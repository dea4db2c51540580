// The memory-card conversion: a golden card with its byte-exact MMC.CSV, the titles' reference
// suffix, line ends, progress, and every way a file can fail.
//
// golden/card.csv holds the edge cases (reference 0 in the first data line and other
// references later, O2 of exactly 21, an empty line, a short line, a last field without a
// comma, values that are not numbers, more than 81 fields, LF and lone CR line ends, a last line
// without an end, a corrected mass concentration that shows the rounding of its text, mass
// concentrations of 1.25E15 and 5.84E-5 where the shortest general form takes an exponent).
// golden/card-MMC.CSV was worked out from it independently of this converter. After an
// intended change of the format regenerate it with
//   KESTO_UPDATE_GOLDEN=1 build/tests/recording/recording_tests --gtest_filter='Card*Golden*'
// and look at the difference (git diff --text) before committing.
#include "recording/CardConversion.h"

#include "CardChecks.h"
#include "MemoryCardFiles.h"
#include "RecordingSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace kesto::test {
namespace {

// A card line with the given fields set and 60 comma-terminated fields.
std::string cardLine(std::initializer_list<std::pair<int, std::string>> set) {
    std::vector<std::string> fields(60);
    for (const auto& [field, text] : set) {
        fields[static_cast<std::size_t>(field)] = text;
    }
    std::string line;
    for (const std::string& f : fields) {
        line += f + ",";
    }
    return line;
}

const std::string kCardHeaders = "MMC,\r\nDate,Time,\r\n";

// The two header lines and `dataLines` times `line`.
std::string cardOf(int dataLines, const std::string& line) {
    std::string card = kCardHeaders;
    for (int i = 0; i < dataLines; ++i) {
        card += line + "\r\n";
    }
    return card;
}

// Converts `card`, held in `files` as "card", into "MMC.CSV" beside it.
std::optional<std::string> convertCard(MemoryCardFiles& files, const std::string& card) {
    files.files.files["card"] = card;
    NoCardProgress none;
    return ConvertMmcFile("card", "MMC.CSV", files, none);
}

// Every line of "card" in `files`, read with a buffer of `buffer` bytes.
std::vector<std::string> cardReaderLines(MemoryCardFiles& files, std::size_t buffer) {
    std::string error;
    auto source = files.openSource("card", error);
    CardLineReader reader(*source, buffer);
    std::vector<std::string> lines;
    while (auto line = reader.next()) {
        lines.emplace_back(*line);
    }
    EXPECT_FALSE(reader.error());
    return lines;
}

std::size_t filesIn(const std::string& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                  std::filesystem::directory_iterator()));
}

struct KeptProgress final : CardProgress {
    std::vector<std::string> texts;
    void countingLines(std::size_t n) override { texts.push_back(readingCardText(n)); }
    void conversionStarts(std::size_t n) override {
        texts.push_back("bar 0.." + std::to_string(n));
    }
    void convertingLines(std::size_t n, std::size_t m) override {
        texts.push_back(convertingCardText(n, m));
    }
};

// ---------------------------------------------------------------------------------------------

TEST(CardConversionGoldenTest, goldenCardGivesItsMmcCsvByteForByte) {
    TempFolder folder;
    const std::string target = folder.path("MMC.CSV");
    PosixCardFiles disk;
    NoCardProgress none;
    const auto error = ConvertMmcFile(golden("card.csv"), target, disk, none);
    ASSERT_FALSE(error) << *error;
    if (std::getenv("KESTO_UPDATE_GOLDEN") != nullptr) {
        writeFile(golden("card-MMC.CSV"), readFile(target));
    }
    const std::string expected = readFile(golden("card-MMC.CSV"));
    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(readFile(target) == expected) << target << " differs from the golden file";
    // Nothing else is left in the folder: the part file became the target.
    EXPECT_EQ(filesIn(folder.path("")), 1u);
}

TEST(CardConversionGoldenTest, sameBytesWhateverPiecesTheCardIsReadIn) {
    const std::string card = readFile(golden("card.csv"));
    const std::string expected = readFile(golden("card-MMC.CSV"));
    // Pieces of 1 and 2 bytes split every CR LF; 65 and 4096 split long lines.
    for (const std::size_t piece : {1u, 2u, 3u, 7u, 65u, 4096u}) {
        MemoryCardFiles files;
        files.readPiece = piece;
        ASSERT_FALSE(convertCard(files, card));
        EXPECT_TRUE(files.files.files["MMC.CSV"] == expected) << "pieces of " << piece;
    }
    // The reader's own buffer smaller than a line: it grows.
    MemoryCardFiles files;
    files.files.files["card"] = card;
    EXPECT_EQ(cardReaderLines(files, 4).size(), cardLines(card).size());
}

TEST(CardConversionTest, titlesCarryTheFirstDataLinesReferenceAllFiveOrNone) {
    const std::string plain =
        "dd.MM.yyyy,hh:mm:ss,O2[%],CO2[%],TGas[\xB0"
        "C],TRoom[\xB0"
        "C],Eta[%],Lambda[],"
        "CO[ppm],CO[mg/m3],NO[ppm],NO2[ppm],NOx[mg/m3],SO2[ppm],SO2[mg/m3],CxHy[ppm],"
        "CxHy[mg/m3],Draught[hPa],Flow[m/s],H2[ppm],S6[ppm]";
    const std::string with3 =
        "dd.MM.yyyy,hh:mm:ss,O2[%],CO2[%],TGas[\xB0"
        "C],TRoom[\xB0"
        "C],Eta[%],Lambda[],"
        "CO[ppm]/3.0%O2Ref,CO[mg/m3]/3.0%O2Ref,NO[ppm],NO2[ppm],NOx[mg/m3]/3.0%O2Ref,SO2[ppm],"
        "SO2[mg/m3]/3.0%O2Ref,CxHy[ppm],CxHy[mg/m3]/3.0%O2Ref,Draught[hPa],Flow[m/s],H2[ppm],"
        "S6[ppm]";
    // The titles with the card's reference figure as written, or without a suffix.
    const auto titles = [&](const std::string& figure) {
        std::string out = figure.empty() ? plain : with3;
        for (std::size_t at = out.find("/3.0%"); !figure.empty() && at != std::string::npos;
             at = out.find("/3.0%", at + 1)) {
            out.replace(at, 5, "/" + figure + "%");
        }
        return out;
    };
    struct Case {
        const char* name;
        std::string card;
        std::string figure;
    };
    const Case cases[] = {
        {"empty file", "", ""},
        {"one line", "MMC,\r\n", ""},
        {"only the two header lines", kCardHeaders, ""},
        {"reference 3.0", kCardHeaders + cardLine({{27, "3.0"}}) + "\r\n", "3.0"},
        {"reference 0, later 3.0",
         kCardHeaders + cardLine({{27, "0"}}) + "\r\n" + cardLine({{27, "3.0"}}) + "\r\n", ""},
        {"reference not a number", kCardHeaders + cardLine({{27, "3%"}}) + "\r\n", ""},
        {"reference as written", kCardHeaders + cardLine({{27, " -1e1"}}) + "\r\n", " -1e1"},
    };
    for (const Case& c : cases) {
        MemoryCardFiles files;
        ASSERT_FALSE(convertCard(files, c.card)) << c.name;
        const std::string& out = files.files.files["MMC.CSV"];
        EXPECT_EQ(out.substr(0, out.find("\r\n")), titles(c.figure)) << c.name;
        if (c.card.size() <= kCardHeaders.size()) {
            EXPECT_EQ(out.size(), titles("").size() + 2) << c.name << ": the titles alone";
        }
    }
}

TEST(CardConversionTest, dataLineColumnsAndCorrection) {
    struct Case {
        const char* name;
        std::string line;
        std::string expected; // up to S6; the 20 empty columns after it close every line
    };
    // A value in each field a data line takes.
    const std::initializer_list<std::pair<int, std::string>> everyColumn = {
        {0, "d"},  {1, "t"},   {2, "6"},     {3, "8"},    {4, "1"},    {5, "2"},
        {6, "3"},  {12, "tg"}, {13, "tr"},   {14, "zug"}, {15, "co2"}, {16, "eta"},
        {18, "l"}, {42, "4"},  {46, "flow"}, {53, "h2"},  {55, "s6"}};
    const Case cases[] = {
        {"an empty line: computed columns 0, the rest empty", "", ",,,,,,,,,0,,,0,,0,,0,,,,"},
        {"text after the last comma is no field", "01.02.2024,10:00:00,5,12",
         "01.02.2024,10:00:00,5,,,,,,,0,,,0,,0,,0,,,,"},
        {"no correction: texts unchanged, factors applied", cardLine(everyColumn),
         "d,t,6,co2,tg,tr,eta,l,8,10,1,2,6.168,3,8.76,4,8.04,zug,flow,h2,s6"},
        {"correction 18/14 of CO in ppm and the mass concentrations",
         cardLine({{2, "7"}, {3, "14"}, {27, "3"}}), ",,7,,,,,,18,22.5,,,0,,0,,0,,,,"},
        {"O2 of exactly 21: no correction", cardLine({{2, "21.0"}, {3, "14"}, {27, "3"}}),
         ",,21.0,,,,,,14,17.5,,,0,,0,,0,,,,"},
        {"O2 not a number counts 0", cardLine({{2, "O2?"}, {3, "7"}, {27, "14"}}),
         ",,O2?,,,,,,2.33333333333333,2.91666666666667,,,0,,0,,0,,,,"},
        {"a fraction keeps 15 significant digits", cardLine({{4, "0.1"}, {5, "0.2"}}),
         ",,,,,,,,,0,0.1,0.2,0.6168,,0,,0,,,,"},
    };
    for (const Case& c : cases) {
        std::string out;
        appendCardDataLine(out, cutCardFields(c.line));
        EXPECT_EQ(out, c.expected + std::string(20, ',')) << c.name;
    }
}

TEST(CardConversionTest, fieldsPastThe81stAreSkipped) {
    std::string line;
    for (int i = 0; i < 200; ++i) {
        line += "f" + std::to_string(i) + ",";
    }
    const CardFields fields = cutCardFields(line);
    EXPECT_EQ(fields.count, kCardFieldsKept);
    EXPECT_EQ(fields[80], "f80");
    EXPECT_EQ(fields[55], "f55");
}

TEST(CardConversionTest, linesEndAtLfCrLfOrALoneCr) {
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"\r\n", {""}},
        {"a", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\rb\r\r\nc", {"a", "b", "", "c"}},
        {"a\n\nb\n", {"a", "", "b"}},
        {std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
    };
    for (const Case& c : cases) {
        for (const std::size_t piece : {1u, 2u, 64u}) {
            MemoryCardFiles files;
            files.readPiece = piece;
            files.files.files["card"] = c.bytes;
            EXPECT_EQ(cardReaderLines(files, 2), c.lines)
                << testing::PrintToString(c.bytes) << " in pieces of " << piece;
        }
    }
}

TEST(CardConversionTest, progressEveryHundredLinesAndOneStepPerReport) {
    // 250 lines: the two headers and 248 data lines.
    const std::string card = cardOf(248, "x,");
    MemoryCardFiles files;
    files.files.files["card"] = card;
    KeptProgress progress;
    CardConversion conversion("card", "MMC.CSV", files, progress);
    std::vector<std::size_t> reportsPerStep;
    while (true) {
        const std::size_t before = progress.texts.size();
        const bool more = conversion.step();
        reportsPerStep.push_back(progress.texts.size() - before);
        if (!more) {
            break;
        }
    }
    ASSERT_TRUE(conversion.succeeded()) << conversion.error();
    const std::vector<std::string> expected = {
        "Reading CSV file line 0",   "Reading CSV file line 100",
        "Reading CSV file line 200", "bar 0..250",
        "Converting 100 of 250",     "Converting 200 of 250"};
    EXPECT_EQ(progress.texts, expected);
    // No step runs past a report: the window gets its turn after each.
    for (const std::size_t n : reportsPerStep) {
        EXPECT_LE(n, 1u);
    }
    EXPECT_EQ(conversion.lineCount(), 250u);
    EXPECT_EQ(conversion.convertedLines(), 248u);

    // Exactly 200 lines: no "line 200", since no 201st line follows.
    files.files.files["card"] = card.substr(0, card.size() - 50 * 4);
    KeptProgress exact;
    ASSERT_FALSE(ConvertMmcFile("card", "MMC.CSV", files, exact));
    EXPECT_EQ(exact.texts,
              (std::vector<std::string>{"Reading CSV file line 0", "Reading CSV file line 100",
                                        "bar 0..200", "Converting 100 of 200"}));
}

// ---------------------------------------------------------------------------------------------
// Failures: the message names the file and the reason; the target keeps what it held; no part
// file stays behind.

TEST(CardConversionFailureTest, everyFailingStepLeavesTheOldTargetAndNoPartFile) {
    // About 1 MB of output, written in several pieces.
    const std::string card =
        cardOf(10000, cardLine({{0, "01.02.2024"}, {2, "5"}, {3, "7"}, {27, "3"}}));
    constexpr std::size_t kPiece = 64 * 1024;
    // Reads of the counting pass, the empty one at the end included.
    const int countingReads = static_cast<int>((card.size() + kPiece - 1) / kPiece) + 1;
    struct Case {
        const char* operation;
        int call;
        std::string message;
    };
    const Case cases[] = {
        {"openSource", 1, "Cannot open card: Permission denied"},
        {"create", 1, "Cannot create MMC.CSV: Permission denied"},
        {"read", 1, "Cannot read card: Permission denied"},                 // counting
        {"read", countingReads + 5, "Cannot read card: Permission denied"}, // converting
        {"rewind", 1, "Cannot read card: Permission denied"},
        {"write", 1, "Cannot write MMC.CSV: Permission denied"},
        {"write", 2, "Cannot write MMC.CSV: Permission denied"},
        {"sync", 1, "Cannot write MMC.CSV: Permission denied"},
        {"rename", 1, "Cannot write MMC.CSV: Permission denied"},
    };
    for (const Case& c : cases) {
        MemoryCardFiles files;
        files.readPiece = kPiece;
        files.files.files["card"] = card;
        files.files.files["MMC.CSV"] = "the previous conversion";
        files.files.failOn = [&c](const std::string& operation, int call) -> FileError {
            if (operation == c.operation && call == c.call) {
                return "Permission denied";
            }
            return std::nullopt;
        };
        NoCardProgress none;
        const auto error = ConvertMmcFile("card", "MMC.CSV", files, none);
        ASSERT_TRUE(error) << c.operation << " " << c.call;
        EXPECT_EQ(*error, c.message) << c.operation << " " << c.call;
        EXPECT_EQ(files.files.files["MMC.CSV"], "the previous conversion") << c.operation;
        EXPECT_FALSE(files.files.files.contains("MMC.CSV.part")) << c.operation;
    }
}

TEST(CardConversionFailureTest, anAbandonedConversionRemovesItsPartFile) {
    const std::string card = cardOf(500, "a,b,");
    MemoryCardFiles files;
    files.files.files["card"] = card;
    NoCardProgress none;
    {
        CardConversion conversion("card", "MMC.CSV", files, none);
        for (int i = 0; i < 8; ++i) {
            ASSERT_TRUE(conversion.step());
        }
        EXPECT_TRUE(files.files.files.contains("MMC.CSV.part"));
    }
    EXPECT_FALSE(files.files.files.contains("MMC.CSV.part"));
    EXPECT_FALSE(files.files.files.contains("MMC.CSV"));
}

TEST(CardConversionFailureTest, aDeviceIsWrittenToDirectly) {
    MemoryCardFiles files;
    files.devices = {"/dev/tty"};
    files.files.files["card"] = kCardHeaders + "a,\r\n";
    NoCardProgress none;
    ASSERT_FALSE(ConvertMmcFile("card", "/dev/tty", files, none));
    EXPECT_EQ(files.files.calls["rename"], 0);
    EXPECT_EQ(files.files.files["/dev/tty"].substr(0, 11), "dd.MM.yyyy,");
}

// The paths a user takes, on the real file system.
TEST(CardConversionFailureTest, realFiles) {
    TempFolder folder;
    PosixCardFiles disk;
    NoCardProgress none;
    const std::string card = folder.path("card.csv");
    writeFile(card, kCardHeaders + cardLine({{0, "01.02.2024"}}) + "\r\n");

    struct Case {
        std::string source;
        std::string target;
        std::string message;
    };
    const Case cases[] = {
        {folder.path("missing.csv"), folder.path("MMC.CSV"),
         "Cannot open " + folder.path("missing.csv") + ": No such file or directory"},
        // A folder opens but does not read.
        {folder.path(""), folder.path("MMC.CSV"),
         "Cannot read " + folder.path("") + ": Is a directory"},
        {card, folder.path("no/such/folder/MMC.CSV"),
         "Cannot create " + folder.path("no/such/folder/MMC.CSV") + ": No such file or directory"},
        // A full disk.
        {card, "/dev/full", "Cannot write /dev/full: No space left on device"},
    };
    for (const Case& c : cases) {
        const auto error = ConvertMmcFile(c.source, c.target, disk, none);
        ASSERT_TRUE(error) << c.message;
        EXPECT_EQ(*error, c.message);
        EXPECT_FALSE(std::filesystem::exists(folder.path("MMC.CSV"))) << c.message;
    }
    // Only the card is left in the folder.
    EXPECT_EQ(filesIn(folder.path("")), 1u);
}

TEST(CardConversionTest, aCardConvertedOntoItselfAndThroughALink) {
    TempFolder folder;
    PosixCardFiles disk;
    NoCardProgress none;
    const std::string card = readFile(golden("card.csv"));
    const std::string expected = readFile(golden("card-MMC.CSV"));

    // The card is read to its end before the converted file takes its name.
    const std::string self = folder.path("self.csv");
    writeFile(self, card);
    ASSERT_FALSE(ConvertMmcFile(self, self, disk, none));
    EXPECT_TRUE(readFile(self) == expected);

    // A link as target: the file it points to is replaced, the link stays.
    const std::string real = folder.path("real.csv");
    writeFile(real, "old");
    std::filesystem::create_symlink(real, folder.path("MMC.CSV"));
    writeFile(folder.path("card.csv"), card);
    ASSERT_FALSE(ConvertMmcFile(folder.path("card.csv"), folder.path("MMC.CSV"), disk, none));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.path("MMC.CSV")));
    EXPECT_TRUE(readFile(real) == expected);
}

} // namespace
} // namespace kesto::test
