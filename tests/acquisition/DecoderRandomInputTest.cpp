#include "AcquisitionFakes.h"
#include "FrameDecoder.h"

#include <gtest/gtest.h>

#include <random>

namespace kesto::test {
namespace {

using Words = std::vector<std::uint16_t>;

class Random {
public:
    explicit Random(std::uint32_t seed) : rng_(seed) {}
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(int percent) { return pick(1, 100) <= percent; }

    // A word as sensors near zero send it: favours FF FF, 7F FF, xx FF and FF xx.
    std::uint16_t word() {
        switch (pick(0, 5)) {
        case 0:
            return 0xFFFF;
        case 1:
            return 0x7FFF;
        case 2:
            return static_cast<std::uint16_t>(pick(0, 255) << 8 | 0xFF);
        case 3:
            return static_cast<std::uint16_t>(0xFF00 | pick(0, 255));
        default:
            return static_cast<std::uint16_t>(pick(0, 0xFFFF));
        }
    }
    // Mostly frames that pass the range checks, with checked words at their edges too.
    Words frame() {
        Words w(chance(50) ? 13 : 16);
        for (auto& x : w) {
            x = word();
        }
        if (chance(85)) {
            const int limits[] = {211, 0, 3000, 30000, 1200, 300};
            for (int k : {0, 2, 3, 4, 5}) {
                w[k] = static_cast<std::uint16_t>(chance(20) ? limits[k] : pick(0, limits[k]));
            }
            w[0] = std::max<std::uint16_t>(w[0], 1);
        }
        return w;
    }

private:
    std::mt19937 rng_;
};

// The texts a frame leaves when it is read exactly as it was sent.
ReceivedTexts sent(const Words& words) {
    const auto bytes = frameBytes(words);
    ReceivedTexts texts{};
    writeReceivedTexts(unpackFrame(std::span(bytes).subspan(2, 2 * words.size())), texts);
    return texts;
}

bool passes(const Words& words) {
    const auto bytes = frameBytes(words);
    return passesRangeChecks(unpackFrame(std::span(bytes).subspan(2, 2 * words.size())));
}

// Drives a decoder like the serial layer does and records every frame it accepts.
struct Line {
    explicit Line(std::uint32_t seed) : rnd(seed) {}

    void chunk(std::span<const std::uint8_t> bytes) {
        const auto before = decoder.counters().framesAccepted;
        decoder.onBytes(bytes, tick);
        record(before);
    }
    void quiet(std::uint32_t after) {
        tick += after;
        const auto before = decoder.counters().framesAccepted;
        decoder.onLineQuiet(tick);
        record(before);
    }
    // The texts hold the last frame accepted in the call.
    void record(std::uint64_t before) {
        const auto now = decoder.counters().framesAccepted;
        if (now != before) {
            several = several || now != before + 1;
            accepted.push_back(texts);
        }
    }
    // The bytes in random pieces, a few milliseconds apart as a USB adapter delivers them.
    void send(std::span<const std::uint8_t> bytes) {
        std::size_t pos = 0;
        while (pos < bytes.size()) {
            const std::size_t n = std::min<std::size_t>(bytes.size() - pos, rnd.pick(1, 40));
            chunk(bytes.subspan(pos, n));
            pos += n;
            tick += static_cast<std::uint32_t>(rnd.pick(0, 20));
        }
    }

