#include "review/RecordingLoader.h"

#include "acquisition/NumberFormat.h"
#include "config/Encoding.h"
#include "platform/PosixFiles.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace kesto {
namespace {

constexpr std::size_t kMinimumRecordFields = 17;

bool isSeparatorChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 32;
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

    // Forward iteration over the fields as views.
    class Iterator {
    public:
        Iterator(const LineFields& f, std::size_t i) : f_(&f), i_(i) {}
        std::string_view operator*() const { return (*f_)[i_]; }
        Iterator& operator++() {
            ++i_;
            return *this;
        }
        bool operator!=(const Iterator& o) const { return i_ != o.i_; }

    private:
        const LineFields* f_;
        std::size_t i_;
    };
    Iterator begin() const { return {*this, 0}; }
    Iterator end() const { return {*this, size()}; }

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

// The record of a data line, or the reason it cannot be read.
std::optional<std::string> readRecord(const LineFields& fields, std::size_t row,
                                      const DateTimePatterns& patterns, int currentYear,
                                      ChannelRecord& record) {
    const auto date = parseDate(fields[0], patterns, currentYear);
    if (!date) {
        return quoted(fields[0]) + " is not a valid date" + inLine(row);
    }
    const auto time = parseTime(fields[1], patterns);
    if (!time) {
        return quoted(fields[1]) + " is not a valid time" + inLine(row);
    }
    LocalDateTime t = *date;
    t.hour = time->hour;
    t.minute = time->minute;
    t.second = time->second;
    t.millisecond = time->millisecond;
    record.time = toDateTimeValue(t);
    for (std::size_t c = 0; c < kChannelCount; ++c) {
        const std::size_t field = 2 + c; // columns 3 to 21
        record.values[c] = 0;
        if (field < fields.size()) {
            const auto v = recordedValue(fields[field]);
            if (!v) {
                return quoted(fields[field]) + " is not a valid floating point value" + inLine(row);
            }
            record.values[c] = *v;
        }
    }
    return std::nullopt;
}

} // namespace

std::vector<std::string> splitFields(std::string_view line) {
    LineFields fields;
    split(line, fields);
    std::vector<std::string> out;
    out.reserve(fields.size());
    for (std::string_view f : fields) {
        out.emplace_back(f);
    }
    return out;
}

std::size_t RecordingTable::fieldCount(std::size_t row) const {
    if (row >= rowStart_.size()) {
        return 0;
    }
    const std::size_t end = row + 1 < rowStart_.size() ? rowStart_[row + 1] : fieldEnd_.size();
    return end - rowStart_[row];
}

std::string_view RecordingTable::cell(std::size_t row, std::size_t column) const {
    if (column >= fieldCount(row)) {
        return {};
    }
    const std::size_t f = rowStart_[row] + column;
    const std::size_t begin = f == 0 ? 0 : fieldEnd_[f - 1];
    return std::string_view(text_).substr(begin, fieldEnd_[f] - begin);
}

void RecordingTable::clear() {
    text_.clear();
    fieldEnd_.clear();
    rowStart_.clear();
    rowCount_ = 2;
}

void RecordingTable::reserve(std::size_t lines, std::size_t bytes) {
    text_.reserve(bytes);
    // Every field but the first of a line takes a separator.
    fieldEnd_.reserve(std::min(lines * kColumns, bytes + lines));
    rowStart_.reserve(lines);
}

void RecordingTable::beginLine() {
    rowStart_.push_back(static_cast<std::uint32_t>(fieldEnd_.size()));
}

void RecordingTable::addField(std::string_view text) {
    text_.append(text);
    fieldEnd_.push_back(static_cast<std::uint32_t>(text_.size()));
}

RecordingLoad loadRecording(std::string_view bytes, DateTimePatterns& patterns, int currentYear) {
    RecordingLoad load;
    patterns.shortDate = "dd.mm.yyyy";
    patterns.dateSeparator = '.';
    if (bytes.size() > kMaxRecordingBytes) {
        load.error = "The file is too large to be shown (more than " +
                     std::to_string(kMaxRecordingBytes) + " bytes).";
        return load;
    }
    const std::string text = decodeFileText(bytes);
    const std::string_view all(text);
    // Room for every line at once: a long recording then costs no regrowth.
    const auto lines = static_cast<std::size_t>(std::count(all.begin(), all.end(), '\n')) + 1;
    load.table.reserve(lines, all.size());
    // A data record has at least 17 fields, so at least 16 commas.
    load.records.reserve(std::min(lines, all.size() / 16 + 1));

    std::string lineBuffer;
    LineFields fields;
    LineFields shown;
    ChannelRecord record;
    std::size_t row = 0;
    std::size_t pos = 0;
    while (pos < all.size()) {
        // A line ends at CR LF, LF or a lone CR.
        std::size_t end = all.find_first_of("\r\n", pos);
        std::size_t next = end;
        if (end == std::string_view::npos) {
            end = next = all.size();
        } else {
            next = end + 1;
            if (all[end] == '\r' && next < all.size() && all[next] == '\n') {
                ++next;
            }
        }
        split(withoutBlanks(all.substr(pos, end - pos), lineBuffer), fields);
        pos = next;

        // An empty field shows, and counts, as "0".
        bool anyEmpty = false;
        for (std::string_view f : fields) {
            anyEmpty = anyEmpty || f.empty();
        }
        if (anyEmpty) {
            shown.clear();
            for (std::string_view f : fields) {
                shown.beginField();
                shown.append(f.empty() ? std::string_view("0") : f);
                shown.endField();
            }
        }
        const LineFields& line = anyEmpty ? shown : fields;
        load.table.addLine(line);

        if (row > 0 && line.size() >= kMinimumRecordFields && line[0] != "0") {
            if (auto error = readRecord(line, row, patterns, currentYear, record)) {
                load.table.dropLastRow();
                load.error = std::move(error);
                return load;
            }
            load.records.push_back(record);
        }
        ++row;
    }
    return load;
}

RecordingLoad loadRecordingFile(const std::string& path, DateTimePatterns& patterns,
                                int currentYear) {
    const auto refused = [&](const std::string& reason) {
        RecordingLoad load;
        load.error = "Cannot open file \"" + path + "\". " + reason + ".";
        return load;
    };
    try {
        const posix::FileContents file = posix::readRegularFile(path, kMaxRecordingBytes);
        if (file.status != posix::FileContents::Status::Read) {
            return refused(file.status == posix::FileContents::Status::Missing
                               ? std::string("No such file or directory")
                               : file.error);
        }
        return loadRecording(file.bytes, patterns, currentYear);
    } catch (const std::bad_alloc&) {
        return refused("There is not enough memory to show it");
    }
}

} // namespace kesto
