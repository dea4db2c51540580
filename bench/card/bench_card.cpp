// Converting a memory-card file of 100000 data lines, as the "View MMC data..." command and
// kesto-card do: both passes over the source, the target written, flushed and renamed.
// Target: under 0.5 s on one core.

#include "recording/CardConversion.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>

namespace {

using namespace kesto;

constexpr int kDataLines = 100000;

// A card line as the analyzer writes it: date, time and 58 measured values, every field ended
// by a comma. Every other line carries a reference O2 of 3 %, so it is corrected.
std::string cardLine(std::mt19937& rng, int n) {
    char buffer[64];
    std::string line = "09.01.2003,";
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d,", n / 3600 % 24, n / 60 % 60, n % 60);
    line += buffer;
    std::uniform_real_distribution<double> value(0, 999);
    for (int field = 2; field < 60; ++field) {
        if (field == 27) {
            line += n % 2 == 0 ? "3," : "0,";
            continue;
        }
        std::snprintf(buffer, sizeof buffer, "%.1f,", field == 2 ? value(rng) / 50 : value(rng));
        line += buffer;
    }
    return line;
}

std::string makeCard() {
    std::mt19937 rng(42);
    std::string card = "Vantro MMC,\r\nDate,Time,O2,CO,NO,NO2,SO2,\r\n";
    for (int n = 0; n < kDataLines; ++n) {
        card += cardLine(rng, n);
        card += "\r\n";
    }
    return card;
}

std::filesystem::path benchFolder() {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kesto-bench-card-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    return folder;
}

void BM_ConvertCardFile(benchmark::State& state) {
    const std::filesystem::path folder = benchFolder();
    const std::string source = (folder / "card.csv").string();
    const std::string target = (folder / "MMC.CSV").string();
    const std::string card = makeCard();
    std::ofstream(source, std::ios::binary) << card;
    PosixCardFiles files;
    NoCardProgress none;
    for (auto _ : state) {
        if (const auto error = ConvertMmcFile(source, target, files, none)) {
            state.SkipWithError(error->c_str());
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(card.size()));
    state.counters["lines"] = kDataLines;
    state.counters["MB"] = static_cast<double>(card.size()) / 1e6;
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ConvertCardFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The conversion of the lines alone, without reading or writing files.
void BM_ConvertCardLines(benchmark::State& state) {
    std::mt19937 rng(42);
    std::vector<std::string> lines;
    for (int n = 0; n < 1000; ++n) {
        lines.push_back(cardLine(rng, n));
    }
    std::string out;
    for (auto _ : state) {
        out.clear();
        for (const std::string& line : lines) {
            appendCardDataLine(out, cutCardFields(line));
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.size()));
}
BENCHMARK(BM_ConvertCardLines);

} // namespace

BENCHMARK_MAIN();
