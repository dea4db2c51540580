#include "recording/CardConversion.h"

#include "acquisition/NumberFormat.h"
#include "recording/RecordingText.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace kesto {

namespace {

// Card fields of the values the conversion reads.
enum CardField : std::size_t {
    kDate = 0,
    kTime = 1,
    kO2 = 2,
    kCO = 3,
    kNO = 4,
    kNO2 = 5,
    kSO2 = 6,
    kTGas = 12,
    kTRoom = 13,
    kDraught = 14,
    kCO2 = 15,
    kEta = 16,
    kLambda = 18,
    kReferenceO2 = 27,
    kCxHy = 42,
    kFlow = 46,
    kH2 = 53,
    kS6 = 55,
};

// mg/m3 per ppm.
constexpr double kCOFactor = 1.25;
constexpr double kNOxFactor = 2.056;
constexpr double kSO2Factor = 2.92;
constexpr double kCxHyFactor = 2.01;

// Columns 22 to 41 of a data line are empty.
constexpr std::size_t kEmptyTrailingFields = 20;

// Converted bytes are written in pieces of about this size.
constexpr std::size_t kWriteChunk = 256 * 1024;

constexpr std::string_view kLineEnd = "\r\n";

} // namespace

CardFields cutCardFields(std::string_view line) {
    CardFields result;
    const char* data = line.data();
    std::size_t start = 0;
    const auto comma = [&](std::size_t at) {
        result.fields[result.count++] = std::string_view(data + start, at - start);
        start = at + 1;
    };
    // Fields are a few bytes long: the commas of eight bytes at a time, rather than a search
    // call per field.
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    constexpr std::uint64_t kCommas = 0x2C2C2C2C2C2C2C2Cull;
    std::size_t i = 0;
    for (; i + 8 <= line.size() && result.count < kCardFieldsKept; i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, data + i, 8);
        const std::uint64_t x = word ^ kCommas; // a comma is a zero byte now
        std::uint64_t found = ~(((x & kLow7) + kLow7) | x) & ~kLow7;
        while (found != 0 && result.count < kCardFieldsKept) {
            comma(i + static_cast<std::size_t>(std::countr_zero(found)) / 8);
            found &= found - 1;
        }
    }
    for (; i < line.size() && result.count < kCardFieldsKept; ++i) {
        if (data[i] == ',') {
            comma(i);
        }
    }
    // The text after the last comma is no field.
    return result;
}

std::string cardReferenceSuffix(const CardFields& firstDataLine) {
    const std::string_view reference = firstDataLine[kReferenceO2];
    if (TextToFloatOrZero(reference) == 0) {
        return {};
    }
    std::string suffix = "/";
    suffix.append(reference);
    suffix.append("%O2Ref");
    return suffix;
}

std::string cardHeaderLine(std::string_view r) {
    std::string header = "dd.MM.yyyy,hh:mm:ss,O2[%],CO2[%],TGas[\xB0"
                         "C],TRoom[\xB0"
                         "C],Eta[%],Lambda[],CO[ppm]";
    header.append(r);
    header.append(",CO[mg/m3]");
    header.append(r);
    header.append(",NO[ppm],NO2[ppm],NOx[mg/m3]");
    header.append(r);
    header.append(",SO2[ppm],SO2[mg/m3]");
    header.append(r);
    header.append(",CxHy[ppm],CxHy[mg/m3]");
    header.append(r);
    header.append(",Draught[hPa],Flow[m/s],H2[ppm],S6[ppm]");
    return header;
}

