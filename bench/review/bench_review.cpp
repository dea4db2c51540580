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

void loadFromMemory(benchmark::State& state, int lines) {
    const std::string text = bench::recordingText(lines);
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

void BM_LoadRecording60000Lines(benchmark::State& state) {
    loadFromMemory(state, 60000);
}
BENCHMARK(BM_LoadRecording60000Lines)->Unit(benchmark::kMillisecond);

void BM_LoadRecording1000000Lines(benchmark::State& state) {
    loadFromMemory(state, 1000000);
}
BENCHMARK(BM_LoadRecording1000000Lines)->Unit(benchmark::kMillisecond);

// A recording file of `lines` lines in the temporary folder, removed at the end.
class RecordingFile {
public:
    explicit RecordingFile(int lines)
        : path_(
              (std::filesystem::temp_directory_path() /
               ("kesto-bench-" + std::to_string(::getpid()) + "-" + std::to_string(lines) + ".CSV"))
                  .string()) {
        bench::writeRecording(path_, lines);
    }
    ~RecordingFile() { std::filesystem::remove(path_); }
    const std::string& path() const { return path_; }
    std::uintmax_t size() const { return std::filesystem::file_size(path_); }

private:
    std::string path_;
};

void loadFromFile(benchmark::State& state, int lines) {
    const RecordingFile file(lines);
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

void BM_LoadRecordingFile60000Lines(benchmark::State& state) {
    loadFromFile(state, 60000);
}
BENCHMARK(BM_LoadRecordingFile60000Lines)->Unit(benchmark::kMillisecond);

void BM_LoadRecordingFile1000000Lines(benchmark::State& state) {
    loadFromFile(state, 1000000);
}
BENCHMARK(BM_LoadRecordingFile1000000Lines)->Unit(benchmark::kMillisecond);

// The floor: the file's bytes read into memory in one read, nothing done with them.
void rawRead(benchmark::State& state, int lines) {
    const RecordingFile file(lines);
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

void BM_RawRead60000Lines(benchmark::State& state) {
    rawRead(state, 60000);
}
BENCHMARK(BM_RawRead60000Lines)->Unit(benchmark::kMillisecond);

void BM_RawRead1000000Lines(benchmark::State& state) {
    rawRead(state, 1000000);
}
BENCHMARK(BM_RawRead1000000Lines)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
