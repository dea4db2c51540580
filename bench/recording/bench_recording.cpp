// One recording tick's file work (line built, written, flushed to the disk) for CSV and XLS,
// with and without the flush, done within the tick as the writer's thread would do it; a
// 60000-row XLS file; and the time the user-interface thread spends in a tick while the
// writer's thread waits for each flush a second. The files go to $KESTO_BENCH_DIR, else the
// current folder: run from a folder on the disk the recordings would go to.

#include "recording/Recorder.h"
#include "tests/CoreFakes.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

using namespace kesto;

class NoView final : public RecordingView {
public:
    void recordingChanged() override {}
    void showStatus(const std::string&) override {}
    void showError(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    void showNotice(const std::string&) override {}
};

// The real files, with the flush to the disk left out, or taking `syncTime` instead.
class UnsyncedFiles final : public RecordingFileLayer {
public:
    explicit UnsyncedFiles(std::chrono::milliseconds syncTime = {}) : syncTime_(syncTime) {}

private:
    class File final : public RecordingFile {
    public:
        File(std::unique_ptr<RecordingFile> f, std::chrono::milliseconds syncTime)
            : f_(std::move(f)), syncTime_(syncTime) {}
        FileError writeAt(std::uint64_t o, std::string_view b) override {
            return f_->writeAt(o, b);
        }
        FileError sync() override {
            std::this_thread::sleep_for(syncTime_);
            return std::nullopt;
        }
        FileError truncate(std::uint64_t s) override { return f_->truncate(s); }

    private:
        std::unique_ptr<RecordingFile> f_;
        std::chrono::milliseconds syncTime_;
    };

public:
    std::optional<std::uint64_t> fileSize(const std::string& p, FileError& e) override {
        return real_.fileSize(p, e);
    }
    FileError remove(const std::string& p) override { return real_.remove(p); }
    std::unique_ptr<RecordingFile> create(const std::string& p, std::string& e) override {
        auto f = real_.create(p, e);
        return f ? std::make_unique<File>(std::move(f), syncTime_) : nullptr;
    }
    std::unique_ptr<RecordingFile> open(const std::string& p, std::string& e) override {
        auto f = real_.open(p, e);
        return f ? std::make_unique<File>(std::move(f), syncTime_) : nullptr;
    }

    PosixRecordingFiles real_;
    std::chrono::milliseconds syncTime_;
};

std::string benchFile(const char* name) {
    const char* dir = std::getenv("KESTO_BENCH_DIR");
    return std::string(dir != nullptr ? dir : ".") + "/kesto-bench-" + std::to_string(::getpid()) +
           "-" + name;
}

// The writer's work done within each call, so that a tick measures it; rescue files (none are
// expected) beside the bench's files.
RecordingWriter::Options inTheTick() {
    RecordingWriter::Options options;
    options.ownThread = false;
    options.rescueFolder = benchFile("rescue");
    return options;
}

// A live display as after a refresh with every channel valid.
struct Setup {
    test::FakeClock clock;
    test::FakeSerialLink link;
    test::FakeMessageWindow messages;
    test::FakeAlarm alarm;
    NoView view;
    GeneralSettings settings;
    LiveAcquisition live{clock, link, messages, alarm};
    Setup() {
        link.opened = true;
        messages.visible = false;
        float v = 1.5f;
        for (auto& d : live.display()) {
            d.value = v;
            d.valid = true;
            v = v * 3.7f + 0.25f;
        }
    }
};

void tick(benchmark::State& state, int format, bool sync) {
    Setup s;
    PosixRecordingFiles synced;
    UnsyncedFiles unsynced;
    RecordingFileLayer& files = sync ? static_cast<RecordingFileLayer&>(synced) : unsynced;
    const std::string path = benchFile(format == kSaveFormatCsv ? "tick.csv" : "tick.xls");
    Recorder recorder(s.live, s.settings, s.clock, files, s.messages, s.view, inTheTick());
    recorder.setIntervalMs(1000);
    if (!recorder.start(path, format)) {
        state.SkipWithError("cannot create the file");
        return;
    }
    recorder.WriteDataSet(); // the CSV header
    for (auto _ : state) {
        recorder.WriteDataSet();
        if (!recorder.recording()) { // an XLS file is full, or 60000 data sets: a new file
            state.PauseTiming();
            recorder.start(path, format);
            state.ResumeTiming();
        }
    }
    recorder.stop();
    std::filesystem::remove(path);
}

void BM_CsvTickSynced(benchmark::State& state) {
    tick(state, kSaveFormatCsv, true);
}
void BM_CsvTick(benchmark::State& state) {
    tick(state, kSaveFormatCsv, false);
}
void BM_XlsTickSynced(benchmark::State& state) {
    tick(state, kSaveFormatXls, true);
}
void BM_XlsTick(benchmark::State& state) {
    tick(state, kSaveFormatXls, false);
}
BENCHMARK(BM_CsvTickSynced)->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_CsvTick)->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_XlsTickSynced)->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_XlsTick)->Unit(benchmark::kMicrosecond)->Repetitions(5);