void appendCardDataLine(std::string& out, const CardFields& line) {
    const double reference = TextToFloatOrZero(line[kReferenceO2]);
    const double o2 = TextToFloatOrZero(line[kO2]);
    const bool correct = reference != 0 && o2 != 21;
    const auto corrected = [&](double value) { return value * (21 - reference) / (21 - o2); };
    // A mass concentration is written as text first; a corrected one is computed from that
    // text read back, so it carries the rounding to 15 digits. A text that does not read back
    // ("INF" after an overflow) keeps the value itself.
    const auto massConcentration = [&](double value) {
        appendGeneral(out, correct ? corrected(roundedGeneral(value, 15)) : value, 15);
        out.push_back(',');
    };
    const auto copy = [&](std::size_t field) {
        out.append(line[field]);
        out.push_back(',');
    };

    copy(kDate);
    copy(kTime);
    copy(kO2);
    copy(kCO2);
    copy(kTGas);
    copy(kTRoom);
    copy(kEta);
    copy(kLambda);
    const double co = TextToFloatOrZero(line[kCO]);
    if (correct) {
        appendGeneral(out, corrected(co), 15);
        out.push_back(',');
    } else {
        copy(kCO);
    }
    massConcentration(co * kCOFactor);
    copy(kNO);
    copy(kNO2);
    massConcentration((TextToFloatOrZero(line[kNO]) + TextToFloatOrZero(line[kNO2])) * kNOxFactor);
    copy(kSO2);
    massConcentration(TextToFloatOrZero(line[kSO2]) * kSO2Factor);
    copy(kCxHy);
    massConcentration(TextToFloatOrZero(line[kCxHy]) * kCxHyFactor);
    copy(kDraught);
    copy(kFlow);
    copy(kH2);
    out.append(line[kS6]);
    out.append(kEmptyTrailingFields, ',');
}

std::string readingCardText(std::size_t line) {
    return "Reading CSV file line " + std::to_string(line);
}

std::string convertingCardText(std::size_t converted, std::size_t lineCount) {
    return "Converting " + std::to_string(converted) + " of " + std::to_string(lineCount);
}

// ---------------------------------------------------------------------------------------------

CardLineReader::CardLineReader(CardSourceFile& file, std::size_t chunkSize)
    : file_(file), buffer_(std::max<std::size_t>(chunkSize, 1), '\0') {}

FileError CardLineReader::restart() {
    begin_ = end_ = scanned_ = 0;
    atEnd_ = false;
    error_.reset();
    return file_.rewind();
}

bool CardLineReader::fill() {
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (end_ == buffer_.size()) {
        buffer_.resize(buffer_.size() * 2);
    }
    std::size_t got = 0;
    error_ = file_.read(buffer_.data() + end_, buffer_.size() - end_, got);
    if (error_) {
        return false;
    }
    atEnd_ = got == 0;
    end_ += got;
    return true;
}

std::optional<std::string_view> CardLineReader::next() {
    if (error_) {
        return std::nullopt;
    }
    for (;;) {
        const char* data = buffer_.data();
        // The first LF, then a CR before it: two memchr calls beat one loop over both.
        const char* from = data + begin_ + scanned_;
        const char* stop = data + end_;
        if (const void* lf = std::memchr(from, '\n', static_cast<std::size_t>(stop - from))) {
            stop = static_cast<const char*>(lf);
        }
        if (const void* cr = std::memchr(from, '\r', static_cast<std::size_t>(stop - from))) {
            stop = static_cast<const char*>(cr);
        }
        const std::size_t i = static_cast<std::size_t>(stop - data);
        if (i < end_) {
            // A CR as the last byte read may be the first half of CR LF: read on first.
            if (data[i] == '\r' && i + 1 == end_ && !atEnd_) {
                scanned_ = i - begin_;
                if (!fill()) {
                    return std::nullopt;
                }
                continue;
            }
            const std::string_view line(data + begin_, i - begin_);
            std::size_t after = i + 1;
            if (data[i] == '\r' && after < end_ && data[after] == '\n') {
                ++after;
            }
            begin_ = after;
            scanned_ = 0;
            return line;
        }
        scanned_ = end_ - begin_;
        if (atEnd_) {
            if (begin_ == end_) {
                return std::nullopt;
            }
            const std::string_view line(data + begin_, end_ - begin_);
            begin_ = end_;
            scanned_ = 0;
            return line;
        }
        if (!fill()) {
            return std::nullopt;
        }
    }
}

// ---------------------------------------------------------------------------------------------

CardConversion::CardConversion(std::string source, std::string target, CardFileLayer& files,
                               CardProgress& progress)
    : source_(std::move(source)), target_(std::move(target)), files_(files), progress_(progress) {}

CardConversion::~CardConversion() {
    if (!finished()) {
        abandon();
    }
}

void CardConversion::run() {
    while (step()) {
    }
}

bool CardConversion::step() {
    switch (phase_) {
    case Phase::Start:
        begin();
        return !finished();
    case Phase::Counting:
        return countStep();
    case Phase::Converting:
        return convertStep();
    case Phase::Done:
    case Phase::Failed:
        break;
    }
    return false;
}

