#include "recording/Recorder.h"

#include "BiffReader.h"
#include "MemoryFiles.h"
#include "RecordingSupport.h"
#include "acquisition/DateTimeFormat.h"
#include "recording/RecordingText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <numeric>
#include <sys/stat.h>
#include <thread>

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
    EXPECT_EQ(clock.readings, 1);

    recorder->WriteDataSet();
    written = lines(readFile(path));
    ASSERT_EQ(written.size(), 2u);
    EXPECT_TRUE(written[1].starts_with("05.03.2024,14:07:09,0.0,0.0,0,")) << written[1];
    EXPECT_EQ(SplitFields(written[1], ',').size(), 21u);
    EXPECT_EQ(view.status, "Logging DS:2 to TEST.CSV");
    EXPECT_EQ(clock.readings, 2);

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
        Recorder recorder(live, settings, clock, files, messages, view, inlineWriter());
        EXPECT_FALSE(recorder.start("/r/m.csv", c.format));
        EXPECT_FALSE(recorder.recording());
        EXPECT_EQ(view.errors, std::vector<std::string>{c.error});
        EXPECT_FALSE(files.files.contains("/r/m.csv"));
        // The chosen file and type are kept for the next try.
        EXPECT_EQ(recorder.RecordingFileName(), "/r/m.csv");
        EXPECT_EQ(settings.saveFormat, c.format);
    }
}

// The writer on its own thread against a medium that fails or is slow: every data set ends up
// once, in order, in the file or (when the medium never comes back) in the rescue file; the
// file is never emptied and an XLS file reads as a whole worksheet in every state it passes.
TEST_F(RecorderTest, everyDataSetReachesTheFileOnceInOrderOrTheRescueFile) {
    using namespace std::chrono_literals;
    struct Case {
        std::string name;
        std::string operation; // fails (or is slow) from its call `from` to `to`; "pull": ticks
        int from, to;
        std::chrono::milliseconds delay; // slow instead of failing
        bool rescued;
        bool csvOnly = false; // an XLS file is neither looked at nor made by a tick
    };
    const std::vector<Case> cases{
        {"stat fails once", "stat", 4, 4, 0ms, false, true},
        {"the header's sync fails once", "sync", 1, 1, 0ms, false, true},
        {"each sync takes long", "sync", 1, 1000, 150ms, false},
        {"writes fail for a while", "write", 3, 9, 0ms, false},
        {"the stick is pulled and put back", "open", 2, 6, 0ms, false, true},
        {"the stick's mount point stays on the system disk", "pull", 3, 8, 0ms, false, true},
        {"the disk is full", "write", 4, 1000000, 0ms, true},
    };
    constexpr int kTicks = 12;
    for (const int format : {kSaveFormatCsv, kSaveFormatXls}) {
        for (const Case& c : cases) {
            if (c.csvOnly && format == kSaveFormatXls) {
                continue;
            }
            SCOPED_TRACE(c.name + (format == kSaveFormatCsv ? " (CSV)" : " (XLS)"));
            MemoryFiles files;
            files.keepHistory = format == kSaveFormatXls;
            view = KeptView{};
            messages.messages.clear();
            RecordingWriter::Options threaded = inlineWriter();
            threaded.ownThread = true;
            threaded.retry = 5ms;
            const std::string rescue = folder.path(c.name + std::to_string(format));
            threaded.rescueFolder = rescue;
            const std::string path = format == kSaveFormatCsv ? "/r/t.csv" : "/r/t.xls";
            auto recorder =
                std::make_unique<Recorder>(live, settings, clock, files, messages, view, threaded);
            ASSERT_TRUE(recorder->start(path, format));
            files.failOn = [&](const std::string& op, int call) -> FileError { // from now on
                if (op != c.operation || call < c.from || call > c.to) {
                    return std::nullopt;
                }
                if (c.delay > 0ms) {
                    std::this_thread::sleep_for(c.delay);
                    return std::nullopt;
                }
                return FileError("Input/output error");
            };
            for (int i = 1; i <= kTicks; ++i) {
                files.pulled = c.operation == "pull" && i >= c.from && i < c.to;
                live.display()[index(Channel::O2)].value = static_cast<float>(i);
                recorder->WriteDataSet();
                std::this_thread::sleep_for(20ms);
                recorder->takeWriterReports();
            }
            if (!c.rescued) {
                while (recorder->waiting() > 0 && recorder->waitForWriter(5s)) {
                    std::this_thread::sleep_for(10ms); // a retry may still be due
                }
            }
            const std::int64_t counted = recorder->DataSetCounter();
            recorder->stop();
            while (!recorder->writerDone() && recorder->waitForWriter(5s)) {
            }

            // The O2 values of the data rows: in the file, then in the rescue file.
            auto values = [&](const std::string& bytes) {
                std::vector<int> out;
                const bool csv = format == kSaveFormatCsv;
                const auto rows = csv ? lines(bytes) : std::vector<std::string>{};
                const BiffSheet sheet = readBiff(bytes);
                for (int r = 1; r < (csv ? static_cast<int>(rows.size()) : sheet.rowCount()); ++r) {
                    out.push_back(
                        static_cast<int>(csv ? TextToFloatOrZero(SplitFields(rows[r], ',').at(2))
                                             : std::get<double>(sheet.cells.at({r, 2}))));
                }
                return out;
            };
            EXPECT_TRUE(format == kSaveFormatCsv || readBiff(files.files[path]).valid);
            std::vector<int> all = values(files.files[path]);
            EXPECT_EQ(static_cast<std::int64_t>(all.size()) + (format == kSaveFormatCsv), counted);
            const bool rescuedAny = std::filesystem::exists(rescue);
            EXPECT_EQ(rescuedAny, c.rescued);
            if (rescuedAny) {
                const std::string name =
                    format == kSaveFormatCsv ? "t-rescued.csv" : "t-rescued.xls";
                const std::vector<int> more = values(readFile(rescue + "/" + name));
                all.insert(all.end(), more.begin(), more.end());
                ASSERT_FALSE(view.notices.empty());
                EXPECT_NE(view.notices[0].find(rescue + "/" + name), std::string::npos);
                EXPECT_EQ(recorder->troubledRecordings(), 1);
            }
            std::vector<int> expected(kTicks); // a CSV file's first data set makes the header alone
            std::iota(expected.begin(), expected.end(), 1);
            expected.erase(expected.begin(), expected.begin() + (format == kSaveFormatCsv));
            EXPECT_EQ(all, expected);
            for (const std::string& state : files.history) {
                EXPECT_TRUE(state.empty() || readBiff(state).valid) << "an invalid worksheet";
            }
            // Once that writing failed, and once that it caught up (or the rescue).
            std::string told;
            for (const std::string& m : messages.messages) {
                told += m.find("wait and are written") != std::string::npos ? "failed " : "";
                told += m.find("has caught up") != std::string::npos ? "caught up" : "";
            }
            EXPECT_EQ(told, c.delay > 0ms ? "" : c.rescued ? "failed " : "failed caught up");
        }
    }
}

