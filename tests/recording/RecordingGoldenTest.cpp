// A fixed frame sequence with a fixed clock, recorded to a real CSV and a real XLS file and
// compared byte for byte with the files in golden/.
//
// After an intended change of the format, regenerate them with
//   KESTO_UPDATE_GOLDEN=1 build/tests/recording/recording_tests --gtest_filter='Golden*'
// and look at the difference (git diff --text; for the XLS file `xxd`) before committing.
#include "recording/Recorder.h"

#include "BiffReader.h"
#include "RecordingSupport.h"
#include "acquisition/DateTimeFormat.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace kesto::test {
namespace {

class GoldenRecordingTest : public ::testing::Test, public RecordingRig {
protected:
    TempFolder folder;
    PosixRecordingFiles disk;

    void SetUp() override {
        dateTimePatterns() = DateTimePatterns{};
        clock.now = {2023, 12, 31, 23, 59, 57, 0};
    }

    // One second: maybe a frame, the acquisition cycle, then the recording tick.
    void second(Recorder& rec, std::optional<int> step) {
        clock.tick += 1000;
        if (step) {
            const int k = *step;
            sendBurst(live.decoder(), frame({static_cast<std::uint16_t>(105 + k), // O2 10.5 % up
                                static_cast<std::uint16_t>(50 + 3 * k), // CO
                                static_cast<std::uint16_t>(180 + k),    // TG
                                150, 880, 100, 0,
                                static_cast<std::uint16_t>(210 - k), // TR
                                40, 12, 5, 7,
                                static_cast<std::uint16_t>(0x8000 + 25 - 30 * k), // draught
                                static_cast<std::uint16_t>(35 + k), 3, 9}),
                      clock.tick);
        }
        clock.tick += 10;
        live.COMTimerGetData();
        rec.WriteDataSet();
        clock.now.second += 1;
        if (clock.now.second == 60) { // 31.12.2023 23:59:59 -> 01.01.2024 00:00:00
            clock.now = {2024, 1, 1, 0, 0, 0, 0};
        }
    }

    void record(const std::string& path, int format) {
        const auto made = recorder(disk);
        ASSERT_TRUE(made->start(path, format));
        for (int k = 0; k < 4; ++k) {
            second(*made, k);
        }
        // The link falls silent: after five seconds every channel is recorded as 0.
        for (int k = 0; k < 6; ++k) {
            second(*made, std::nullopt);
        }
        second(*made, 5);
        made->stop();
    }

    static void compareWithGolden(const std::string& written, const std::string& name) {
        const std::string golden = std::string(KESTO_GOLDEN_DIR) + "/" + name;
        if (std::getenv("KESTO_UPDATE_GOLDEN") != nullptr) {
            std::ofstream(golden, std::ios::binary) << readFile(written);
        }
        const std::string expected = readFile(golden);
        ASSERT_FALSE(expected.empty()) << golden;
        EXPECT_TRUE(readFile(written) == expected) << written << " differs from " << golden;
    }
};

TEST_F(GoldenRecordingTest, csvRecording) {
    const std::string path = folder.path("golden.csv");
    record(path, kSaveFormatCsv);
    compareWithGolden(path, "recording.csv");
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(GoldenRecordingTest, xlsRecordingWith12HourTimeAndSlashDates) {
    // A US-style system: "mm/dd/yy", a 12-hour clock; the gas temperature in tenths; CO in
    // mg/m3 not referred; the NOx entry with blanks around its figure.
    DateTimePatterns& p = dateTimePatterns();
    p.shortDate = "mm/dd/yy";
    p.dateSeparator = '/';
    p.longTime = "hh:mm:ss AMPM";
    live.options().tgasDecimals = true;
    live.references()[index(ReferenceEntry::COMG)].checked = false;
    live.references()[index(ReferenceEntry::NOXMG)].text = " 5.5 ";
    const std::string path = folder.path("golden.xls");
    record(path, kSaveFormatXls);
    compareWithGolden(path, "recording.xls");
    const BiffSheet sheet = readBiff(readFile(path));
    ASSERT_TRUE(sheet.valid);
    EXPECT_FALSE(sheet.trailing);
    EXPECT_EQ(sheet.rowCount(), 12);
}

} // namespace
} // namespace kesto::test