void CardConversion::begin() {
    std::string reason;
    in_ = files_.openSource(source_, reason);
    if (!in_) {
        fail("Cannot open " + source_ + ": " + reason);
        return;
    }
    lines_ = std::make_unique<CardLineReader>(*in_);
    written_ = files_.partName(target_);
    if (written_.empty()) {
        written_ = target_;
    }
    out_ = files_.create(written_, reason);
    if (!out_) {
        if (written_ != target_) {
            files_.remove(written_);
        }
        written_.clear();
        fail("Cannot create " + target_ + ": " + reason);
        return;
    }
    phase_ = Phase::Counting;
}

bool CardConversion::countStep() {
    for (;;) {
        if (!lines_->next()) {
            if (lines_->error()) {
                fail("Cannot read " + source_ + ": " + *lines_->error());
                return false;
            }
            startConverting();
            return !finished();
        }
        // Reported before the line is counted, as long as there is one.
        const bool report = lineCount_ % kCardProgressLines == 0;
        if (report) {
            progress_.countingLines(lineCount_);
        }
        ++lineCount_;
        if (report) {
            return true;
        }
    }
}

void CardConversion::startConverting() {
    progress_.conversionStarts(lineCount_);
    if (FileError error = lines_->restart()) {
        fail("Cannot read " + source_ + ": " + *error);
        return;
    }
    phase_ = Phase::Converting;
    for (std::size_t i = 0; i < kCardHeaderLines; ++i) {
        if (!lines_->next()) {
            break;
        }
    }
    // The reference suffix of the titles comes from the first data line alone.
    const std::optional<std::string_view> first = lines_->next();
    if (lines_->error()) {
        fail("Cannot read " + source_ + ": " + *lines_->error());
        return;
    }
    pending_ = cardHeaderLine(first ? cardReferenceSuffix(cutCardFields(*first)) : std::string());
    pending_.append(kLineEnd);
    if (first) {
        ++converted_;
        convertLine(*first);
    }
}

bool CardConversion::convertStep() {
    for (;;) {
        const std::optional<std::string_view> line = lines_->next();
        if (!line) {
            if (lines_->error()) {
                fail("Cannot read " + source_ + ": " + *lines_->error());
                return false;
            }
            finish();
            return false;
        }
        ++converted_;
        const bool report = converted_ % kCardProgressLines == 0;
        if (report) {
            progress_.convertingLines(converted_, lineCount_);
        }
        // Every card line gives a data line: even an empty one holds the 40 commas.
        if (!convertLine(*line)) {
            return false;
        }
        if (report) {
            return true;
        }
    }
}

bool CardConversion::convertLine(std::string_view line) {
    appendCardDataLine(pending_, cutCardFields(line));
    pending_.append(kLineEnd);
    return pending_.size() < kWriteChunk || flushOutput();
}

bool CardConversion::flushOutput() {
    if (pending_.empty()) {
        return true;
    }
    if (FileError error = out_->writeAt(offset_, pending_)) {
        fail("Cannot write " + target_ + ": " + *error);
        return false;
    }
    offset_ += pending_.size();
    pending_.clear();
    return true;
}

void CardConversion::finish() {
    if (!flushOutput()) {
        return;
    }
    if (FileError error = out_->sync()) {
        fail("Cannot write " + target_ + ": " + *error);
        return;
    }
    out_.reset();
    lines_.reset();
    in_.reset();
    if (written_ != target_) {
        if (FileError error = files_.rename(written_, target_)) {
            fail("Cannot write " + target_ + ": " + *error);
            return;
        }
    }
    phase_ = Phase::Done;
}

void CardConversion::fail(std::string message) {
    error_ = std::move(message);
    abandon();
    phase_ = Phase::Failed;
}

void CardConversion::abandon() {
    out_.reset();
    lines_.reset();
    in_.reset();
    pending_.clear();
    // The partial file goes; the target keeps whatever it held before.
    if (!written_.empty() && written_ != target_) {
        files_.remove(written_);
    }
    written_.clear();
}

std::optional<std::string> ConvertMmcFile(const std::string& source, const std::string& target,
                                          CardFileLayer& files, CardProgress& progress) {
    CardConversion conversion(source, target, files, progress);
    conversion.run();
    if (conversion.succeeded()) {
        return std::nullopt;
    }
    return conversion.error();
}

} // namespace kesto
