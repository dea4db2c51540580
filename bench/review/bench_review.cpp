// The recording loader of the viewer: a 60000-line recording (16 h 40 min at one line a second)
// as the recorder writes it, read into table lines and records.
#include "review/RecordingLoader.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

// Title and `lines` data lines one second apart, values in their display formats.
std::string recordingText(int lines) {
    std::string text = "dd.mm.yyyy,hh:mm:ss,O2[%],CO2[%],TGas[\xB0"
                       "C],TRoom[\xB0"
                       "C],Eta[%],Lambda[],CO[ppm],CO[mg/m3],NO[ppm],NO2[ppm],NOx[mg/m3],"
                       "SO2[ppm],SO2[mg/m3],CxHy[ppm],CxHy[mg/m3],Draught[hPa],Flow[m/s],H2[ppm],"
                       "S6[ppm]\r\n";
    char line[256];
    for (int i = 0; i < lines; ++i) {
        const int s = 8 * 3600 + i;
        const int day = 5 + s / 86400;
        std::snprintf(line, sizeof line,
                      "%02d.03.2024,%02d:%02d:%02d,%.1f,%.1f,%d,%.1f,%.1f,%.2f,%d,%d,%d,%d,%d,0,0,"
                      "%d,%d,-0.1,%.1f,0,0\r\n",
                      day, s / 3600 % 24, s / 60 % 60, s % 60, 4.5 + (i % 20) / 10.0,
                      9.1 - (i % 20) / 20.0, 150 + i % 30, 20.0 + (i % 10) / 10.0,
                      92.0 + (i % 7) / 10.0, 1.27 + (i % 9) / 100.0, 20 + i % 15, 25 + i % 19,
                      45 + i % 11, 3 + i % 3, 95 + i % 23, 4 + i % 7, 5 + i % 9,
                      3.5 + (i % 5) / 10.0);
        text += line;
    }
    return text;
}

void BM_LoadRecording60000Lines(benchmark::State& state) {
    const std::string text = recordingText(60000);
    std::size_t records = 0;
    for (auto _ : state) {
        kesto::DateTimePatterns patterns;
        const kesto::RecordingLoad load = kesto::loadRecording(text, patterns, 2024);
        records = load.records.size();
        benchmark::DoNotOptimize(load.table.rowCount());
    }
    state.counters["records"] = static_cast<double>(records);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_LoadRecording60000Lines)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
