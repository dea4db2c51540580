#include "acquisition/FrameDecoder.h"

#include "acquisition/DateTimeFormat.h"
#include "acquisition/NumberFormat.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace kesto {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";
constexpr std::uint8_t kDelimiterByte = 0xFF;

std::int16_t offsetBinary(std::int16_t raw) {
    const auto shifted = static_cast<std::int16_t>(static_cast<std::uint16_t>(raw) - 32768u);
    return shifted == -32768 ? std::int16_t{0} : shifted;
}

constexpr std::size_t frameSize(std::size_t words) {
    return 2 * words + 4;
}

// The bytes of a run of bytes as the frame search sees them.
class Line {
public:
    Line(std::span<const std::uint8_t> bytes, bool ended) : b_(bytes), ended_(ended) {}

    std::size_t size() const { return b_.size(); }
    bool delimiterAt(std::size_t p) const {
        return p + 1 < b_.size() && b_[p] == kDelimiterByte && b_[p + 1] == kDelimiterByte;
    }
    // A whole frame of `words` words starts at `p`.
    bool frameAt(std::size_t p, std::size_t words) const {
        const std::size_t end = p + frameSize(words);
        return end <= b_.size() && delimiterAt(p) && delimiterAt(end - 2);
    }
    // A frame of `words` words starting at `p` has not arrived yet but still may.
    bool frameMayComeAt(std::size_t p, std::size_t words) const {
        if (ended_ || p + frameSize(words) <= b_.size()) {
            return false;
        }
        for (std::size_t i = p; i < std::min(p + 2, b_.size()); ++i) {
            if (b_[i] != kDelimiterByte) {
                return false;
            }
        }
        const std::size_t closing = p + 2 + 2 * words;
        return closing >= b_.size() || b_[closing] == kDelimiterByte;
    }
    // Where a reading of the bytes may stop: at the end, or where a frame may still come.
    bool mayStopAt(std::size_t p) const {
        if (p == b_.size()) {
            return true;
        }
        for (std::size_t n = kMinFrameWords; n <= kMaxFrameWords; ++n) {
            if (frameMayComeAt(p, n)) {
                return true;
            }
        }
        return false;
    }
    bool framePasses(std::size_t p, std::size_t words) const {
        return passesRangeChecks(unpackFrame(b_.subspan(p + 2, 2 * words)));
    }

private:
    std::span<const std::uint8_t> b_;
    bool ended_;
};

// For every position from `base` to the end: can the bytes from there be read as whole frames
// back to back up to a place where the reading may stop? With `checked`, only frames that pass
// the range checks count.
class Readings {
public:
    Readings(const Line& line, std::size_t base, bool checked) : base_(base) {
        // The flags live in the object itself for the usual short runs: no allocation per frame.
        const std::size_t n = line.size() >= base ? line.size() - base + 1 : 0;
        if (n > local_.size()) {
            heap_.assign(n, 0);
            ok_ = heap_.data();
        } else {
            ok_ = local_.data();
        }
        for (std::size_t i = n; i-- > 0;) {
            const std::size_t p = base + i;
            bool ok = line.mayStopAt(p);
            for (std::size_t w = kMinFrameWords; !ok && w <= kMaxFrameWords; ++w) {
                ok = line.frameAt(p, w) && ok_[i + frameSize(w)] != 0 &&
                     (!checked || line.framePasses(p, w));
            }
            ok_[i] = ok ? 1 : 0;
        }
    }
    Readings(const Readings&) = delete;
    Readings& operator=(const Readings&) = delete;
    bool from(std::size_t p) const { return ok_[p - base_] != 0; }
    // A whole frame that passes the range checks starts at `p`, and a reading goes on after
    // it: what a frame read before the line goes quiet must be followed by. (A frame that
    // fails them may be a misreading: a delimiter taken for its O2 word, noise taken for it.)
    bool confirmedFrom(const Line& line, std::size_t p) const {
        for (std::size_t w = kMinFrameWords; w <= kMaxFrameWords; ++w) {
            if (line.frameAt(p, w) && from(p + frameSize(w)) && line.framePasses(p, w)) {
                return true;
            }
        }
        return false;
    }

private:
    std::size_t base_;
    std::array<std::uint8_t, 256> local_{};
    std::vector<std::uint8_t> heap_;
    std::uint8_t* ok_ = nullptr;
};

} // namespace

