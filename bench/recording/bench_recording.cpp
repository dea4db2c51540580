// One recording tick (line built, written, flushed to the disk) for CSV and XLS, with and
// without the flush, and a 60000-row XLS file. The files go to $KESTO_BENCH_DIR, else the
// current folder: run from a folder on the disk the recordings would go to.

#include "CoreFakes.h"
#include "Recorder.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
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

// The real files, with the flush to the disk left out.
class UnsyncedFiles final : public RecordingFileLayer {
    class File final : public RecordingFile {
    public:
        explicit File(std::unique_ptr<RecordingFile> f) : f_(std::move(f)) {}
        FileError writeAt(std::uint64_t o, std::string_view b) override {
            return f_->writeAt(o, b);
        }
        FileError sync() override { return std::nullopt; }
        FileError truncate(std::uint64_t s) override { return f_->truncate(s); }

    private:
        std::unique_ptr<RecordingFile> f_;
    };

public:
    std::optional<std::uint64_t> fileSize(const std::string& p, FileError& e) override {
        return real_.fileSize(p, e);
    }
    FileError remove(const std::string& p) override { return real_.remove(p); }
    std::unique_ptr<RecordingFile> create(const std::string& p, std::string& e) override {
        auto f = real_.create(p, e);
        return f ? std::make_unique<File>(std::move(f)) : nullptr;
    }
    std::unique_ptr<RecordingFile> open(const std::string& p, std::string& e) override {
        auto f = real_.open(p, e);
        return f ? std::make_unique<File>(std::move(f)) : nullptr;
    }

private:
    PosixRecordingFiles real_;
};

std::string benchFile(const char* name) {
    const char* dir = std::getenv("KESTO_BENCH_DIR");
    return std::string(dir != nullptr ? dir : ".") + "/kesto-bench-" + std::to_string(::getpid()) +
           "-" + name;
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
    Recorder recorder(s.live, s.settings, s.clock, files, s.messages, s.view);
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
        Recorder recorder(s.live, s.settings, s.clock, files, s.messages, s.view);
        recorder.start(path, kSaveFormatXls);
        for (int i = 0; i < 60000; ++i) {
            recorder.WriteDataSet();
        }
        recorder.stop();
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_Xls60000Rows)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3);

} // namespace

BENCHMARK_MAIN();
