#pragma once

#include "acquisition/Interfaces.h"
#include "acquisition/LiveValues.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kesto {

struct DecoderCounters {
    std::uint64_t bytesReceived = 0;
    std::uint64_t framesFound = 0;
    std::uint64_t framesAccepted = 0;
    std::uint64_t framesRejected = 0;
    std::uint64_t bytesDiscarded = 0;
};

// The words of one frame as the decoder reads them (pure function, no state).
struct FrameWords {
    std::array<std::int16_t, kFrameWordCount> word{};
    std::uint16_t byteCount = 0; // payload bytes + closing delimiter
};

// Range-check messages, in check order; empty when the frame passes.
std::vector<std::string> rangeErrors(const FrameWords& words);
// The same test without the messages, for the framing's tie-break.
bool passesRangeChecks(const FrameWords& words);

// The words of a frame from its payload (the bytes between the delimiters, 2 per word, most
// significant first). Words the payload does not hold are 0; draught is converted from offset
// binary and the four gas channels are clamped at 0.
FrameWords unpackFrame(std::span<const std::uint8_t> payload);

// Texts written for an accepted frame.
void writeReceivedTexts(const FrameWords& words, ReceivedTexts& texts);

// The shortest frame accepted: thirteen words and the closing delimiter.
inline constexpr std::uint16_t kMinFrameByteCount = 28;
inline constexpr std::size_t kMinFrameWords = 13;
inline constexpr std::size_t kMaxFrameWords = 16;
inline constexpr std::string_view kFrameLengthError = "Frame length error";

// The ruler shown above the frame line in the frame monitor.
inline constexpr std::string_view kFrameRuler =
    "         1 2 3 4 5 6 7 8 9 10111213141516171819202122232425262728293031323334";

// Cuts analyzer frames out of the received bytes and writes the received texts.
//
// On the wire a frame is FF FF, 13 to 16 words, FF FF, sent as one burst; the analyzer then
// leaves the line idle until the next frame. Any word may hold FF FF (a reading of -1), so the
// delimiters alone do not tell where a frame ends: the line's timing does. The serial layer
// reports each chunk with its tick and says when the line has been quiet for `kLineQuietMs`;
// a burst (the bytes between two quiet times) must then be exactly one frame, or several
// frames back to back, to be read. Its words are taken as sent; a burst that cannot be read
// as whole frames in exactly one way is rejected with "Frame length error".
//
// A stream that never goes quiet (frames back to back) is read as it comes: a frame is taken
// once every way of reading the bytes that follow agrees on it, and rejected when they never
// do. Where two readings remain, the one whose frames pass the range checks wins.
//
// After the port is opened the line is out of step until it has been quiet once: a burst that
// began before that is the tail of a frame and is dropped unread. Bytes that arrive within
// `kQuietAfterFrameMs` of the end of a frame read at a quiet time are discarded (the analyzer
// sends nothing then); a burst they began is dropped as well.
class FrameDecoder {
public:
    // Six byte times at 1200 baud, with room for a USB adapter's 16 ms latency.
    static constexpr std::uint32_t kLineQuietMs = 50;
    static constexpr std::uint32_t kQuietAfterFrameMs = 100;
    // A stream without quiet times is read once this many bytes wait: enough to see every
    // reading of a frame confirmed or refuted by the frame after it.
    static constexpr std::size_t kStreamDecideBytes = 80;
    // Bytes the decoder holds while no frame can be read (wrong baud rate, noise).
    static constexpr std::size_t kMaxBurstBytes = 512;

    FrameDecoder(ReceivedTexts& texts, const Clock& clock, MessageWindow* messages = nullptr,
                 FrameLog* log = nullptr);

    // The data-available event: the bytes read from the port, and the tick they were read at.
    void onBytes(std::span<const std::uint8_t> bytes, std::uint32_t tick);
    // The line has been quiet since the last bytes (the serial layer's timer, `tick` now).
    // Ignored unless at least `kLineQuietMs` have passed since the last bytes.
    void onLineQuiet(std::uint32_t tick);

    // Opening the port at `tick`: words zeroed, texts "-", frame invalid, and the line out of
    // step until it has been quiet once.
    void resetForOpen(std::uint32_t tick);

    std::uint32_t lastFrameTick() const { return lastFrameTick_; }
    const FrameWords& lastFrame() const { return words_; }
    bool frameValid() const { return frameValid_; }
    // Bytes received and not yet read as frames.
    const std::vector<std::uint8_t>& pending() const { return burst_; }
    const DecoderCounters& counters() const { return counters_; }

    void setFrameLog(FrameLog* log) { log_ = log; }

private:
    void readBurst(bool ended, std::uint32_t tick);
    void takeFrame(std::size_t start, std::size_t words, std::uint32_t tick);
    void rejectPiece(std::size_t start, std::size_t end);
    void discardFront(std::size_t count);
    void showFrameText(std::span<const std::uint8_t> text);
    void report(const std::vector<std::string>& errors);
    void logFrameLine(const std::string& line);

    ReceivedTexts& texts_;
    const Clock& clock_;
    MessageWindow* messages_;
    FrameLog* log_;

    std::vector<std::uint8_t> burst_;
    std::uint32_t lastByteTick_ = 0;
    bool inStep_ = false;
    bool quietAfterFrame_ = false;
    std::uint32_t frameEndTick_ = 0;
    FrameWords words_;
    bool frameValid_ = false;
    std::uint32_t lastFrameTick_ = 0;
    bool logFailureReported_ = false;
    DecoderCounters counters_;
};

// How a run of bytes reads as frames (pure, for the decoder and its tests).
struct FrameSearch {
    enum class Result {
        Frame,    // the first frame is `start`, `words` long, and no other reading exists
        NeedMore, // a later byte can still decide it
        NoFrame,  // no reading as whole frames: drop up to `dropTo`
    };
    Result result = Result::NeedMore;
    std::size_t start = 0;
    std::size_t words = 0;
    std::size_t dropTo = 0;
    bool hasDelimiter = false; // the bytes hold FF FF
};

// `ended`: the line went quiet after the last byte, so the frames must end exactly there.
FrameSearch findFirstFrame(std::span<const std::uint8_t> bytes, bool ended);

// A frame as the analyzer sends it: FF FF, the words most significant byte first, FF FF (the
// simulator, the tests and the benchmarks build their frames with it).
std::vector<std::uint8_t> encodeFrame(std::span<const std::uint16_t> words);

} // namespace kesto
