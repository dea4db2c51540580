#include "Recorder.h"

#include "BiffReader.h"
#include "DateTimeFormat.h"
#include "MemoryFiles.h"
#include "RecordingSupport.h"
#include "RecordingText.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace kesto::test {
namespace {

class RecorderTest : public ::testing::Test, public RecordingRig {
protected:
    void SetUp() override { dateTimePatterns() = DateTimePatterns{}; }

    TempFolder folder;
    PosixRecordingFiles disk;
    MemoryFiles memory;

    std::unique_ptr<Recorder> recorderOn(RecordingFileLayer& files) { return recorder(files); }
    static std::vector<std::string> lines(const std::string& text) {
        std::vector<std::string> out;
        std::size_t start = 0;
        while (start < text.size()) {
            const std::size_t end = text.find("\r\n", start);
            EXPECT_NE(end, std::string::npos) << "a line without CR LF";
            if (end == std::string::npos) {
                break;
            }
            out.push_back(text.substr(start, end - start));
            start = end + 2;
        }
        return out;
    }
};

TEST_F(RecorderTest, csvFileIsMadeByTheFirstTickWithTheHeaderAlone) {
    auto recorder = recorderOn(disk);
    const std::string path = folder.path("test.csv");
    writeFile(path, "an old recording\r\n");
    ASSERT_TRUE(recorder->start(path, kSaveFormatCsv));
    EXPECT_FALSE(std::filesystem::exists(path)); // deleted, and tried without leaving a file
    EXPECT_TRUE(recorder->recording());
    EXPECT_TRUE(recorder->timerRuns());

    recorder->WriteDataSet();
    std::vector<std::string> written = lines(readFile(path));
    ASSERT_EQ(written.size(), 1u);
    EXPECT_TRUE(written[0].starts_with("dd.mm.yyyy,hh:mm:ss,O2[%],"));
    EXPECT_EQ(view.status, "Logging DS:1 to TEST.CSV");
    EXPECT_EQ(clock.readings, 0);

    recorder->WriteDataSet();
    written = lines(readFile(path));
    ASSERT_EQ(written.size(), 2u);
    EXPECT_TRUE(written[1].starts_with("05.03.2024,14:07:09,0.0,0.0,0,")) << written[1];
    EXPECT_EQ(SplitFields(written[1], ',').size(), 21u);
    EXPECT_EQ(view.status, "Logging DS:2 to TEST.CSV");
    EXPECT_EQ(clock.readings, 1);

    recorder->stop();
    EXPECT_FALSE(recorder->recording());
    EXPECT_FALSE(recorder->timerRuns());
    EXPECT_EQ(view.status, "");
    EXPECT_EQ(lines(readFile(path)).size(), 2u); // stopping a CSV recording writes nothing
}

TEST_F(RecorderTest, dataSetCountRunsOnAcrossRecordingsStopsOnceAt60000AndAnXlsFileEndsWhenFull) {
    auto recorder = recorderOn(memory);
    ASSERT_TRUE(recorder->start("/r/first.csv", kSaveFormatCsv));
    recorder->WriteDataSet();
    recorder->WriteDataSet();
    recorder->stop();
    ASSERT_TRUE(recorder->start("/r/zweite Messung.csv", kSaveFormatCsv));
    recorder->WriteDataSet();
    EXPECT_EQ(view.status, "Logging DS:3 to ZWEITE MESSUNG.CSV");

    while (recorder->recording() && recorder->DataSetCounter() < 60010) {
        recorder->WriteDataSet();
    }
    EXPECT_EQ(recorder->DataSetCounter(), kAutoStopDataSets);
    EXPECT_FALSE(recorder->recording());
    EXPECT_EQ(view.status, ""); // cleared by the stop
    EXPECT_TRUE(view.notices.empty());

    // The count is past 60000 now: a later recording is not stopped by it. An XLS file then
    // ends at its last row, 65535 data rows below the header row, with a notice.
    ASSERT_TRUE(recorder->start("/r/b.xls", kSaveFormatXls));
    std::int64_t ticks = 0;
    while (recorder->recording() && ticks < 70000) {
        recorder->WriteDataSet();
        ++ticks;
    }
    EXPECT_EQ(ticks, 65535);
    EXPECT_EQ(recorder->DataSetCounter(), kAutoStopDataSets + 65535);
    EXPECT_FALSE(recorder->recording());
    ASSERT_EQ(view.notices.size(), 1u);
    EXPECT_NE(view.notices[0].find("/r/b.xls is full"), std::string::npos) << view.notices[0];
    EXPECT_EQ(messages.messages.back(), view.notices[0]);
    const BiffSheet sheet = readBiff(memory.files["/r/b.xls"]);
    ASSERT_TRUE(sheet.valid) << sheet.error;
    EXPECT_FALSE(sheet.trailing);
    EXPECT_EQ(sheet.rowCount(), 65536);
}

TEST_F(RecorderTest, timerRunsOnlyWhileRecordingWithARealPeriodAndNotDuringSetup) {
    auto recorder = recorderOn(memory);
    recorder->setIntervalMs(0);
    ASSERT_TRUE(recorder->start("/r/x.xls", kSaveFormatXls));
    EXPECT_TRUE(recorder->recording());
    EXPECT_FALSE(recorder->timerRuns()); // 0 s: no ticks, only the header row
    EXPECT_EQ(readBiff(memory.files["/r/x.xls"]).rowCount(), 1);

    recorder->setIntervalMs(5000);
    EXPECT_TRUE(recorder->timerRuns());
    recorder->pauseForSetup();
    EXPECT_FALSE(recorder->timerRuns());
    EXPECT_TRUE(recorder->recording());
    recorder->resumeAfterSetup();
    EXPECT_TRUE(recorder->timerRuns());

    // The program ends during the setup dialog: the file is finished all the same.
    recorder->pauseForSetup();
    EXPECT_TRUE(recorder->finishForShutdown());
    EXPECT_FALSE(recorder->recording());
    EXPECT_FALSE(recorder->finishForShutdown());
    EXPECT_TRUE(readBiff(memory.files["/r/x.xls"]).valid);
}

TEST_F(RecorderTest, aFileThatCannotBePreparedIsReportedAndNothingStarts) {
    struct Case {
        std::string name;
        int format;
        std::string failing;
        std::string error;
    };
    const std::vector<Case> cases{
        {"old file not deleted", kSaveFormatCsv, "remove", "Cannot delete /r/m.csv: Busy"},
        {"CSV not creatable", kSaveFormatCsv, "create", "Cannot create /r/m.csv: Busy"},
        {"XLS not creatable", kSaveFormatXls, "create", "Cannot create /r/m.csv: Busy"},
        {"XLS header not written", kSaveFormatXls, "write", "Cannot create /r/m.csv: Busy"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFiles files;
        view = KeptView{};
        settings.saveFormat = 1;
        files.failOn = [&](const std::string& op, int) -> FileError {
            return op == c.failing ? FileError("Busy") : std::nullopt;
        };
        Recorder recorder(live, settings, clock, files, messages, view);
        EXPECT_FALSE(recorder.start("/r/m.csv", c.format));
        EXPECT_FALSE(recorder.recording());
        EXPECT_EQ(view.errors, std::vector<std::string>{c.error});
        EXPECT_FALSE(files.files.contains("/r/m.csv"));
        // The chosen file and type are kept for the next try.
        EXPECT_EQ(recorder.RecordingFileName(), "/r/m.csv");
        EXPECT_EQ(settings.saveFormat, c.format);
    }
}

TEST_F(RecorderTest, failedTicksAreNotCountedAreReportedOnceAndLeaveNoTornLine) {
    for (const int format : {kSaveFormatCsv, kSaveFormatXls}) {
        SCOPED_TRACE(format);
        MemoryFiles files;
        view = KeptView{};
        messages.messages.clear();
        Recorder recorder(live, settings, clock, files, messages, view);
        recorder.setIntervalMs(1000);
        const std::string path = format == kSaveFormatCsv ? "/r/t.csv" : "/r/t.xls";
        ASSERT_TRUE(recorder.start(path, format));
        recorder.WriteDataSet();
        recorder.WriteDataSet();
        const std::int64_t before = recorder.DataSetCounter();
        const std::string good = files.files[path];

        // Three ticks hit a full disk, each write stopping half-way.
        files.failOn = [](const std::string& op, int) -> FileError {
            return op == "write" ? FileError("No space left on device") : std::nullopt;
        };
        for (int i = 0; i < 3; ++i) {
            recorder.WriteDataSet();
        }
        EXPECT_EQ(recorder.DataSetCounter(), before);
        EXPECT_TRUE(recorder.recording());
        if (format == kSaveFormatCsv) {
            EXPECT_EQ(files.files[path], good);
        } else {
            // Even the restored end record was written only half; the file still reads as
            // before (a reader stops at the end record's identifier).
            const BiffSheet now = readBiff(files.files[path]);
            ASSERT_TRUE(now.valid) << now.error;
            EXPECT_EQ(now.cells, readBiff(good).cells);
        }
        EXPECT_EQ(view.status, "Logging to " + statusFileName(path) + " failed: cannot write " +
                                   path + ": No space left on device");
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_NE(messages.messages[0].find("No space left on device"), std::string::npos);

        files.failOn = nullptr;
        recorder.WriteDataSet();
        EXPECT_EQ(recorder.DataSetCounter(), before + 1);
        ASSERT_EQ(messages.messages.size(), 2u);
        EXPECT_NE(messages.messages[1].find("3 data sets could not be written"), std::string::npos)
            << messages.messages[1];
        recorder.stop();
        if (format == kSaveFormatCsv) {
            const auto written = lines(files.files[path]);
            EXPECT_EQ(written.size(), 3u);
            for (std::size_t i = 1; i < written.size(); ++i) {
                EXPECT_EQ(SplitFields(written[i], ',').size(), 21u);
            }
        } else {
            const BiffSheet sheet = readBiff(files.files[path]);
            ASSERT_TRUE(sheet.valid);
            EXPECT_FALSE(sheet.trailing);
            EXPECT_EQ(sheet.rowCount(), 4);
        }
    }
}

TEST_F(RecorderTest, aHeaderThatFailedIsWrittenAgainByTheNextTick) {
    auto recorder = recorderOn(memory);
    ASSERT_TRUE(recorder->start("/r/h.csv", kSaveFormatCsv));
    memory.failOn = [](const std::string& op, int) -> FileError {
        return op == "sync" ? FileError("Input/output error") : std::nullopt;
    };
    recorder->WriteDataSet();
    EXPECT_FALSE(memory.files.contains("/r/h.csv"));
    memory.failOn = nullptr;
    recorder->WriteDataSet();
    recorder->WriteDataSet();
    const auto written = lines(memory.files["/r/h.csv"]);
    ASSERT_EQ(written.size(), 2u);
    EXPECT_TRUE(written[0].starts_with("dd.mm.yyyy,"));
}

TEST_F(RecorderTest, aFullDeviceIsWrittenToNotDeletedAndTheFailureShows) {
    struct stat before {};
    ASSERT_EQ(::stat("/dev/full", &before), 0);
    auto recorder = recorderOn(disk);
    ASSERT_TRUE(recorder->start("/dev/full", kSaveFormatCsv));
    recorder->WriteDataSet();
    EXPECT_EQ(recorder->DataSetCounter(), 0);
    EXPECT_EQ(view.status, "Logging to FULL failed: cannot write /dev/full: " +
                               std::string(std::strerror(ENOSPC)));
    EXPECT_EQ(messages.messages.size(), 1u);
    struct stat after {};
    ASSERT_EQ(::stat("/dev/full", &after), 0);
    EXPECT_TRUE(S_ISCHR(after.st_mode));
    EXPECT_EQ(after.st_rdev, before.st_rdev);

    view = KeptView{};
    EXPECT_FALSE(recorder->start("/dev/full", kSaveFormatXls));
    ASSERT_EQ(view.errors.size(), 1u);
    EXPECT_EQ(view.errors[0], "Cannot create /dev/full: " + std::string(std::strerror(ENOSPC)));
}

TEST_F(RecorderTest, oneClockReadingGivesTheDateAndTheTimeOfATick) {
    // A clock that moves to the next day between two readings.
    class MidnightClock final : public Clock {
    public:
        std::uint32_t tickMs() const override { return 0; }
        LocalDateTime localNow() const override {
            return calls++ == 0 ? LocalDateTime{2024, 3, 5, 23, 59, 59, 999}
                                : LocalDateTime{2024, 3, 6, 0, 0, 0, 0};
        }
        mutable int calls = 0;
    };
    for (const int format : {kSaveFormatCsv, kSaveFormatXls}) {
        MidnightClock midnight;
        MemoryFiles files;
        Recorder recorder(live, settings, midnight, files, messages, view);
        ASSERT_TRUE(recorder.start("/r/m", format));
        recorder.WriteDataSet(); // the CSV header, or the first XLS row
        recorder.WriteDataSet();
        recorder.stop();
        const std::string& bytes = files.files["/r/m"];
        if (format == kSaveFormatCsv) {
            EXPECT_NE(bytes.find("\r\n05.03.2024,23:59:59,"), std::string::npos);
        } else {
            const BiffSheet sheet = readBiff(bytes);
            EXPECT_EQ(std::get<std::string>(sheet.cells.at({1, 0})), "05.03.2024");
            EXPECT_EQ(std::get<std::string>(sheet.cells.at({1, 1})), "23:59:59");
        }
    }
}

TEST_F(RecorderTest, typeChangeSetsTheSaveFormatAndItsExtension) {
    auto recorder = recorderOn(memory);
    for (const auto& [format, extension] : {std::pair{2, "XLS"}, std::pair{1, "CSV"}}) {
        recorder->SaveDialog1TypeChange(format);
        EXPECT_EQ(settings.saveFormat, format);
        EXPECT_EQ(Recorder::defaultExtension(format), extension);
    }
}

TEST(StatusFileNameTest, nameWithoutFolderInUpperCase) {
    EXPECT_EQ(statusFileName("/home/u/test.csv"), "TEST.CSV");
    EXPECT_EQ(statusFileName("rel/Messung Kessel 3.xls"), "MESSUNG KESSEL 3.XLS");
    EXPECT_EQ(statusFileName("/x/\xC3\xBC\x62\x65r \xC3\x9F\xC3\xBF.csv"),
              "\xC3\x9C\x42\x45R \xC3\x9F\xC5\xB8.CSV"); // über ßÿ -> ÜBER ßŸ
    EXPECT_EQ(statusFileName("/x/a\xC3\xB7"
                             "b"),
              "A\xC3\xB7"
              "B"); // ÷ stays
}

} // namespace
} // namespace kesto::test
