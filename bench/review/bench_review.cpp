// The recording loader of the viewer: a 60000-line recording (16 h 40 min at one line a second)
// and recordings of 1000000 lines joined (80 MB), as the recorder writes them, read into table
// lines and records; from memory, and from a file on the disk with its read. The raw read of
// the same files is the floor.
#include "bench/RecordingSample.h"
#include "platform/PosixFiles.h"
#include "review/RecordingLoader.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

using namespace kesto;

// The number of lines is the benchmark's argument.
void BM_LoadRecording(benchmark::State& state) {
    const std::string text = bench::recordingText(static_cast<int>(state.range(0)));
    std::size_t records = 0;
    for (auto _ : state) {
        DateTimePatterns patterns;
        const RecordingLoad load = loadRecording(text, patterns, 2024);
        records = load.records.size();
        benchmark::DoNotOptimize(load.table.rowCount());
    }
    state.counters["records"] = static_cast<double>(records);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_LoadRecording)->Arg(60000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// A recording file of `lines` lines in the temporary folder, removed at the end.
class RecordingFile {
public:
    explicit RecordingFile(int lines) {
        path_ = std::filesystem::temp_directory_path().string() + "/kesto-bench-" +
                std::to_string(::getpid()) + "-" + std::to_string(lines) + ".CSV";
        bench::writeRecording(path_, lines);
    }
    ~RecordingFile() { std::filesystem::remove(path_); }
    const std::string& path() const { return path_; }
    std::uintmax_t size() const { return std::filesystem::file_size(path_); }

private:
    std::string path_;
};

void BM_LoadRecordingFile(benchmark::State& state) {
    const RecordingFile file(static_cast<int>(state.range(0)));
    std::size_t records = 0;
    for (auto _ : state) {
        DateTimePatterns patterns;
        const RecordingLoad load = loadRecordingFile(file.path(), patterns, 2024);
        records = load.records.size();
        benchmark::DoNotOptimize(load.table.rowCount());
    }
    state.counters["records"] = static_cast<double>(records);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_LoadRecordingFile)->Arg(60000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The floor: the file's bytes read into memory in one read, nothing done with them.
void BM_RawRead(benchmark::State& state) {
    const RecordingFile file(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        posix::FileContents::Status status{};
        std::string error;
        const auto opened = posix::ReadableFile::openRegular(file.path(), status, error);
        auto bytes = std::make_unique_for_overwrite<char[]>(opened->size());
        benchmark::DoNotOptimize(opened->readAt(0, bytes.get(), opened->size(), error));
        benchmark::DoNotOptimize(bytes.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_RawRead)->Arg(60000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
