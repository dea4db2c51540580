#include "review/RecordingLoader.h"

#include "acquisition/NumberFormat.h"
#include "config/Encoding.h"
#include "platform/PosixFiles.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <new>

namespace kesto {
namespace {

constexpr std::size_t kMinimumRecordFields = 17;
// Every 16th line's start is kept; a row is found from the one before it.
constexpr std::size_t kCheckpointLines = 16;
// A file up to this size is read whole and its table keeps the bytes; a larger one is read in
// pieces of kChunkBytes, and its table reads its rows from the file again.
constexpr std::uint64_t kWholeFileBytes = 16ull << 20;
constexpr std::size_t kChunkBytes = 1 << 20;
// Progress is reported, and a stop taken, about every this many bytes.
constexpr std::size_t kProgressBytes = 1 << 20;
// A row of the table is read from a file in blocks of at least this size.
constexpr std::size_t kRowBlockBytes = 64 << 10;

bool isSeparatorChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 32;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool hasHighBytes(std::string_view s) {
    return std::any_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// The fields of one line, in one buffer that is reused from line to line.
class LineFields {
public:
    void clear() {
        text_.clear();
        ends_.clear();
    }
    void beginField() { ends_.push_back(text_.size()); }
    void push(char c) { text_.push_back(c); }
    void append(std::string_view s) { text_.append(s); }
    void endField() { ends_.back() = text_.size(); }

    std::size_t size() const { return ends_.size(); }
    std::string_view operator[](std::size_t i) const {
        const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
        return std::string_view(text_).substr(begin, ends_[i] - begin);
    }

private:
    std::string text_;
    std::vector<std::size_t> ends_;
};

void split(std::string_view line, LineFields& out) {
    out.clear();
    std::size_t p = 0;
    const std::size_t n = line.size();
    auto skipBlanks = [&] {
        while (p < n && isSeparatorChar(line[p])) {
            ++p;
        }
    };
    skipBlanks();
    while (p < n) {
        out.beginField();
        if (line[p] == '"') {
            ++p;
            while (p < n) {
                if (line[p] == '"') {
                    if (p + 1 < n && line[p + 1] == '"') {
                        out.push('"');
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                out.push(line[p++]);
            }
        } else {
            const std::size_t start = p;
            while (p < n && line[p] != ',' && !isSeparatorChar(line[p])) {
                ++p;
            }
            out.append(line.substr(start, p - start));
        }
        out.endField();
        skipBlanks();
        if (p < n && line[p] == ',') {
            ++p;
            skipBlanks();
        }
    }
}

// The line without its blanks, in `buffer` when there were any.
std::string_view withoutBlanks(std::string_view line, std::string& buffer) {
    if (line.find(' ') == std::string_view::npos) {
        return line;
    }
    buffer.clear();
    for (char c : line) {
        if (c != ' ') {
            buffer.push_back(c);
        }
    }
    return buffer;
}

// An empty field shows, and counts, as "0".
std::string_view shownField(std::string_view field) {
    return field.empty() ? std::string_view("0") : field;
}

// Where the line beginning at `p` ends (its first CR or LF, or `end`); `high` tells whether
// the line holds a byte above 127. Eight bytes at a time.
const char* lineEnd(const char* p, const char* end, bool& high) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
    std::uint64_t seen = 0;
    while (end - p >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        const std::uint64_t lf = w ^ (kOnes * '\n');
        const std::uint64_t cr = w ^ (kOnes * '\r');
        const std::uint64_t found = (((lf - kOnes) & ~lf) | ((cr - kOnes) & ~cr)) & kHighBits;
        if (found != 0) {
            // The lowest match is a true one (little-endian: the first byte in memory).
            const int at = std::countr_zero(found) / 8;
            seen |= at == 0 ? 0 : w & (~0ull >> (64 - 8 * at));
            high = high || (seen & kHighBits) != 0;
            return p + at;
        }
        seen |= w;
        p += 8;
    }
    high = high || (seen & kHighBits) != 0;
    while (p != end && *p != '\n' && *p != '\r') {
        high = high || static_cast<unsigned char>(*p) >= 0x80;
        ++p;
    }
    return p;
}

// Where the line after one that ends at `end` begins (past its CR, LF or CR LF); null while
// that is not known: the bytes stop at `end`, or right after a CR, and more may follow.
const char* nextLineStart(const char* end, const char* stop, bool atEnd) {
    if (end == stop || (*end == '\r' && end + 1 == stop)) {
        return atEnd ? stop : nullptr;
    }
    return end + (*end == '\r' && end[1] == '\n' ? 2 : 1);
}

std::string quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

std::string inLine(std::size_t row) {
    return " (line " + std::to_string(row + 1) + ")";
}

// A recorded value: a decimal number with "." that a single-precision real can hold.
std::optional<float> recordedValue(std::string_view text) {
    const auto v = parseDecimal(text);
    if (!v || std::fabs(*v) > static_cast<double>(std::numeric_limits<float>::max())) {
        return std::nullopt;
    }
    return static_cast<float>(*v);
}

constexpr std::array<double, 16> kPowersOfTen{1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// A value field as the recorder writes it, read where it stands: an optional sign, decimal
// digits with an optional point, at most 15 digits, nothing else up to `end` or a comma. The
// digits as an integer and the power of ten are exact doubles, and their quotient is correctly
// rounded: the same value as the general parser's. An empty field is 0. False for anything
// else, which the general way reads.
inline bool plainValue(const char*& p, const char* end, float& value) {
    const char* s = p;
    bool negative = false;
    if (s != end && (*s == '-' || *s == '+')) {
        negative = *s == '-';
        ++s;
    }
    std::uint64_t digits = 0;
    int count = 0;
    int decimals = 0;
    while (s != end && isDigit(*s)) {
        digits = digits * 10 + static_cast<std::uint64_t>(*s - '0');
        ++count;
        ++s;
    }
    if (s != end && *s == '.') {
        ++s;
        while (s != end && isDigit(*s)) {
            digits = digits * 10 + static_cast<std::uint64_t>(*s - '0');
            ++count;
            ++decimals;
            ++s;
        }
    }
    if ((s != end && *s != ',') || count > 15 || (count == 0 && s != p)) {
        return false;
    }
    p = s;
    double v = static_cast<double>(digits);
    if (decimals != 0) {
        v /= kPowersOfTen[static_cast<std::size_t>(decimals)];
    }
    value = static_cast<float>(negative ? -v : v);
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------

std::vector<std::string> splitFields(std::string_view line) {
    LineFields fields;
    split(line, fields);
    std::vector<std::string> out;
    out.reserve(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        out.emplace_back(fields[i]);
    }
    return out;
}

ChannelRecord RecordingColumns::operator[](std::size_t record) const {
    ChannelRecord r;
    r.time = times[record];
    for (std::size_t c = 0; c < kChannelCount; ++c) {
        r.values[c] = values[c][record];
    }
    return r;
}

void RecordingColumns::reserve(std::size_t records) {
    times.reserve(records);
    for (auto& column : values) {
        column.reserve(records);
    }
}

TrendColumns diagramColumns(const std::shared_ptr<const RecordingColumns>& records, int diagram) {
    TrendColumns columns;
    if (!records) {
        return columns;
    }
    columns.owner = records;
    columns.times = records->times.data();
    columns.size = records->size();
    for (std::size_t s = 0; s < kTrendSlots; ++s) {
        if (const auto channel = slotChannel(diagram, s)) {
            columns.values[s] = records->values[index(*channel)].data();
        }
    }
    return columns;
}

// ---------------------------------------------------------------------------------------------

// The bytes of a recording's lines: held in memory, or read from the file where a line is
// asked for, a block at a time.
class RecordingTable::Bytes {
public:
    Bytes(std::unique_ptr<char[]> data, std::size_t size) : data_(std::move(data)), size_(size) {}
    Bytes(std::unique_ptr<posix::ReadableFile> file, std::uint64_t size)
        : file_(std::move(file)), size_(size) {}

    bool inMemory() const { return data_ != nullptr; }
    std::string_view memory() const { return {data_.get(), static_cast<std::size_t>(size_)}; }
    std::uint64_t size() const { return size_; }
    void closeFile() { file_.reset(); }

    // The line beginning at `offset` and where the next one begins; empty when it cannot be
    // read.
    std::string_view lineAt(std::uint64_t offset, std::uint64_t& next) {
        next = size_;
        if (offset >= size_) {
            return {};
        }
        if (data_) {
            return lineIn(memory(), static_cast<std::size_t>(offset), 0, true, next);
        }
        std::size_t want = kRowBlockBytes;
        for (;;) {
            const bool cached = offset >= blockStart_ && offset < blockStart_ + block_.size();
            if (cached) {
                const auto from = static_cast<std::size_t>(offset - blockStart_);
                const bool toTheEnd = blockStart_ + block_.size() >= size_;
                const std::string_view line = lineIn(block_, from, blockStart_, toTheEnd, next);
                if (next != 0) {
                    return line;
                }
                want = std::max(want, 2 * (block_.size() - from));
            }
            if (!file_ || !read(offset, want)) {
                next = size_;
                return {};
            }
        }
    }

private:
    // The line at `from` in `bytes` (which begin at `base`), or next = 0 when its end lies
    // beyond them and they are not the end of the bytes (`toTheEnd`).
    static std::string_view lineIn(std::string_view bytes, std::size_t from, std::uint64_t base,
                                   bool toTheEnd, std::uint64_t& next) {
        bool high = false;
        const char* begin = bytes.data() + from;
        const char* stop = bytes.data() + bytes.size();
        const char* end = lineEnd(begin, stop, high);
        const char* after = nextLineStart(end, stop, toTheEnd);
        next = after == nullptr ? 0 : base + static_cast<std::uint64_t>(after - bytes.data());
        return after == nullptr ? std::string_view() : std::string_view(begin, end);
    }

    bool read(std::uint64_t offset, std::size_t want) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(want, size_ - offset));
        block_.resize(count);
        std::string error;
        const auto got = file_->readAt(offset, block_.data(), count, error);
        if (!got || *got == 0) {
            block_.clear();
            return false;
        }
        block_.resize(*got);
        blockStart_ = offset;
        if (*got < count) {
            size_ = offset + *got; // the file shrank since it was loaded
        }
        return true;
    }

    std::unique_ptr<char[]> data_;
    std::unique_ptr<posix::ReadableFile> file_;
    std::uint64_t size_ = 0;
    std::string block_;
    std::uint64_t blockStart_ = 0;
};

RecordingTable::RecordingTable() = default;
RecordingTable::~RecordingTable() = default;
RecordingTable::RecordingTable(RecordingTable&&) noexcept = default;
RecordingTable& RecordingTable::operator=(RecordingTable&&) noexcept = default;

std::string_view RecordingTable::lineAt(std::uint64_t offset, std::uint64_t& next) const {
    return bytes_ ? bytes_->lineAt(offset, next) : std::string_view();
}

bool RecordingTable::line(std::size_t row, ShownLine& out) const {
    out.count = 0;
    if (row >= lineCount_ || !bytes_) {
        return false;
    }
    // From the line before when rows come in order, else from the checkpoint before the row.
    std::size_t at = row / kCheckpointLines * kCheckpointLines;
    std::uint64_t offset = checkpoints_[row / kCheckpointLines];
    if (haveLast_ && lastRow_ < row && lastRow_ + 1 >= at) {
        at = lastRow_ + 1;
        offset = lastNext_;
    }
    haveLast_ = false;
    std::uint64_t next = 0;
    std::string_view bytes = lineAt(offset, next);
    for (; at < row; ++at) {
        offset = next;
        bytes = lineAt(offset, next);
    }
    lastRow_ = row;
    lastNext_ = next;
    haveLast_ = true;

    std::string blanksRemoved;
    LineFields fields;
    split(withoutBlanks(bytes, blanksRemoved), fields);
    out.count = fields.size();
    for (std::size_t i = 0; i < out.shown(); ++i) {
        const std::string_view field = shownField(fields[i]);
        out.fields[i] =
            windows1252_ && hasHighBytes(field) ? windows1252ToUtf8(field) : std::string(field);
    }
    return true;
}

std::size_t RecordingTable::fieldCount(std::size_t row) const {
    ShownLine shown;
    line(row, shown);
    return shown.shown();
}

std::string RecordingTable::cell(std::size_t row, std::size_t column) const {
    ShownLine shown;
    if (!line(row, shown) || column >= shown.shown()) {
        return {};
    }
    return std::move(shown.fields[column]);
}

void RecordingTable::closeFile() {
    if (bytes_ && !bytes_->inMemory()) {
        bytes_->closeFile();
    }
}

// ---------------------------------------------------------------------------------------------

// Reads the lines of a recording, one after the other, into the table's line starts and the
// records.
class RecordingParser {
public:
    RecordingParser(RecordingLoad& load, std::shared_ptr<RecordingTable::Bytes> bytes,
                    const DateTimePatterns& patterns, int currentYear)
        : load_(load), table_(load.table), patterns_(patterns), currentYear_(currentYear) {
        table_.bytes_ = std::move(bytes);
        // A time read where it stands must not be one that begins with an AM/PM text, nor have
        // a separator that the general way splits at, removes or takes for a digit.
        const auto startsWithDigit = [](const std::string& s) {
            return !s.empty() && isDigit(s.front());
        };
        const char separator = patterns.timeSeparator;
        plainTimes_ = !startsWithDigit(patterns.amText) && !startsWithDigit(patterns.pmText) &&
                      !isDigit(separator) && !isSeparatorChar(separator) && separator != ',' &&
                      separator != '"';
    }

    // Whether the bytes from an offset to the end are well-formed UTF-8; asked only when a line
    // needs the file's encoding before the end.
    std::function<bool(std::uint64_t)> restIsUtf8;

    // One line, without its end, that begins at `offset` of the bytes; `high` when it holds a
    // byte above 127. False: the loading ends at this line (the reason in the load's error).
    bool line(std::string_view bytes, std::uint64_t offset, bool high) {
        if (table_.lineCount_ % kCheckpointLines == 0) {
            table_.checkpoints_.push_back(offset);
        }
        after_ = offset + bytes.size();
        ++table_.lineCount_;
        if (high && utf8SoFar_) {
            utf8SoFar_ = isValidUtf8(bytes);
        }
        const std::size_t row = row_++;
        if (row == 0) {
            return true; // the title line is never a record
        }
        if (!high && plainRecord(bytes)) {
            return true;
        }
        return generalLine(bytes, row);
    }

    // Whether the whole file is UTF-8, reading on to its end if needed.
    bool fileIsUtf8() {
        if (!fileIsUtf8_) {
            fileIsUtf8_ = utf8SoFar_ && (!restIsUtf8 || restIsUtf8(after_));
        }
        return *fileIsUtf8_;
    }

    // The table's encoding, once the reading ended: a stopped loading goes by what was read.
    void finish() { table_.windows1252_ = !(load_.error ? fileIsUtf8() : utf8SoFar_); }

private:
    // A data line as the recorder writes it, read where it stands: "dd.mm.yyyy" and "hh:mm:ss"
    // (or with the time separator), then plain numbers, no blanks, quotes or control
    // characters. False for any other line, also one that would not be a record or would end
    // the loading: the general way reads it then.
    bool plainRecord(std::string_view bytes) {
        const char* p = bytes.data();
        const char* end = p + bytes.size();
        if (end - p < 20 || p[10] != ',' || p[19] != ',' || !plainTimes_) {
            return false;
        }
        if (std::memcmp(p, lastDate_.data(), lastDate_.size()) != 0 || !lastDateValid_) {
            for (const int i : {0, 1, 3, 4, 6, 7, 8, 9}) {
                if (!isDigit(p[i])) {
                    return false;
                }
            }
            if (p[2] != '.' || p[5] != '.') {
                return false;
            }
            std::memcpy(lastDate_.data(), p, lastDate_.size());
            const auto date = parseDate({p, 10}, patterns_, currentYear_);
            lastDateValid_ = date.has_value();
            if (date) {
                lastDateTime_ = *date;
            }
        }
        if (!lastDateValid_) {
            return false;
        }
        const char* t = p + 11;
        for (const int i : {0, 1, 3, 4, 6, 7}) {
            if (!isDigit(t[i])) {
                return false;
            }
        }
        const auto separator = [this](char c) { return c == ':' || c == patterns_.timeSeparator; };
        if (!separator(t[2]) || !separator(t[5])) {
            return false;
        }
        LocalDateTime at = lastDateTime_;
        at.hour = (t[0] - '0') * 10 + (t[1] - '0');
        at.minute = (t[3] - '0') * 10 + (t[4] - '0');
        at.second = (t[6] - '0') * 10 + (t[7] - '0');
        at.millisecond = 0;
        if (at.hour > 23 || at.minute > 59 || at.second > 59) {
            return false;
        }

        ChannelValues values{};
        std::size_t fields = 2;
        p += 20;
        for (std::size_t c = 0; c < kChannelCount && p != end; ++c) {
            if (!plainValue(p, end, values[c])) {
                return false;
            }
            ++fields;
            if (p != end) {
                ++p; // the comma
            }
        }
        if (fields < kMinimumRecordFields) {
            return false;
        }
        append(toDateTimeValue(at), values);
        return true;
    }

    bool generalLine(std::string_view bytes, std::size_t row) {
        split(withoutBlanks(bytes, blanksRemoved_), fields_);
        if (fields_.size() < kMinimumRecordFields || shownField(fields_[0]) == "0") {
            return true;
        }
        if (auto error = readRecord(row)) {
            load_.error = std::move(error);
            table_.stoppedOnLine_ = true;
            return false;
        }
        return true;
    }

    // A field's text in UTF-8.
    std::string_view text(std::string_view field, std::string& buffer) {
        if (!hasHighBytes(field) || fileIsUtf8()) {
            return field;
        }
        buffer = windows1252ToUtf8(field);
        return buffer;
    }

    // The record of a line that holds one, or the reason it cannot be read.
    std::optional<std::string> readRecord(std::size_t row) {
        std::string buffer;
        std::string timeBuffer;
        const std::string_view dateText = text(shownField(fields_[0]), buffer);
        const auto date = parseDate(dateText, patterns_, currentYear_);
        if (!date) {
            return quoted(dateText) + " is not a valid date" + inLine(row);
        }
        const std::string_view timeText = text(shownField(fields_[1]), timeBuffer);
        const auto time = parseTime(timeText, patterns_);
        if (!time) {
            return quoted(timeText) + " is not a valid time" + inLine(row);
        }
        LocalDateTime t = *date;
        t.hour = time->hour;
        t.minute = time->minute;
        t.second = time->second;
        t.millisecond = time->millisecond;
        ChannelValues values{};
        for (std::size_t c = 0; c < kChannelCount; ++c) {
            const std::size_t field = 2 + c; // columns 3 to 21
            if (field < fields_.size()) {
                const std::string_view value = shownField(fields_[field]);
                const auto v = recordedValue(value);
                if (!v) {
                    return quoted(text(value, buffer)) + " is not a valid floating point value" +
                           inLine(row);
                }
                values[c] = *v;
            }
        }
        append(toDateTimeValue(t), values);
        return std::nullopt;
    }

    void append(double time, const ChannelValues& values) {
        RecordingColumns& r = load_.records;
        r.times.push_back(time);
        for (std::size_t c = 0; c < kChannelCount; ++c) {
            r.values[c].push_back(values[c]);
        }
    }

    RecordingLoad& load_;
    RecordingTable& table_;
    const DateTimePatterns& patterns_;
    int currentYear_;
    bool plainTimes_ = true;
    std::size_t row_ = 0;
    std::uint64_t after_ = 0; // the end of the line being read
    bool utf8SoFar_ = true;
    std::optional<bool> fileIsUtf8_;
    std::array<char, 10> lastDate_{};
    bool lastDateValid_ = false;
    LocalDateTime lastDateTime_;
    std::string blanksRemoved_;
    LineFields fields_;
};

namespace {

enum class Encoding { Utf8OrWindows1252, Utf16LittleEndian, Utf16BigEndian };

// What the first bytes of a file say: the bytes of a UTF-8 byte-order mark to skip, or UTF-16.
Encoding encodingOf(std::string_view start, std::size_t& skip) {
    skip = 0;
    if (start.starts_with("\xEF\xBB\xBF")) {
        skip = 3;
    } else if (start.starts_with("\xFF\xFE")) {
        return Encoding::Utf16LittleEndian;
    } else if (start.starts_with("\xFE\xFF")) {
        return Encoding::Utf16BigEndian;
    }
    return Encoding::Utf8OrWindows1252;
}

// Reads the lines of `bytes` (beginning at `base` of the file) up to the last whole one, or to
// the end when `atEnd`, and stops after the line that passes `limit` bytes; returns how many
// bytes were read. False in `going`: the loading ends.
std::size_t readLines(RecordingParser& parser, std::string_view bytes, std::uint64_t base,
                      bool atEnd, std::size_t limit, bool& going) {
    const char* data = bytes.data();
    const char* stop = data + bytes.size();
    const char* p = data;
    while (p != stop && static_cast<std::size_t>(p - data) < limit) {
        bool high = false;
        const char* end = lineEnd(p, stop, high);
        const char* next = nextLineStart(end, stop, atEnd);
        if (next == nullptr) {
            break; // the line, or its CR LF, may go on in the next piece
        }
        if (!parser.line({p, static_cast<std::size_t>(end - p)},
                         base + static_cast<std::uint64_t>(p - data), high)) {
            going = false;
            return static_cast<std::size_t>(next - data);
        }
        p = next;
    }
    return static_cast<std::size_t>(p - data);
}

// Room for the records of the whole file, guessed from its first part.
void reserveRecords(RecordingColumns& records, std::uint64_t read, std::uint64_t total) {
    const std::size_t now = records.size();
    if (read == 0 || now == 0 || read >= total) {
        return;
    }
    const double perByte = static_cast<double>(now) / static_cast<double>(read);
    const auto guess = static_cast<std::size_t>(perByte * static_cast<double>(total) * 1.06) + 16;
    if (guess > now) {
        records.reserve(guess);
    }
}

// Reads the lines of bytes held in memory, reporting progress between pieces.
void readInMemory(RecordingLoad& load, RecordingParser& parser, std::string_view bytes,
                  std::size_t skip, LoadProgress* progress) {
    parser.restIsUtf8 = [bytes](std::uint64_t from) {
        return isValidUtf8(bytes.substr(static_cast<std::size_t>(from)));
    };
    std::size_t pos = skip;
    bool going = true;
    while (going && pos < bytes.size()) {
        const bool first = pos == skip;
        pos += readLines(parser, bytes.substr(pos), pos, true, kProgressBytes, going);
        if (first) {
            reserveRecords(load.records, pos - skip, bytes.size() - skip);
        }
        if (going && pos < bytes.size() && progress != nullptr &&
            !progress->keepGoing(pos, bytes.size())) {
            load.stopped = true;
            going = false;
        }
    }
    parser.finish();
}

// Whether a file's bytes from `from` to its end are well-formed UTF-8, read in pieces.
bool restOfFileIsUtf8(const posix::ReadableFile& file, std::uint64_t from) {
    std::string piece(kChunkBytes, '\0');
    std::size_t carried = 0; // the start of a sequence the last piece cut off
    std::string error;
    for (;;) {
        const auto got = file.readAt(from, piece.data() + carried, piece.size() - carried, error);
        if (!got || *got == 0) {
            return carried == 0 || isValidUtf8({piece.data(), carried});
        }
        from += *got;
        const std::size_t held = carried + *got;
        // A sequence may be cut before any byte that does not continue one.
        std::size_t cut = held;
        while (cut > 0 && held - cut < 4 &&
               (static_cast<unsigned char>(piece[cut - 1]) & 0xC0) == 0x80) {
            --cut;
        }
        cut = cut > 0 ? cut - 1 : 0;
        if (!isValidUtf8({piece.data(), cut})) {
            return false;
        }
        carried = held - cut;
        std::memmove(piece.data(), piece.data() + cut, carried);
    }
}

// Reads the lines of a file in pieces, reporting progress between them. The reason when the
// file cannot be read to its end.
std::optional<std::string> readInPieces(RecordingLoad& load, RecordingParser& parser,
                                        const posix::ReadableFile& file, std::size_t skip,
                                        LoadProgress* progress) {
    parser.restIsUtf8 = [&file](std::uint64_t from) { return restOfFileIsUtf8(file, from); };
    std::string buffer(kChunkBytes, '\0');
    std::size_t held = 0;        // bytes in the buffer, from its start
    std::uint64_t start = skip;  // where the buffer's first byte stands in the file
    std::uint64_t readTo = skip; // where the next read begins
    bool atEnd = false;
    bool going = true;
    std::optional<std::string> failed;
    while (going) {
        if (held == buffer.size()) {
            buffer.resize(buffer.size() * 2); // a line longer than the buffer
        }
        std::string error;
        const auto got = file.readAt(readTo, buffer.data() + held, buffer.size() - held, error);
        if (!got) {
            failed = error;
            break;
        }
        held += *got;
        readTo += *got;
        atEnd = *got == 0;
        const std::size_t read =
            readLines(parser, {buffer.data(), held}, start, atEnd, held, going);
        if (start == skip) {
            reserveRecords(load.records, read, file.size() - skip);
        }
        start += read;
        held -= read;
        std::memmove(buffer.data(), buffer.data() + read, held);
        if (atEnd && held == 0) {
            break;
        }
        if (going && progress != nullptr && !progress->keepGoing(start, file.size())) {
            load.stopped = true;
            going = false;
        }
    }
    parser.finish();
    return failed;
}

RecordingLoad startLoad(DateTimePatterns& patterns) {
    patterns.shortDate = "dd.mm.yyyy";
    patterns.dateSeparator = '.';
    return {};
}

std::unique_ptr<char[]> copyOf(std::string_view bytes) {
    auto copy = std::make_unique_for_overwrite<char[]>(bytes.size());
    std::memcpy(copy.get(), bytes.data(), bytes.size());
    return copy;
}

// Loads bytes held in memory; UTF-16 is turned into UTF-8 first.
void loadBytes(RecordingLoad& load, std::unique_ptr<char[]> data, std::size_t size,
               const DateTimePatterns& patterns, int currentYear, LoadProgress* progress) {
    std::size_t skip = 0;
    if (encodingOf({data.get(), size}, skip) != Encoding::Utf8OrWindows1252) {
        const std::string text = decodeFileText({data.get(), size});
        data = copyOf(text);
        size = text.size();
    }
    auto bytes = std::make_shared<RecordingTable::Bytes>(std::move(data), size);
    const std::string_view memory = bytes->memory();
    RecordingParser parser(load, std::move(bytes), patterns, currentYear);
    readInMemory(load, parser, memory, skip, progress);
}

} // namespace

RecordingLoad loadRecording(std::string_view bytes, DateTimePatterns& patterns, int currentYear,
                            LoadProgress* progress) {
    RecordingLoad load = startLoad(patterns);
    loadBytes(load, copyOf(bytes), bytes.size(), patterns, currentYear, progress);
    return load;
}

RecordingLoad loadRecordingFile(const std::string& path, DateTimePatterns& patterns,
                                int currentYear, LoadProgress* progress) {
    RecordingLoad load = startLoad(patterns);
    const auto refused = [&](const std::string& reason) {
        RecordingLoad none;
        none.error = "Cannot open file \"" + path + "\". " + reason + ".";
        return none;
    };
    try {
        posix::FileContents::Status status = posix::FileContents::Status::Missing;
        std::string error;
        std::unique_ptr<posix::ReadableFile> file =
            posix::ReadableFile::openRegular(path, status, error);
        if (!file) {
            return refused(status == posix::FileContents::Status::Missing
                               ? std::string("No such file or directory")
                               : error);
        }
        if (file->size() <= kWholeFileBytes) {
            // Read whole, in one read: a file that grows meanwhile is read as it was.
            const auto size = static_cast<std::size_t>(file->size());
            auto data = std::make_unique_for_overwrite<char[]>(size);
            const auto got = file->readAt(0, data.get(), size, error);
            if (!got) {
                return refused(error);
            }
            loadBytes(load, std::move(data), *got, patterns, currentYear, progress);
            return load;
        }
        char start[3] = {};
        std::string ignored;
        const auto got = file->readAt(0, start, sizeof start, ignored);
        std::size_t skip = 0;
        if (encodingOf({start, got.value_or(0)}, skip) != Encoding::Utf8OrWindows1252) {
            // UTF-16 (never written by a recorder): turned into UTF-8 in memory.
            const posix::FileContents whole = posix::readWholeFile(path);
            if (whole.status != posix::FileContents::Status::Read) {
                return refused(whole.error);
            }
            loadBytes(load, copyOf(whole.bytes), whole.bytes.size(), patterns, currentYear,
                      progress);
            return load;
        }
        const posix::ReadableFile& source = *file;
        const std::uint64_t size = file->size();
        RecordingParser parser(load, std::make_shared<RecordingTable::Bytes>(std::move(file), size),
                               patterns, currentYear);
        if (const auto failed = readInPieces(load, parser, source, skip, progress)) {
            load.error = "Cannot read file \"" + path + "\". " + *failed + ".";
        }
        return load;
    } catch (const std::bad_alloc&) {
        return refused("There is not enough memory to show it");
    }
}

} // namespace kesto
