// Arbitrary bytes through the frame decoder, split into data-available events of varying size,
// spaced by varying tick steps, with quiet times reported now and then, and the port opened
// again now and then. Checks the invariants that must hold after every event.
//
// Input layout: byte 0 seeds the event sizes, byte 1 the tick steps, byte 2 the monitor
// window's visibility and log option; the rest is the line data.

#include "acquisition/FrameDecoder.h"
#include "acquisition/NumberFormat.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

namespace {

using namespace kesto;

class FuzzClock final : public Clock {
public:
    std::uint32_t tickMs() const override { return tick; }
    LocalDateTime localNow() const override { return {2024, 3, 5, 12, 34, 56, 0}; }
    std::uint32_t tick = 0;
};

class FuzzWindow final : public MessageWindow {
public:
    bool isVisible() const override { return visible; }
    void addMessage(std::string_view text) override { lastMessage.assign(text); }
    bool writeToLogfile() const override { return log; }
    void showFrame(std::string_view, std::string_view line, int digits) override {
        if (digits < 0 || static_cast<std::size_t>(digits) + 9 != line.size()) {
            fail("frame line and digit count disagree");
        }
    }
    static void fail(const char* what) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
    bool visible = true;
    bool log = false;
    std::string lastMessage;
};

class NullLog final : public FrameLog {
public:
    std::optional<std::string> append(std::string_view) override { return std::nullopt; }
};

void check(bool ok, const char* what) {
    if (!ok) {
        FuzzWindow::fail(what);
    }
}

long long integerText(const std::string& text) {
    const auto v = parseInteger(text);
    check(v.has_value(), "received text is not a whole number");
    return *v;
}

// An accepted frame leaves only values inside the accepted ranges in the texts.
void checkAcceptedTexts(const ReceivedTexts& t) {
    const long long o2 = integerText(t[0]);
    const long long co2 = integerText(t[5]);
    check(o2 >= 0 && o2 <= 211, "O2 out of range");
    check(integerText(t[2]) >= 0 && integerText(t[2]) <= 3000, "TG out of range");
    check(integerText(t[3]) >= 0 && integerText(t[3]) <= 30000, "Lambda out of range");
    check(integerText(t[4]) >= 0 && integerText(t[4]) <= 1200, "Eta out of range");
    check(co2 >= 0 && co2 <= 300, "CO2 out of range");
    check(!(o2 == 0 && co2 == 0), "O2 and CO2 both zero");
    check(integerText(t[1]) % 10 == 0, "CO text not in tenths");
    for (std::size_t k : {8u, 9u, 10u, 11u}) {
        check(integerText(t[k]) >= 0, "gas value below zero");
    }
    for (std::size_t k : {12u, 13u}) {
        const auto v = parseDecimal(t[k]);
        check(v.has_value() && *v >= -3276.8 && *v <= 3276.7, "draught or flow text");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    std::uint32_t sizeState = data[0] * 2654435761u + 1;
    std::uint32_t tickState = data[1] * 2246822519u + 7;
    ReceivedTexts texts{};
    FuzzClock clock;
    FuzzWindow window;
    window.visible = (data[2] & 1) != 0;
    window.log = (data[2] & 2) != 0;
    clock.tick = (data[2] & 4) != 0 ? 0xFFFFFF00u : 0; // start just before the wrap
    NullLog log;
    FrameDecoder decoder(texts, clock, &window, &log);
    decoder.onLineQuiet(clock.tick + 100);

    const std::span<const std::uint8_t> line(data + 3, size - 3);
    std::size_t pos = 0;
    while (pos < line.size()) {
        sizeState = sizeState * 1664525u + 1013904223u;
        tickState = tickState * 1664525u + 1013904223u;
        const std::size_t n = std::min<std::size_t>(line.size() - pos, 1 + (sizeState >> 24) % 96);
        // Mostly short steps, so the quiet time after a frame is hit often.
        clock.tick += (tickState >> 28) < 8 ? (tickState >> 16) % 120 : (tickState >> 16) % 3000;

        // The quiet timer: mostly right after the bytes, sometimes too early or never; now
        // and then the port is opened again before the bytes.
        const std::uint32_t step = (tickState >> 8) & 0xFF;
        if (step == 255) {
            decoder.resetForOpen(clock.tick);
        }
        const DecoderCounters before = decoder.counters();
        const std::uint32_t bytesTick = clock.tick;
        decoder.onBytes(line.subspan(pos, n), clock.tick);
        pos += n;
        if (step < 200) {
            clock.tick += step;
            decoder.onLineQuiet(clock.tick);
        }
        const DecoderCounters& after = decoder.counters();

        check(decoder.pending().size() <= FrameDecoder::kMaxBurstBytes + 96, "bytes over bound");
        check(after.framesFound == after.framesAccepted + after.framesRejected,
              "frame counters disagree");
        check(after.bytesReceived == pos, "received byte count");
        check(after.bytesDiscarded <= after.bytesReceived, "discarded more than received");
        if (after.framesAccepted != before.framesAccepted) {
            check(decoder.lastFrameTick() == clock.tick || decoder.lastFrameTick() == bytesTick,
                  "accepted frame without its time");
            checkAcceptedTexts(texts);
        }
        if (after.framesAccepted != before.framesAccepted &&
            after.framesRejected == before.framesRejected) {
            check(decoder.frameValid(), "accepted frame not valid");
            check(decoder.lastFrame().byteCount >= kMinFrameByteCount, "short frame accepted");
        }
        if (after.framesRejected != before.framesRejected &&
            after.framesAccepted == before.framesAccepted) {
            check(!decoder.frameValid(), "rejected frame marked valid");
        }
    }
    return 0;
}