// A whole XLS recording of 60000 data rows, without the flush of each tick.
void BM_Xls60000Rows(benchmark::State& state) {
    Setup s;
    UnsyncedFiles files;
    const std::string path = benchFile("60000.xls");
    for (auto _ : state) {
        Recorder recorder(s.live, s.settings, s.clock, files, s.messages, s.view, inTheTick());
        recorder.start(path, kSaveFormatXls);
        for (int i = 0; i < 60000; ++i) {
            recorder.WriteDataSet();
        }
        recorder.stop();
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_Xls60000Rows)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);

// The user-interface thread's part of a tick (the line built and handed over, the writer's
// reports taken) while every flush of the writer's thread takes 1 s: ticks every 50 ms, so
// that data sets wait and are written in batches meanwhile. "longest" is the longest tick.
void uiTickWhileEachSyncTakes1s(benchmark::State& state, int format) {
    Setup s;
    UnsyncedFiles files(std::chrono::seconds(1));
    const std::string path = benchFile(format == kSaveFormatCsv ? "slow.csv" : "slow.xls");
    RecordingWriter::Options threaded = inTheTick();
    threaded.ownThread = true;
    Recorder recorder(s.live, s.settings, s.clock, files, s.messages, s.view, threaded);
    recorder.setIntervalMs(1000);
    if (!recorder.start(path, format)) {
        state.SkipWithError("cannot create the file");
        return;
    }
    std::chrono::nanoseconds longest{};
    for (auto _ : state) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const auto begin = std::chrono::steady_clock::now();
        recorder.WriteDataSet();
        recorder.takeWriterReports();
        const auto took = std::chrono::steady_clock::now() - begin;
        longest = std::max(longest, took);
        state.SetIterationTime(std::chrono::duration<double>(took).count());
    }
    state.counters["longest_us"] = std::chrono::duration<double, std::micro>(longest).count();
    state.counters["written"] = static_cast<double>(recorder.DataSetCounter());
    recorder.stop();
    while (!recorder.writerDone()) {
        recorder.waitForWriter(std::chrono::seconds(5));
    }
    std::filesystem::remove(path);
}
void BM_CsvUiTickWhileEachSyncTakes1s(benchmark::State& state) {
    uiTickWhileEachSyncTakes1s(state, kSaveFormatCsv);
}
void BM_XlsUiTickWhileEachSyncTakes1s(benchmark::State& state) {
    uiTickWhileEachSyncTakes1s(state, kSaveFormatXls);
}
BENCHMARK(BM_CsvUiTickWhileEachSyncTakes1s)
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime()
    ->Iterations(200);
BENCHMARK(BM_XlsUiTickWhileEachSyncTakes1s)
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime()
    ->Iterations(200);

} // namespace

BENCHMARK_MAIN();
