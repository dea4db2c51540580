#pragma once

#include "Interfaces.h"
#include "LiveValues.h"

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

// Unpacks the words from the hex text that follows the opening delimiter (`rest`), with the
// byte count of the frame text that ends with the closing delimiter.
FrameWords unpackFrame(std::string_view rest, std::uint16_t byteCount);

// Texts written for an accepted frame.
void writeReceivedTexts(const FrameWords& words, ReceivedTexts& texts);

// The shortest frame accepted: thirteen words and the closing delimiter.
inline constexpr std::uint16_t kMinFrameByteCount = 28;
inline constexpr std::string_view kFrameLengthError = "Frame length error";

// The ruler shown above the frame line in the frame monitor.
inline constexpr std::string_view kFrameRuler =
    "         1 2 3 4 5 6 7 8 9 10111213141516171819202122232425262728293031323334";

// Cuts analyzer frames out of the received bytes and writes the received texts.
//
// The received bytes are kept as upper-case hex text and searched for "FFFF" at any character
// position, so odd-aligned delimiters cut frames too. After a frame of full length is taken out,
// everything else in the buffer is dropped, and bytes arriving within 100 ms after that are
// discarded as well (the receive buffer is flushed then).
//
// A frame shorter than thirteen words is never accepted. It is what the decoder sees when it is
// out of step with the line: a payload word 0xFFFF (a reading of -1) cut the frame, or the port
// was opened in the middle of a frame, so a closing delimiter was taken for an opening one. Its
// closing delimiter is therefore kept as the opening delimiter of the next frame, and the next
// frame is looked for at once; no quiet time and no flush follow it.
class FrameDecoder {
public:
    // Hex characters the buffer may hold while no frame completes (wrong baud rate, noise).
    static constexpr std::size_t kMaxBufferChars = 1024;
    // On overflow a pending frame start is kept if it is this close to the end.
    static constexpr std::size_t kKeepPendingChars = 160;
    static constexpr std::uint32_t kQuietAfterFrameMs = 100;

    FrameDecoder(ReceivedTexts& texts, const Clock& clock, MessageWindow* messages = nullptr,
                 FrameLog* log = nullptr, SerialLink* link = nullptr);

    // The data-available event: the bytes read from the port.
    void onBytes(std::span<const std::uint8_t> bytes);

    // Opening the port: words zeroed, texts "-", frame invalid. The buffer stays.
    void resetForOpen();

    std::uint32_t lastFrameTick() const { return lastFrameTick_; }
    const FrameWords& lastFrame() const { return words_; }
    bool frameValid() const { return frameValid_; }
    const std::string& buffer() const { return rxHexBuffer_; }
    const DecoderCounters& counters() const { return counters_; }

    void setMessageWindow(MessageWindow* messages) { messages_ = messages; }
    void setFrameLog(FrameLog* log) { log_ = log; }
    void setSerialLink(SerialLink* link) { link_ = link; }

private:
    enum class Taken { Nothing, ShortFrame, FullFrame };
    Taken takeFrame();
    void boundBuffer();
    void logFrameLine(const std::string& line);

    ReceivedTexts& texts_;
    const Clock& clock_;
    MessageWindow* messages_;
    FrameLog* log_;
    SerialLink* link_;

    std::string rxHexBuffer_;
    FrameWords words_;
    bool frameValid_ = false;
    std::uint32_t lastFrameTick_ = 0;
    bool quietActive_ = false;
    std::uint32_t quietStart_ = 0;
    bool logFailureReported_ = false;
    DecoderCounters counters_;
};

} // namespace kesto