FrameWords unpackFrame(std::span<const std::uint8_t> payload) {
    FrameWords f;
    const std::size_t words = std::min(payload.size() / 2, kFrameWordCount);
    f.byteCount = static_cast<std::uint16_t>(payload.size() + 2);
    for (std::size_t k = 0; k < words; ++k) {
        f.word[k] = static_cast<std::int16_t>((payload[2 * k] << 8) | payload[2 * k + 1]);
    }
    f.word[12] = offsetBinary(f.word[12]);
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

bool passesRangeChecks(const FrameWords& f) {
    const auto& w = f.word;
    return w[0] >= 0 && w[0] <= 211 && w[2] >= 0 && w[2] <= 3000 && w[3] >= 0 && w[3] <= 30000 &&
           w[4] >= 0 && w[4] <= 1200 && w[5] >= 0 && w[5] <= 300 && !(w[0] == 0 && w[5] == 0);
}

void writeReceivedTexts(const FrameWords& f, ReceivedTexts& texts) {
    for (std::size_t k : {0u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 14u, 15u}) {
        texts[k] = std::to_string(f.word[k]);
    }
    texts[1] = std::to_string(static_cast<int>(f.word[1]) * 10);
    texts[12] = formatShortest5(f.word[12] / 10.0);
    texts[13] = formatShortest5(f.word[13] / 10.0);
}

FrameSearch findFirstFrame(std::span<const std::uint8_t> bytes, bool ended) {
    const Line line(bytes, ended);
    const std::size_t size = bytes.size();
    FrameSearch f;

    // Every frame opens with FF FF, so nothing before the first pair can be read.
    std::size_t run = 0;
    while (run < size && !line.delimiterAt(run)) {
        ++run;
    }
    if (run >= size) {
        // No delimiter; a last FF may be the first half of one.
        f.result = FrameSearch::Result::NoFrame;
        f.dropTo = !ended && size > 0 && bytes[size - 1] == kDelimiterByte ? size - 1 : size;
        return f;
    }
    f.hasDelimiter = true;
    std::size_t runEnd = run + 2;
    while (runEnd < size && bytes[runEnd] == kDelimiterByte) {
        ++runEnd;
    }
    // Given up when no reading is found: past the run, whose every start has been tried.
    f.dropTo = runEnd;
    if (!ended && runEnd == size) {
        f.result = FrameSearch::Result::NeedMore;
        f.dropTo = std::max(run + 1, size - 2);
        return f;
    }
    // A frame opens with the last two bytes of the run when its O2 word is in range; earlier
    // starts are tried so that a frame failing its range checks is still read as sent.
    const std::size_t firstStart = runEnd - run > 5 ? runEnd - 5 : run;
    const std::size_t lastStart = runEnd - 2;
    const std::size_t base = firstStart + frameSize(kMinFrameWords);

    struct Candidate {
        std::size_t start;
        std::size_t words;
    };
    std::array<Candidate, 16> found{};
    std::size_t count = 0;
    bool mayStillCome = false;
    {
        const Readings readings(line, base, false);
        for (std::size_t s = firstStart; s <= lastStart; ++s) {
            for (std::size_t n = kMinFrameWords; n <= kMaxFrameWords; ++n) {
                if (line.frameMayComeAt(s, n)) {
                    mayStillCome = true;
                    continue;
                }
                const std::size_t end = s + frameSize(n);
                if (!line.frameAt(s, n) || !readings.from(end)) {
                    continue;
                }
                // Before the line goes quiet a frame counts only when a good frame follows it;
                // until then it may still be a reading that the next bytes refute.
                if (ended || readings.confirmedFrom(line, end)) {
                    found[count++] = {s, n};
                } else if (line.mayStopAt(end)) {
                    mayStillCome = true; // the frame after it has not come yet
                }
            }
        }
    }
    if (mayStillCome) {
        f.result = FrameSearch::Result::NeedMore;
        return f;
    }
    if (count == 0) {
        f.result = FrameSearch::Result::NoFrame;
        if (ended) {
            f.dropTo = size; // what follows cannot be told from a payload
        }
        return f;
    }
    if (count > 1) {
        // Several readings: the only one whose frames pass the range checks, if there is one.
        const Readings checked(line, base, true);
        std::size_t passing = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const Candidate c = found[i];
            const std::size_t end = c.start + frameSize(c.words);
            if (line.framePasses(c.start, c.words) &&
                (ended ? checked.from(end) : checked.confirmedFrom(line, end))) {
                found[passing++] = c;
            }
        }
        if (passing != 1) {
            f.result = ended ? FrameSearch::Result::NoFrame : FrameSearch::Result::NeedMore;
            if (ended) {
                f.dropTo = size;
            }
            return f;
        }
    }
    f.result = FrameSearch::Result::Frame;
    f.start = found[0].start;
    f.words = found[0].words;
    return f;
}

