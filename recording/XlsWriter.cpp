#include "recording/XlsWriter.h"

#include "recording/RecordingText.h"

#include <bit>
#include <cstring>

namespace kesto {

namespace {

constexpr std::uint16_t kBof = 0x0809;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kNumber = 0x0203;
constexpr std::uint16_t kLabel = 0x0204;
constexpr std::uint16_t kWorksheet = 0x0010;
constexpr std::size_t kIdBytes = 2;

void put16(char* at, std::uint16_t v) {
    at[0] = static_cast<char>(v & 0xFF);
    at[1] = static_cast<char>(v >> 8);
}

void put16(std::string& out, std::uint16_t v) {
    const char bytes[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    out.append(bytes, 2);
}

// The first ten bytes of a cell record: identifier, data length, row, column, format 0.
void putCellHead(char* at, std::uint16_t id, std::uint16_t length, std::uint16_t row,
                 std::uint16_t column) {
    put16(at, id);
    put16(at + 2, length);
    put16(at + 4, row);
    put16(at + 6, column);
    put16(at + 8, 0);
}

void appendNumber(std::string& out, std::uint16_t row, std::uint16_t column, double value) {
    char record[18];
    putCellHead(record, kNumber, 14, row, column);
    const auto bits = std::bit_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i) {
        record[10 + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    }
    out.append(record, sizeof record);
}

void appendLabel(std::string& out, std::uint16_t row, std::uint16_t column, std::string_view text) {
    if (text.size() > kXlsMaxLabelBytes) {
        text = text.substr(0, kXlsMaxLabelBytes);
    }
    const auto n = static_cast<std::uint16_t>(text.size());
    char head[12];
    putCellHead(head, kLabel, static_cast<std::uint16_t>(n + 8), row, column);
    put16(head + 10, n);
    out.append(head, sizeof head);
    out.append(text);
}

} // namespace

std::string XlsWriteBof() {
    std::string out;
    put16(out, kBof);
    put16(out, 8);
    put16(out, 0);          // version
    put16(out, kWorksheet); // stream type
    put16(out, 0);          // build
    put16(out, 0);          // year
    return out;
}

std::string XlsWriteEof() {
    std::string out;
    put16(out, kEof);
    put16(out, 0);
    return out;
}

std::string XlsWriteNumber(std::uint16_t row, std::uint16_t column, double value) {
    std::string out;
    appendNumber(out, row, column, value);
    return out;
}

std::string XlsWriteLabel(std::uint16_t row, std::uint16_t column, std::string_view text) {
    std::string out;
    appendLabel(out, row, column, text);
    return out;
}

void appendXlsRowRecords(std::string& out, std::uint16_t row, std::string_view line) {
    std::uint16_t column = 0; // the low 16 bits of the column count
    // Cut at every "," as SplitFields does, without a text per field.
    for (std::size_t start = 0;;) {
        const std::size_t comma = line.find(',', start);
        const std::string_view field =
            line.substr(start, comma == std::string_view::npos ? std::string_view::npos
                                                                : comma - start);
        if (const auto number = FieldNumber(field)) {
            appendNumber(out, row, column, *number);
        } else {
            appendLabel(out, row, column, field);
        }
        ++column;
        if (comma == std::string_view::npos) {
            return;
        }
        start = comma + 1;
    }
}

std::string XlsRowRecords(std::uint16_t row, std::string_view line) {
    std::string out;
    appendXlsRowRecords(out, row, line);
    return out;
}

FileError XlsWriter::XlsCreate(const std::string& path) {
    file_.reset();
    std::string error;
    auto file = files_.create(path, error);
    if (!file) {
        return error;
    }
    const std::string start = XlsWriteBof() + XlsWriteEof();
    FileError failed = file->writeAt(0, start);
    if (!failed) {
        failed = file->sync();
    }
    if (failed) {
        file.reset();
        files_.remove(path);
        return failed;
    }
    file_ = std::move(file);
    row_ = 0;
    endOffset_ = XlsWriteBof().size();
    return std::nullopt;
}

FileError XlsWriter::XlsWriteRow(std::string_view line) {
    const std::string text(line);
    return XlsWriteRows(&text, 1);
}

FileError XlsWriter::XlsWriteRows(const std::string* lines, std::size_t count) {
    if (!file_) {
        return std::string("the spreadsheet file is not open");
    }
    if (full() || count > kXlsRowCount - row_) {
        return std::string("the spreadsheet is full (65536 rows)");
    }
    if (count == 0) {
        return std::nullopt;
    }
    // The cells and a new end record, in one buffer that is reused from row to row.
    std::string& cells = cells_;
    cells.clear();
    for (std::size_t i = 0; i < count; ++i) {
        appendXlsRowRecords(cells, static_cast<std::uint16_t>(row_ + i), lines[i]);
    }
    const std::size_t cellBytes = cells.size();
    put16(cells, kEof);
    put16(cells, 0);
    // Step 1: all but the first two bytes, so the old end record's identifier still ends the
    // file. Step 2: those two bytes, turning the old end record into the first row's first cell.
    FileError failed = file_->writeAt(endOffset_ + kIdBytes, std::string_view(cells).substr(kIdBytes));
    if (!failed) {
        failed = file_->sync();
    }
    if (!failed) {
        failed = file_->writeAt(endOffset_, std::string_view(cells).substr(0, kIdBytes));
    }
    if (!failed) {
        failed = file_->sync();
    }
    if (failed) {
        restoreEnd();
        return failed;
    }
    endOffset_ += cellBytes;
    row_ += static_cast<std::uint32_t>(count);
    return std::nullopt;
}

FileError XlsWriter::restoreEnd() {
    FileError failed = file_->writeAt(endOffset_, XlsWriteEof());
    if (const FileError cut = file_->truncate(endOffset_ + XlsWriteEof().size()); !failed) {
        failed = cut;
    }
    if (const FileError synced = file_->sync(); !failed) {
        failed = synced;
    }
    return failed;
}

FileError XlsWriter::XlsClose() {
    if (!file_) {
        return std::nullopt;
    }
    // After a row that failed the end record was restored already; doing it again is harmless
    // and covers a restore that failed then.
    const FileError failed = restoreEnd();
    file_.reset();
    return failed;
}

} // namespace kesto
