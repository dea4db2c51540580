#include "FrameDecoder.h"

#include "DateTimeFormat.h"
#include "NumberFormat.h"

#include <string_view>
#include <vector>

namespace kesto {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return 0;
}

std::int16_t offsetBinary(std::int16_t raw) {
    const auto shifted = static_cast<std::int16_t>(static_cast<std::uint16_t>(raw) - 32768u);
    return shifted == -32768 ? std::int16_t{0} : shifted;
}

} // namespace

FrameWords unpackFrame(std::string_view rest, std::uint16_t byteCount) {
    // The rest padded with "0"s: bytes beyond its end read as 0.
    std::array<std::uint8_t, 34> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::size_t hi = 2 * i;
        const int h = hi < rest.size() ? hexValue(rest[hi]) : 0;
        const int l = hi + 1 < rest.size() ? hexValue(rest[hi + 1]) : 0;
        bytes[i] = static_cast<std::uint8_t>(h * 16 + l);
    }
    FrameWords f;
    f.byteCount = byteCount;
    auto wordAt = [&](std::size_t k) {
        return static_cast<std::int16_t>((bytes[2 * k] << 8) | bytes[2 * k + 1]);
    };
    for (std::size_t k = 0; k <= 12; ++k) {
        f.word[k] = wordAt(k);
    }
    f.word[12] = offsetBinary(f.word[12]);
    f.word[13] = byteCount > 28 ? wordAt(13) : std::int16_t{0};
    f.word[14] = byteCount > 30 ? wordAt(14) : std::int16_t{0};
    f.word[15] = byteCount > 32 ? wordAt(15) : std::int16_t{0};
    for (std::size_t k : {9u, 8u, 10u, 11u}) {
        if (f.word[k] < 0) {
            f.word[k] = 0;
        }
    }
    return f;
}

std::vector<std::string> rangeErrors(const FrameWords& f) {
    std::vector<std::string> errors;
    const auto& w = f.word;
    if (w[0] < 0 || w[0] > 211) {
        errors.emplace_back(" O2 range error");
    }
    if (w[2] < 0 || w[2] > 3000) {
        errors.emplace_back(" TGas range error");
    }
    if (w[3] < 0 || w[3] > 30000) {
        errors.emplace_back("Lambda range error");
    }
    if (w[4] < 0 || w[4] > 1200) {
        errors.emplace_back("Eta range error");
    }
    if (w[5] < 0 || w[5] > 300) {
        errors.emplace_back("CO2 range error");
    }
    if (w[0] == 0 && w[5] == 0) {
        errors.emplace_back("O2/CO=0 range error");
    }
    return errors;
}

void writeReceivedTexts(const FrameWords& f, ReceivedTexts& texts) {
    for (std::size_t k : {0u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 14u, 15u}) {
        texts[k] = std::to_string(f.word[k]);
    }
    texts[1] = std::to_string(static_cast<int>(f.word[1]) * 10);
    texts[12] = formatShortest5(f.word[12] / 10.0);
    texts[13] = formatShortest5(f.word[13] / 10.0);
}

FrameDecoder::FrameDecoder(ReceivedTexts& texts, const Clock& clock, MessageWindow* messages,
                           FrameLog* log, SerialLink* link)
    : texts_(texts), clock_(clock), messages_(messages), log_(log), link_(link) {
    rxHexBuffer_.reserve(kMaxBufferChars + 256);
}

void FrameDecoder::resetForOpen() {
    words_ = FrameWords{};
    setAllTexts(texts_, "-");
    frameValid_ = false;
}