FrameDecoder::FrameDecoder(ReceivedTexts& texts, const Clock& clock, MessageWindow* messages,
                           FrameLog* log)
    : texts_(texts), clock_(clock), messages_(messages), log_(log),
      lastByteTick_(clock.tickMs()) {
    burst_.reserve(kMaxBurstBytes + 64);
}

void FrameDecoder::resetForOpen(std::uint32_t tick) {
    counters_.bytesDiscarded += burst_.size();
    burst_.clear();
    words_ = FrameWords{};
    setAllTexts(texts_, "-");
    frameValid_ = false;
    inStep_ = false;
    quietAfterFrame_ = false;
    lastByteTick_ = tick;
}

void FrameDecoder::onBytes(std::span<const std::uint8_t> bytes, std::uint32_t tick) {
    counters_.bytesReceived += bytes.size();
    if (bytes.empty()) {
        return;
    }
    if (quietAfterFrame_) {
        // Unsigned differences: right across the tick counter's wrap.
        if (tick - frameEndTick_ < kQuietAfterFrameMs) {
            // Whatever these bytes begin is cut: the rest is dropped at the next quiet time.
            counters_.bytesDiscarded += bytes.size();
            lastByteTick_ = tick;
            inStep_ = false;
            return;
        }
        quietAfterFrame_ = false;
    }
    burst_.insert(burst_.end(), bytes.begin(), bytes.end());
    lastByteTick_ = tick;
    if (burst_.size() >= kStreamDecideBytes) {
        readBurst(false, tick);
    }
}

void FrameDecoder::onLineQuiet(std::uint32_t tick) {
    if (tick - lastByteTick_ < kLineQuietMs) {
        return;
    }
    if (!burst_.empty()) {
        readBurst(true, tick);
    }
    inStep_ = true;
}

void FrameDecoder::readBurst(bool ended, std::uint32_t tick) {
    if (ended && !inStep_) {
        // It began before the line was in step: the tail of a frame.
        discardFront(burst_.size());
        return;
    }
    bool found = false;
    while (!burst_.empty() && (ended || burst_.size() >= kStreamDecideBytes)) {
        const FrameSearch f = findFirstFrame(burst_, ended);
        if (f.result == FrameSearch::Result::Frame) {
            discardFront(f.start);
            takeFrame(0, f.words, tick);
            burst_.erase(burst_.begin(), burst_.begin() + static_cast<std::ptrdiff_t>(
                                                             frameSize(f.words)));
            inStep_ = true;
            found = true;
            continue;
        }
        if (f.result == FrameSearch::Result::NeedMore && burst_.size() < kMaxBurstBytes) {
            return;
        }
        // No reading as whole frames, or none decided within the bound.
        if (f.hasDelimiter) {
            rejectPiece(0, f.dropTo);
            found = true;
        } else {
            discardFront(f.dropTo);
        }
        if (f.dropTo == 0) {
            break;
        }
    }
    if (ended && found) {
        quietAfterFrame_ = true;
        frameEndTick_ = lastByteTick_;
    }
}

