// Throughput of the frame decoder and cost of one display refresh.

#include "acquisition/DisplayRefresh.h"
#include "acquisition/FrameDecoder.h"
#include "acquisition/NumberFormat.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

using namespace kesto;

class BenchClock final : public Clock {
public:
    std::uint32_t tickMs() const override { return tick; }
    LocalDateTime localNow() const override { return {2024, 3, 5, 12, 34, 56, 0}; }
    std::uint32_t tick = 1000;
};

class BenchWindow final : public MessageWindow {
public:
    bool isVisible() const override { return visible; }
    void addMessage(std::string_view) override { ++messages; }
    bool writeToLogfile() const override { return false; }
    void showFrame(std::string_view, std::string_view, int) override { ++frames; }
    bool visible = false;
    int messages = 0;
    int frames = 0;
};

// A sixteen-word frame with readings near zero, delimiters included (36 bytes): CO -1 ppm
// (FF FF inside the payload), draught -0.01 hPa (7F FF), H2 -1.
std::vector<std::uint8_t> sampleFrame() {
    const std::uint16_t words[16] = {0x0069, 0xFFFF, 0x00B4, 0x0096, 0x0370, 0x0064,
                                     0x0000, 0x00D2, 0x0028, 0x0000, 0x0005, 0x0000,
                                     0x7FFF, 0x007B, 0xFFFF, 0x0010};
    return encodeFrame(words);
}

// Each frame one burst, a second apart, read when the line goes quiet after it.
void BM_DecoderValidFrames(benchmark::State& state) {
    ReceivedTexts texts{};
    BenchClock clock;
    BenchWindow window;
    window.visible = state.range(0) != 0;
    FrameDecoder decoder(texts, clock, &window);
    const auto frame = sampleFrame();
    std::uint32_t tick = clock.tick + 1000; // the line idle since the decoder was made
    decoder.onLineQuiet(tick);
    for (auto _ : state) {
        tick += 1000;
        decoder.onBytes(frame, tick);
        decoder.onLineQuiet(tick + 60);
        benchmark::DoNotOptimize(texts.data());
    }
    if (decoder.counters().framesAccepted != static_cast<std::uint64_t>(state.iterations())) {
        state.SkipWithError("frames were not all accepted");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(frame.size()));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecoderValidFrames)->ArgName("monitor")->Arg(0)->Arg(1);

// Frames arriving byte by byte, as the paced line delivers them: with the line quiet after
// each frame as the analyzer sends them, or back to back on a line that never goes quiet.
void BM_DecoderFrameByteByByte(benchmark::State& state) {
    const bool backToBack = state.range(0) != 0;
    ReceivedTexts texts{};
    BenchClock clock;
    FrameDecoder decoder(texts, clock);
    const auto frame = sampleFrame();
    std::uint32_t tick = clock.tick + 1000; // the line idle since the decoder was made
    decoder.onLineQuiet(tick);
    for (auto _ : state) {
        for (std::size_t i = 0; i < frame.size(); ++i) {
            decoder.onBytes(std::span(frame).subspan(i, 1), tick += 8);
        }
        if (!backToBack) {
            tick += 1000;
            decoder.onLineQuiet(tick);
        }
    }
    // Back to back, the last frames wait for the bytes that would confirm them.
    if (decoder.counters().framesAccepted + (backToBack ? 3 : 0) <
        static_cast<std::uint64_t>(state.iterations())) {
        state.SkipWithError("frames were lost");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(frame.size()));
}
BENCHMARK(BM_DecoderFrameByteByByte)->ArgName("backToBack")->Arg(0)->Arg(1);

// Noise without any delimiter (a wrong baud rate), in 64-byte events.
void BM_DecoderNoise(benchmark::State& state) {
    std::mt19937 rng(42);
    std::vector<std::uint8_t> noise(1 << 16);
    for (auto& b : noise) {
        b = static_cast<std::uint8_t>(rng() % 255); // never 0xFF
    }
    ReceivedTexts texts{};
    BenchClock clock;
    FrameDecoder decoder(texts, clock);
    constexpr std::size_t kEvent = 64;
    std::size_t pos = 0;
    for (auto _ : state) {
        decoder.onBytes(std::span(noise).subspan(pos, kEvent), clock.tick);
        pos = (pos + kEvent) % noise.size();
    }
    if (decoder.counters().framesFound != 0) {
        state.SkipWithError("noise produced a frame");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kEvent));
}
BENCHMARK(BM_DecoderNoise);

// One refresh of all nineteen channels with valid texts and ticked references, then the
// twenty big-display cells.
void BM_RefreshAndBigDisplay(benchmark::State& state) {
    const ReceivedTexts texts{"105", "500", "180", "150", "880", "100",  "0", "210",
                              "40",  "7",   "5",   "12",  "25",  "12.3", "4", "16"};
    RefreshOptions options;
    options.useMeanValue = state.range(0) != 0;
    MeanValues means;
    ReferenceSettings refs{}; // all ticked, "3.0"
    LiveDisplay display = makeDefaultDisplay(builtinChannelDefaults());
    for (auto _ : state) {
        RefreshLiveDisplay(texts, options, means, refs, display);
        BigDisplayTexts cells = FillBigDisplay(display);
        benchmark::DoNotOptimize(cells.data());
    }
    if (!display[index(Channel::COMG)].valid) {
        state.SkipWithError("refresh left COMG invalid");
    }
}
BENCHMARK(BM_RefreshAndBigDisplay)->ArgName("mean")->Arg(0)->Arg(1);

void BM_FormatNumber(benchmark::State& state) {
    double v = 187.456;
    for (auto _ : state) {
        benchmark::DoNotOptimize(formatNumber(v, "##0.0"));
        v += 0.001;
    }
}
BENCHMARK(BM_FormatNumber);

} // namespace

BENCHMARK_MAIN();