void FrameDecoder::onBytes(std::span<const std::uint8_t> bytes) {
    counters_.bytesReceived += bytes.size();
    if (quietActive_) {
        // Bytes within 100 ms after a frame were flushed by the receive-buffer flush.
        if (clock_.tickMs() - quietStart_ < kQuietAfterFrameMs) {
            counters_.bytesDiscarded += bytes.size();
            return;
        }
        quietActive_ = false;
    }
    const std::size_t oldSize = rxHexBuffer_.size();
    rxHexBuffer_.resize(oldSize + 2 * bytes.size());
    char* out = rxHexBuffer_.data() + oldSize;
    for (const std::uint8_t b : bytes) {
        *out++ = kHex[b >> 4];
        *out++ = kHex[b & 0x0F];
    }
    // Short frames leave their closing delimiter in the buffer: look again until a frame of
    // full length has been handled or no complete frame is left. Each round consumes at least
    // an opening delimiter, so this ends.
    for (;;) {
        const Taken taken = takeFrame();
        if (taken == Taken::Nothing) {
            boundBuffer();
            return;
        }
        if (taken == Taken::FullFrame) {
            return;
        }
    }
}

FrameDecoder::Taken FrameDecoder::takeFrame() {
    const auto first = rxHexBuffer_.find("FFFF");
    if (first == std::string::npos) {
        return Taken::Nothing;
    }
    const std::string_view rest = std::string_view(rxHexBuffer_).substr(first + 4);
    const auto second = rest.find("FFFF");
    if (second == std::string_view::npos) {
        return Taken::Nothing;
    }
    const std::string_view frameText = rest.substr(0, second + 4);
    const auto byteCount = static_cast<std::uint16_t>(frameText.size() / 2);
    const bool fullLength = byteCount >= kMinFrameByteCount;
    ++counters_.framesFound;

    if (messages_ != nullptr && messages_->isVisible()) {
        std::string line = timeText(clock_.localNow());
        line.push_back(' ');
        line.append(frameText);
        if (messages_->writeToLogfile()) {
            logFrameLine(line);
        }
        messages_->showFrame(kFrameRuler, line, static_cast<int>(frameText.size()));
    }

    words_ = unpackFrame(rest, byteCount);

    const std::uint32_t now = clock_.tickMs();
    if (fullLength) {
        // The buffer is emptied: whatever followed the closing delimiter goes with it.
        const std::size_t used = first + 4 + frameText.size();
        counters_.bytesDiscarded += (rxHexBuffer_.size() - used) / 2;
        rxHexBuffer_.clear();
        quietActive_ = true;
        quietStart_ = now;
    } else {
        // The closing delimiter stays and opens the next frame.
        rxHexBuffer_.erase(0, first + frameText.size());
    }

    auto errors = rangeErrors(words_);
    if (errors.empty() && !fullLength) {
        errors.emplace_back(kFrameLengthError);
    }
    frameValid_ = errors.empty();
    if (messages_ != nullptr) {
        for (const auto& e : errors) {
            if (messages_->isVisible()) {
                messages_->addMessage(e);
            }
        }
    }
    if (frameValid_) {
        ++counters_.framesAccepted;
        lastFrameTick_ = now;
        writeReceivedTexts(words_, texts_);
    } else {
        ++counters_.framesRejected;
    }
    if (!fullLength) {
        return Taken::ShortFrame;
    }
    if (link_ != nullptr) {
        link_->flushInput();
    }
    return Taken::FullFrame;
}

void FrameDecoder::boundBuffer() {
    if (rxHexBuffer_.size() <= kMaxBufferChars) {
        return;
    }
    // Keep a frame that has started near the end; drop everything before it. Otherwise keep
    // only the last three characters, which may be the start of a delimiter.
    std::size_t keepFrom = rxHexBuffer_.size() - 3;
    const auto lastDelimiter = rxHexBuffer_.rfind("FFFF");
    if (lastDelimiter != std::string::npos &&
        rxHexBuffer_.size() - lastDelimiter <= kKeepPendingChars) {
        keepFrom = lastDelimiter;
    }
    counters_.bytesDiscarded += keepFrom / 2;
    rxHexBuffer_.erase(0, keepFrom);
}

void FrameDecoder::logFrameLine(const std::string& line) {
    if (log_ == nullptr) {
        return;
    }
    if (auto error = log_->append(line)) {
        // Say it once; keep handling frames.
        if (!logFailureReported_ && messages_ != nullptr) {
            logFailureReported_ = true;
            messages_->addMessage("Log file not written: " + *error);
        }
    } else {
        logFailureReported_ = false;
    }
}

} // namespace kesto