void FrameDecoder::discardFront(std::size_t count) {
    count = std::min(count, burst_.size());
    counters_.bytesDiscarded += count;
    burst_.erase(burst_.begin(), burst_.begin() + static_cast<std::ptrdiff_t>(count));
}

void FrameDecoder::takeFrame(std::size_t start, std::size_t words, std::uint32_t tick) {
    ++counters_.framesFound;
    const auto frame = std::span<const std::uint8_t>(burst_).subspan(start, frameSize(words));
    showFrameText(frame.subspan(2));
    words_ = unpackFrame(frame.subspan(2, 2 * words));
    const auto errors = rangeErrors(words_);
    frameValid_ = errors.empty();
    report(errors);
    if (frameValid_) {
        ++counters_.framesAccepted;
        lastFrameTick_ = tick;
        writeReceivedTexts(words_, texts_);
    } else {
        ++counters_.framesRejected;
    }
}

void FrameDecoder::rejectPiece(std::size_t start, std::size_t end) {
    end = std::min(end, burst_.size());
    // Bytes before the piece's delimiter are noise.
    std::size_t opening = start;
    while (opening + 1 < end && !(burst_[opening] == kDelimiterByte &&
                                  burst_[opening + 1] == kDelimiterByte)) {
        ++opening;
    }
    counters_.bytesDiscarded += opening - start;
    ++counters_.framesFound;
    ++counters_.framesRejected;
    const auto text = std::span<const std::uint8_t>(burst_).subspan(
        std::min(opening + 2, end), end - std::min(opening + 2, end));
    showFrameText(text);
    words_ = unpackFrame(text.first(std::min<std::size_t>(text.size(), 2 * kFrameWordCount)));
    words_.byteCount = static_cast<std::uint16_t>(std::min<std::size_t>(text.size(), 0xFFFF));
    frameValid_ = false;
    report({std::string(kFrameLengthError)});
    burst_.erase(burst_.begin() + static_cast<std::ptrdiff_t>(start),
                 burst_.begin() + static_cast<std::ptrdiff_t>(end));
}

void FrameDecoder::showFrameText(std::span<const std::uint8_t> text) {
    if (messages_ == nullptr || !messages_->isVisible()) {
        return;
    }
    std::string line = timeText(clock_.localNow());
    line.push_back(' ');
    const std::size_t at = line.size();
    line.resize(at + 2 * text.size());
    char* out = line.data() + at;
    for (const std::uint8_t b : text) {
        *out++ = kHex[b >> 4];
        *out++ = kHex[b & 0x0F];
    }
    if (messages_->writeToLogfile()) {
        logFrameLine(line);
    }
    messages_->showFrame(kFrameRuler, line, static_cast<int>(2 * text.size()));
}

void FrameDecoder::report(const std::vector<std::string>& errors) {
    if (messages_ == nullptr || !messages_->isVisible()) {
        return;
    }
    for (const auto& e : errors) {
        messages_->addMessage(e);
    }
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

std::vector<std::uint8_t> encodeFrame(std::span<const std::uint16_t> words) {
    std::vector<std::uint8_t> frame;
    frame.reserve(2 * words.size() + 4);
    frame.push_back(0xFF);
    frame.push_back(0xFF);
    for (const std::uint16_t w : words) {
        frame.push_back(static_cast<std::uint8_t>(w >> 8));
        frame.push_back(static_cast<std::uint8_t>(w & 0xFF));
    }
    frame.push_back(0xFF);
    frame.push_back(0xFF);
    return frame;
}

} // namespace kesto
