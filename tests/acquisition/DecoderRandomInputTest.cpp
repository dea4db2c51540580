#include "AcquisitionFakes.h"
#include "FrameDecoder.h"

#include <gtest/gtest.h>

#include <random>

namespace kesto::test {
namespace {

// What an accepted frame must have left in the texts: the values that passed the range tests.
void expectTextsOfAcceptedFrame(const ReceivedTexts& texts) {
    const long long o2 = textAsInteger(texts[0]);
    const long long co2 = textAsInteger(texts[5]);
    EXPECT_TRUE(o2 >= 0 && o2 <= 211) << o2;
    EXPECT_TRUE(textAsInteger(texts[2]) >= 0 && textAsInteger(texts[2]) <= 3000);
    EXPECT_TRUE(textAsInteger(texts[3]) >= 0 && textAsInteger(texts[3]) <= 30000);
    EXPECT_TRUE(textAsInteger(texts[4]) >= 0 && textAsInteger(texts[4]) <= 1200);
    EXPECT_TRUE(co2 >= 0 && co2 <= 300) << co2;
    EXPECT_FALSE(o2 == 0 && co2 == 0);
    EXPECT_EQ(textAsInteger(texts[1]) % 10, 0);
    for (std::size_t k : {8u, 9u, 10u, 11u}) {
        EXPECT_GE(textAsInteger(texts[k]), 0) << "slot " << k;
    }
    for (std::size_t k : {6u, 7u, 14u, 15u}) {
        const long long v = textAsInteger(texts[k]);
        EXPECT_TRUE(v >= -32768 && v <= 32767) << "slot " << k;
    }
}

TEST(DecoderRandomInput, survivesNoiseFramesAndDelimiterRunsWithinBounds) {
    std::mt19937 rng(20240305u);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };

    // About 4 MiB: random bytes, valid and damaged frames, runs of 0xFF.
    std::vector<std::uint8_t> stream;
    std::size_t validFramesSent = 0;
    while (stream.size() < (4u << 20)) {
        switch (pick(0, 5)) {
        case 0:
        case 1: {
            const int n = pick(1, 400);
            for (int i = 0; i < n; ++i) {
                stream.push_back(static_cast<std::uint8_t>(pick(0, 255)));
            }
            break;
        }
        case 2:
        case 3: {
            auto words = goodWords();
            words[0] = static_cast<std::uint16_t>(pick(1, 211));
            words[1] = static_cast<std::uint16_t>(pick(0, 2000));
            words.resize(static_cast<std::size_t>(pick(13, 16)), 0x0100);
            const auto f = frameBytes(words);
            stream.insert(stream.end(), f.begin(), f.end());
            ++validFramesSent;
            break;
        }
        case 4: {
            // A frame with arbitrary words, possibly holding delimiters of its own.
            stream.insert(stream.end(), {0xFF, 0xFF});
            const int n = pick(0, 40);
            for (int i = 0; i < n; ++i) {
                stream.push_back(static_cast<std::uint8_t>(pick(0, 255)));
            }
            stream.insert(stream.end(), {0xFF, 0xFF});
            break;
        }
        default:
            stream.insert(stream.end(), static_cast<std::size_t>(pick(1, 9)), 0xFF);
        }
    }
    ASSERT_GT(validFramesSent, 1000u);

    ReceivedTexts texts{};
    FakeClock clock;
    FakeMessageWindow window;
    FakeSerialLink link;
    FrameDecoder decoder(texts, clock, &window, nullptr, &link);

    std::size_t pos = 0;
    std::uint64_t events = 0;
    while (pos < stream.size()) {
        const std::size_t n =
            std::min<std::size_t>(stream.size() - pos, static_cast<std::size_t>(pick(1, 300)));
        clock.advance(static_cast<std::uint32_t>(pick(0, 1) ? pick(0, 99) : pick(100, 2000)));
        const DecoderCounters before = decoder.counters();
        decoder.onBytes(std::span(stream).subspan(pos, n));
        pos += n;
        ++events;

        const DecoderCounters& after = decoder.counters();
        ASSERT_LE(decoder.buffer().size(), FrameDecoder::kMaxBufferChars) << "event " << events;
        ASSERT_EQ(after.framesFound, after.framesAccepted + after.framesRejected);
        ASSERT_LE(after.framesAccepted - before.framesAccepted, 1u) << "event " << events;
        ASSERT_EQ(after.bytesReceived, pos);
        ASSERT_LE(after.bytesDiscarded, after.bytesReceived);
        if (after.framesAccepted != before.framesAccepted) {
            ASSERT_EQ(decoder.lastFrameTick(), clock.tick);
            ASSERT_TRUE(decoder.frameValid());
            ASSERT_GE(decoder.lastFrame().byteCount, kMinFrameByteCount);
            expectTextsOfAcceptedFrame(texts);
            if (::testing::Test::HasFailure()) {
                FAIL() << "event " << events;
            }
        }
        if (after.framesRejected != before.framesRejected &&
            after.framesAccepted == before.framesAccepted) {
            ASSERT_FALSE(decoder.frameValid());
        }
    }
    // Errors were only reported as range-error and frame-length lines.
    for (const auto& m : window.messages) {
        ASSERT_TRUE(m.find("range error") != std::string::npos || m == kFrameLengthError) << m;
    }
    EXPECT_GT(decoder.counters().framesAccepted, validFramesSent / 10);
    EXPECT_GT(decoder.counters().framesRejected, 0u);
    EXPECT_GT(decoder.counters().bytesDiscarded, 0u);
}

} // namespace
} // namespace kesto::test