TEST_F(RecorderTest, aFullDeviceIsWrittenToNotDeletedAndTheFailureShows) {
    struct stat before {};
    ASSERT_EQ(::stat("/dev/full", &before), 0);
    auto recorder = recorderOn(disk);
    ASSERT_TRUE(recorder->start("/dev/full", kSaveFormatCsv));
    recorder->WriteDataSet();
    EXPECT_EQ(recorder->DataSetCounter(), 0);
    EXPECT_EQ(view.status, "Logging DS:0 to FULL, 1 waiting (cannot write /dev/full: " +
                               std::string(std::strerror(ENOSPC)) + ")");
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
    // A clock that moves to the next day between two readings of the second tick.
    class MidnightClock final : public Clock {
    public:
        std::uint32_t tickMs() const override { return 0; }
        LocalDateTime localNow() const override {
            return calls++ <= 1 ? LocalDateTime{2024, 3, 5, 23, 59, 59, 999}
                                : LocalDateTime{2024, 3, 6, 0, 0, 0, 0};
        }
        mutable int calls = 0;
    };
    for (const int format : {kSaveFormatCsv, kSaveFormatXls}) {
        MidnightClock midnight;
        midnight.calls = format == kSaveFormatXls; // the first XLS tick writes a data row
        MemoryFiles files;
        Recorder recorder(live, settings, midnight, files, messages, view, inlineWriter());
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
