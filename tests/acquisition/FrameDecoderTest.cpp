#include "AcquisitionFakes.h"
#include "acquisition/FrameDecoder.h"
#include "tests/ParamName.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace kesto::test {
namespace {

class FrameDecoderTest : public ::testing::Test {
protected:
    void feed(const std::vector<std::uint8_t>& bytes) { decoder.onBytes(bytes, clock.tick); }
    void quiet() {
        clock.advance(FrameDecoder::kLineQuietMs);
        decoder.onLineQuiet(clock.tick);
    }
    // Each frame as one burst, a second after the previous one.
    void feedFrame(const std::vector<std::uint16_t>& words) { feedBurst(frameBytes(words)); }
    void feedBurst(const std::vector<std::uint8_t>& bytes) {
        clock.advance(1000);
        sendBurst(decoder, bytes, clock.tick);
    }
    static std::vector<std::uint16_t> with(std::vector<std::uint16_t> words, std::size_t k,
                                           std::uint16_t value) {
        if (words.size() <= k) {
            words.resize(k + 1, 0);
        }
        words[k] = value;
        return words;
    }

    ReceivedTexts texts{};
    FakeClock clock;
    FakeMessageWindow window;
    FrameDecoder decoder{texts, clock, &window, nullptr};
};

TEST_F(FrameDecoderTest, decodesThirteenWordFrameOnceTheLineIsQuiet) {
    quiet();
    const std::vector<std::uint8_t> bytes = frameBytes(goodWords());
    ASSERT_EQ(bytes.size(), 30u);
    decoder.onBytes(std::span(bytes).first(28), clock.tick);
    clock.advance(16);
    decoder.onBytes(std::span(bytes).subspan(28), clock.tick);
    // A 14-word frame could still follow: nothing is read before the line is quiet.
    clock.advance(FrameDecoder::kLineQuietMs - 1);
    decoder.onLineQuiet(clock.tick);
    EXPECT_EQ(decoder.counters().framesFound, 0u);

    clock.tick = 777777;
    decoder.onLineQuiet(clock.tick);
    EXPECT_EQ(decoder.lastFrame().byteCount, 28);
    EXPECT_TRUE(decoder.frameValid());
    EXPECT_TRUE(window.messages.empty());
    const ReceivedTexts expected{"105", "500", "180", "150", "880", "100", "0", "210",
                                 "40",  "0",   "5",   "0",   "25",  "0",   "0", "0"};
    EXPECT_EQ(texts, expected);
    EXPECT_EQ(decoder.lastFrameTick(), 777777u);
    EXPECT_TRUE(decoder.pending().empty());
}

struct LengthCase {
    std::size_t words;
    std::uint16_t byteCount;
    const char* flow;
    const char* h2;
    const char* s6;
};

void PrintTo(const LengthCase& c, std::ostream* os) {
    *os << c.words << " words";
}

class FrameLengthTest : public FrameDecoderTest,
                        public ::testing::WithParamInterface<LengthCase> {};

// Words 13 to 15 are read only when the frame is long enough to hold them; otherwise they
// would be read from the closing delimiter.
TEST_P(FrameLengthTest, readsOptionalWordsOnlyWhenFrameHoldsThem) {
    const LengthCase& c = GetParam();
    std::vector<std::uint16_t> words = goodWords();
    words.insert(words.end(), {123, 77, static_cast<std::uint16_t>(-300)});
    words.resize(c.words);
    feedFrame(words);
    ASSERT_TRUE(decoder.frameValid());
    EXPECT_EQ(decoder.lastFrame().byteCount, c.byteCount);
    EXPECT_EQ(texts[13], c.flow);
    EXPECT_EQ(texts[14], c.h2);
    EXPECT_EQ(texts[15], c.s6);
}

INSTANTIATE_TEST_SUITE_P(Lengths, FrameLengthTest,
                         ::testing::Values(LengthCase{13, 28, "0", "0", "0"},
                                           LengthCase{14, 30, "12.3", "0", "0"},
                                           LengthCase{15, 32, "12.3", "77", "0"},
                                           LengthCase{16, 34, "12.3", "77", "-300"}),
                         ParamName{});

struct WordTextCase {
    std::size_t word;
    std::uint16_t raw;
    std::size_t slot;
    const char* text;
};

void PrintTo(const WordTextCase& c, std::ostream* os) {
    *os << "word " << c.word << " 0x" << std::hex << std::uppercase << c.raw << std::dec
        << " gives \"" << c.text << '"';
}

class WordTextTest : public FrameDecoderTest, public ::testing::WithParamInterface<WordTextCase> {};

TEST_P(WordTextTest, writesWordAsReceivedText) {
    const WordTextCase& c = GetParam();
    feedFrame(with(goodWords(), c.word, c.raw));
    ASSERT_TRUE(decoder.frameValid());
    EXPECT_EQ(texts[c.slot], c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Words, WordTextTest,
    ::testing::Values(
        // Draught is offset binary in hundredths of a hPa; the text carries tenths.
        WordTextCase{12, 0x0000, 12, "0"}, WordTextCase{12, 0x8000, 12, "0"},
        WordTextCase{12, 0x80FA, 12, "25"}, WordTextCase{12, 0x7F06, 12, "-25"},
        WordTextCase{12, 0x8005, 12, "0.5"}, WordTextCase{12, 0x0001, 12, "-3276.7"},
        WordTextCase{12, 0xFFFE, 12, "3276.6"}, WordTextCase{12, 0x7FFF, 12, "-0.1"},
        WordTextCase{12, 0x800F, 12, "1.5"},
        // CO arrives in ppm, its text carries tenths.
        WordTextCase{1, 57, 1, "570"}, WordTextCase{1, 0xFFFB, 1, "-50"},
        WordTextCase{1, 0x8000, 1, "-327680"}, WordTextCase{1, 0xFFFF, 1, "-10"},
        // The four gas channels never go below 0.
        WordTextCase{8, 0xFFFE, 8, "0"}, WordTextCase{9, 0x8000, 9, "0"},
        WordTextCase{10, 0xFFF0, 10, "0"}, WordTextCase{11, 0xFFFE, 11, "0"},
        WordTextCase{11, 0x7FFF, 11, "32767"},
        // Unchecked signed words.
        WordTextCase{6, 0x8000, 6, "-32768"}, WordTextCase{7, 0xFF38, 7, "-200"},
        // Readings near zero, FF FF among them (any word: the property tests).
        WordTextCase{7, 0xFFFF, 7, "-1"}, WordTextCase{13, 0xFFFF, 13, "-0.1"}),
    ParamName{});

struct RangeCase {
    std::vector<std::pair<std::size_t, std::uint16_t>> words;
    std::vector<std::string> messages; // empty: accepted
};

void PrintTo(const RangeCase& c, std::ostream* os) {
    for (const auto& [k, v] : c.words) {
        *os << "word" << k << "=" << v << " ";
    }
    *os << (c.messages.empty() ? "accepted" : "rejected");
}

class RangeCheckTest : public FrameDecoderTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(RangeCheckTest, acceptsOrRejectsWithExactMessages) {
    const RangeCase& c = GetParam();
    feedFrame(goodWords());
    const ReceivedTexts before = texts;
    const std::uint32_t tickBefore = decoder.lastFrameTick();

    std::vector<std::uint16_t> words = goodWords();
    for (const auto& [k, v] : c.words) {
        words[k] = v;
    }
    feedFrame(words);
    EXPECT_EQ(window.messages, c.messages);
    EXPECT_EQ(decoder.frameValid(), c.messages.empty());
    if (c.messages.empty()) {
        EXPECT_EQ(decoder.lastFrameTick(), clock.tick);
        EXPECT_EQ(decoder.counters().framesAccepted, 2u);
    } else {
        // A rejected frame leaves the texts and the time of the last good frame alone.
        EXPECT_EQ(texts, before);
        EXPECT_EQ(decoder.lastFrameTick(), tickBefore);
        EXPECT_EQ(decoder.counters().framesRejected, 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, RangeCheckTest,
    ::testing::Values(RangeCase{{{0, 212}}, {" O2 range error"}}, RangeCase{{{0, 211}}, {}},
                      RangeCase{{{0, 0x8000}}, {" O2 range error"}},
                      RangeCase{{{2, 3001}}, {" TGas range error"}}, RangeCase{{{2, 3000}}, {}},
                      RangeCase{{{2, 0xFFFE}}, {" TGas range error"}},
                      RangeCase{{{3, 30001}}, {"Lambda range error"}}, RangeCase{{{3, 30000}}, {}},
                      RangeCase{{{4, 1201}}, {"Eta range error"}}, RangeCase{{{4, 1200}}, {}},
                      RangeCase{{{5, 301}}, {"CO2 range error"}}, RangeCase{{{5, 300}}, {}},
                      RangeCase{{{0, 0}, {5, 0}}, {"O2/CO=0 range error"}},
                      RangeCase{{{0, 0}, {5, 10}}, {}}, RangeCase{{{0, 10}, {5, 0}}, {}},
                      // Every failing test reports, in a fixed order.
                      RangeCase{{{0, 300}, {2, 5000}, {3, 40000}, {4, 2000}, {5, 400}},
                                {" O2 range error", " TGas range error", "Lambda range error",
                                 "Eta range error", "CO2 range error"}}),
    ParamName{});

TEST_F(FrameDecoderTest, reportsRangeErrorsOnlyWhileWindowIsVisible) {
    window.visible = false;
    feedFrame(with(goodWords(), 0, 212));
    EXPECT_FALSE(decoder.frameValid());
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(window.framesShown, 0);

    window.visible = true;
    feedFrame(with(goodWords(), 0, 212));
    EXPECT_EQ(window.messages, std::vector<std::string>{" O2 range error"});
}

// A burst on an idle line that is not whole frames is rejected for its length, and changes
// nothing: not the texts, not the time of the last good frame.
TEST_F(FrameDecoderTest, burstThatIsNotWholeFramesIsRejectedForItsLength) {
    feedFrame(goodWords());
    const ReceivedTexts before = texts;
    const std::uint32_t tickBefore = decoder.lastFrameTick();
    auto sixWords = goodWords();
    sixWords.resize(6);
    auto lostByte = frameBytes(goodWords());
    lostByte.erase(lostByte.begin() + 9);
    auto extraByte = frameBytes(goodWords());
    extraByte.push_back(0x00);
    const std::vector<std::vector<std::uint8_t>> bursts{
        {0xFF, 0xFF, 0xFF, 0xFF}, frameBytes(sixWords), lostByte, extraByte,
        // Seventeen words: one more than a frame holds.
        frameBytes(with(goodWords(), 16, 0x0001))};
    for (const auto& burst : bursts) {
        window.messages.clear();
        feedBurst(burst);
        EXPECT_EQ(window.messages, std::vector<std::string>{"Frame length error"})
            << hexText(burst);
        EXPECT_FALSE(decoder.frameValid());
        EXPECT_TRUE(decoder.pending().empty());
    }
    EXPECT_EQ(decoder.counters().framesRejected, bursts.size());
    EXPECT_EQ(texts, before);
    EXPECT_EQ(decoder.lastFrameTick(), tickBefore);
}

// Two frames in one burst (a reader that was held up): both are read, in order.
TEST_F(FrameDecoderTest, readsFramesBackToBackInOneBurst) {
    auto bytes = frameBytes(goodWords());
    const auto second = frameBytes(with(with(goodWords(), 0, 150), 15, 0xFFFF));
    bytes.insert(bytes.end(), second.begin(), second.end());
    feedBurst(bytes);
    EXPECT_EQ(decoder.counters().framesAccepted, 2u);
    EXPECT_EQ(texts[0], "150");
    EXPECT_EQ(texts[15], "-1");
    EXPECT_EQ(decoder.counters().bytesDiscarded, 0u);
}

TEST_F(FrameDecoderTest, discardsBytesWithinQuietTimeAfterFrame) {
    quiet();
    clock.tick = 5000;
    feed(frameBytes(goodWords()));
    clock.tick = 5050;
    decoder.onLineQuiet(clock.tick);
    ASSERT_EQ(decoder.counters().framesAccepted, 1u);

    // 99 ms after the end of the frame: dropped, and so is the rest of the burst it began.
    clock.tick = 5099;
    const auto next = frameBytes(with(goodWords(), 0, 150));
    decoder.onBytes(std::span(next).first(4), clock.tick);
    clock.tick = 5110;
    decoder.onBytes(std::span(next).subspan(4), clock.tick);
    clock.tick = 5160;
    decoder.onLineQuiet(clock.tick);
    EXPECT_EQ(decoder.counters().framesFound, 1u);
    EXPECT_EQ(decoder.counters().bytesDiscarded, next.size());

    clock.tick = 5300;
    feed(frameBytes(with(goodWords(), 0, 160)));
    quiet();
    EXPECT_EQ(decoder.counters().framesFound, 2u);
    EXPECT_EQ(texts[0], "160");
}

TEST_F(FrameDecoderTest, showsFrameInMonitorWhileWindowIsVisible) {
    feedFrame(goodWords());
    std::string ruler(9, ' ');
    for (int n = 1; n <= 34; ++n) {
        ruler += n < 10 ? std::to_string(n) + " " : std::to_string(n);
    }
    EXPECT_EQ(window.ruler, ruler);
    const std::string frameText = "0069003200B4009603700064000000D2002800000005000080FAFFFF";
    EXPECT_EQ(window.line, "12:34:56 " + frameText);
    EXPECT_EQ(window.hexDigits, 56);
    EXPECT_EQ(window.framesShown, 1);

    window.visible = false;
    feedFrame(goodWords());
    EXPECT_EQ(window.framesShown, 1);
}

class FrameLogTest : public FrameDecoderTest {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("kesto-log-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        window.logTicked = true;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::filesystem::path dir;
};

TEST_F(FrameLogTest, appendsEachFrameLineToLogFile) {
    const auto path = dir / "KESTO.LOG";
    {
        std::ofstream old(path, std::ios::binary);
        old << "earlier\r\n";
    }
    FileFrameLog log(path.string());
    decoder.setFrameLog(&log);
    feedFrame(goodWords());
    const std::string first = window.line;
    feedFrame(with(goodWords(), 0, 150));
    const std::string second = window.line;

    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str(), "earlier\r\n" + first + "\r\n" + second + "\r\n");

    window.logTicked = false;
    feedFrame(goodWords());
    std::ifstream again(path, std::ios::binary);
    std::stringstream after;
    after << again.rdbuf();
    EXPECT_EQ(after.str(), content.str());
}

TEST_F(FrameLogTest, unwritableLogIsReportedOnceAndFramesAreStillHandled) {
    FileFrameLog log((dir / "missing-folder" / "KESTO.LOG").string());
    decoder.setFrameLog(&log);
    for (int i = 0; i < 3; ++i) {
        feedFrame(with(goodWords(), 0, static_cast<std::uint16_t>(100 + i)));
        EXPECT_TRUE(decoder.frameValid());
        EXPECT_EQ(texts[0], std::to_string(100 + i));
    }
    EXPECT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.framesShown, 3);
    EXPECT_EQ(decoder.counters().framesAccepted, 3u);
}

// Noise without delimiters on a line that never goes quiet (wrong baud rate): the decoder
// holds a bounded number of bytes, and a frame after the noise is still read, also when the
// noise ends in the first byte of its delimiter.
TEST_F(FrameDecoderTest, noiseWithoutDelimiterKeepsBufferBounded) {
    quiet();
    std::vector<std::uint8_t> noise(4096);
    for (std::size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<std::uint8_t>((i * 37 + 11) % 255); // never 0xFF
    }
    std::uint64_t fed = 0;
    for (int i = 0; i < 512; ++i) { // 2 MiB
        feed(noise);
        fed += noise.size();
        ASSERT_LE(decoder.pending().size(), FrameDecoder::kMaxBurstBytes);
    }
    EXPECT_EQ(decoder.counters().bytesReceived, fed);
    EXPECT_GE(decoder.counters().bytesDiscarded, fed - FrameDecoder::kMaxBurstBytes);
    EXPECT_EQ(decoder.counters().framesFound, 0u);

    noise.back() = 0xFF;
    feed(noise);
    const auto frame = frameBytes(goodWords());
    decoder.onBytes(std::span(frame).subspan(1), clock.tick);
    quiet();
    EXPECT_EQ(decoder.counters().framesAccepted, 1u);
    EXPECT_EQ(texts[0], "105");
    EXPECT_EQ(texts[12], "25");
}

} // namespace
} // namespace kesto::test