    Random rnd;
    std::uint32_t tick = 0xFFFF0000u; // the tick counter wraps within each run
    ReceivedTexts texts{};
    FakeClock clock;
    FakeMessageWindow window;
    FrameDecoder decoder{texts, clock, &window};
    std::vector<ReceivedTexts> accepted;
    bool several = false;
};


// Frames one at a time with the line idle between them, as the analyzer sends them, and the
// port opened again and again at every byte offset of a frame. The oracle is the list of frames
// sent: every frame that passes the range checks is accepted with exactly its words, except the
// one whose bytes the opening cut, and nothing else is accepted.
TEST(DecoderProperty, idleLineFramesAreReadExactlyWhateverTheirWords) {
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
        Line line(seed);
        line.quiet(60);
        std::vector<ReceivedTexts> expected;
        int opened = 0;
        for (int f = 0; f < 3000; ++f) {
            const Words words = line.rnd.frame();
            const auto bytes = frameBytes(words);
            std::size_t from = 0;
            bool expect = passes(words);
            if (line.rnd.chance(8)) {
                // Opened at a byte offset: what was sent before it never reaches the decoder.
                from = static_cast<std::size_t>(opened++) % bytes.size();
                line.decoder.resetForOpen(line.tick);
                if (from == 0 && line.rnd.chance(50)) {
                    line.quiet(60); // opened on the idle line: the frame is whole
                } else {
                    line.tick += static_cast<std::uint32_t>(line.rnd.pick(0, 40));
                    expect = false;
                }
            }
            if (expect) {
                expected.push_back(sent(words));
            }
            line.send(std::span(bytes).subspan(from));
            // The quiet timer fires 50 to 80 ms after the last bytes, sometimes twice.
            line.quiet(static_cast<std::uint32_t>(line.rnd.pick(50, 80)));
            if (line.rnd.chance(30)) {
                line.quiet(static_cast<std::uint32_t>(line.rnd.pick(1, 500)));
            }
            line.tick += static_cast<std::uint32_t>(line.rnd.pick(100, 900));
        }
        ASSERT_FALSE(line.several);
        ASSERT_GT(opened, 150);
        ASSERT_EQ(line.accepted, expected);
        ASSERT_GT(expected.size(), 2000u);
        for (const auto& m : line.window.messages) {
            ASSERT_TRUE(m.find("range error") != std::string::npos || m == kFrameLengthError)
                << m;
        }
    }
}

// Frames back to back on a line that never goes quiet, in random chunks, calm, near zero, and
// near zero with noise and damaged frames between them (and now and then a pause after the
// noise): no accepted frame differs from one that was sent, in order, the counters agree and
// the bytes held stay bounded. Calm frames all come through but the last two, which wait for
// the bytes that would confirm them.
TEST(DecoderProperty, backToBackFramesAreNeverShownShifted) {
    for (const int kind : {0, 1, 2}) {
        Line line(77u + static_cast<std::uint32_t>(kind));
        Random& rnd = line.rnd;
        line.quiet(60);
        std::vector<std::uint8_t> stream;
        std::vector<ReceivedTexts> sentFrames;
        std::vector<std::size_t> pauses;
        for (int f = 0; f < 4000; ++f) {
            Words words = rnd.frame();
            if (kind == 0) {
                words = goodWords();
                words[0] = static_cast<std::uint16_t>(rnd.pick(1, 211));
                words[1] = static_cast<std::uint16_t>(rnd.pick(0, 2000));
                words.resize(f % 3 == 0 ? 16 : 13, 0x0100);
            }
            const auto bytes = frameBytes(words);
            stream.insert(stream.end(), bytes.begin(), bytes.end());
            if (passes(words)) {
                sentFrames.push_back(sent(words));
            }
            if (kind == 2 && rnd.chance(40)) {
                // Line noise holds no FF, and a damaged frame is too long to be words of the
                // frame before it: either would read as more words of that frame, for any
                // receiver, where nothing but a pause tells them apart.
                const bool damaged = rnd.chance(50);
                if (damaged) {
                    stream.insert(stream.end(), {0xFF, 0xFF});
                }
                for (int i = rnd.pick(damaged ? 8 : 1, damaged ? 40 : 300); i > 0; --i) {
                    stream.push_back(static_cast<std::uint8_t>(rnd.pick(0, 254)));
                }
                if (damaged) {
                    stream.insert(stream.end(), {0xFF, 0xFF});
                }
                if (rnd.chance(10)) {
                    pauses.push_back(stream.size());
                }
            }
        }
        pauses.push_back(stream.size());
        auto pause = pauses.begin();
        for (std::size_t pos = 0; pos < stream.size();) {
            const std::size_t n = std::min<std::size_t>(*pause - pos, rnd.pick(1, 40));
            line.chunk(std::span(stream).subspan(pos, n));
            pos += n;
            line.tick += static_cast<std::uint32_t>(rnd.pick(0, 20));
            if (pos == *pause) {
                line.quiet(static_cast<std::uint32_t>(rnd.pick(50, 200)));
                line.tick += 100;
                ++pause;
            }
            const DecoderCounters& c = line.decoder.counters();
            ASSERT_LE(line.decoder.pending().size(), FrameDecoder::kMaxBurstBytes + 40);
            ASSERT_EQ(c.framesFound, c.framesAccepted + c.framesRejected);
            ASSERT_EQ(c.bytesReceived, pos);
            ASSERT_LE(c.bytesDiscarded, c.bytesReceived);
        }
        std::size_t next = 0;
        for (const auto& got : line.accepted) {
            while (next < sentFrames.size() && sentFrames[next] != got) {
                ++next;
            }
            ASSERT_LT(next, sentFrames.size()) << "accepted a frame that was not sent";
            ++next;
        }
        // A frame is read before the line goes quiet only when a good frame follows it: near
        // zero 81 % come through with this seed, with noise between them 36 %.
        const std::size_t least[] = {sentFrames.size() - 2, sentFrames.size() * 3 / 4,
                                     sentFrames.size() * 3 / 10};
        EXPECT_GE(line.decoder.counters().framesAccepted, least[kind]);
    }
}

} // namespace
} // namespace kesto::test
