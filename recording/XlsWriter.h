#pragma once

#include "platform/RecordingFiles.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kesto {

// A minimal spreadsheet in BIFF records: BOF (worksheet), one cell record per field, EOF. All
// integers little-endian; every cell uses cell format 0.

// Rows 0 to 65535: what the 16-bit row field of a cell record can address.
inline constexpr std::uint32_t kXlsRowCount = 65536;
// The longest text a LABEL record can hold (its data length n + 8 is a 16-bit field).
inline constexpr std::size_t kXlsMaxLabelBytes = 65535 - 8;

// One record each, as the bytes written to the file.
std::string XlsWriteBof();
std::string XlsWriteEof();
std::string XlsWriteNumber(std::uint16_t row, std::uint16_t column, double value);
// `text` in Windows-1252; a longer text than kXlsMaxLabelBytes is cut there.
std::string XlsWriteLabel(std::uint16_t row, std::uint16_t column, std::string_view text);

// The cell records of one row: the line cut at every "," (SplitFields), each field a NUMBER
// record when it is a number (FieldNumber) and a LABEL record with its bytes otherwise, from
// column 0 upward. An empty line gives one empty LABEL.
std::string XlsRowRecords(std::uint16_t row, std::string_view line);
// The same appended to `out`, allocating nothing else.
void appendXlsRowRecords(std::string& out, std::uint16_t row, std::string_view line);

// Writes one spreadsheet file, a row at a time, so that the file on disk is a complete,
// readable spreadsheet after every row: the end record always follows the last row written.
//
// A row is added in two steps, each flushed to the disk: first everything after the first two
// bytes of the old end record (the new cells and a new end record; the old end record's length
// field changes but a reader still stops there), then the first two bytes, which turn the old
// end record into the row's first cell. A crash or power cut at any point leaves either the
// file without the row or the file with it. Once closed, the file is byte for byte BOF, the
// cells, EOF.
//
// A row that cannot be written is taken back (end record restored, file cut after it) and does
// not count; the next row goes to the same row number.
class XlsWriter {
public:
    explicit XlsWriter(RecordingFileLayer& files) : files_(files) {}

    // Creates the file (which must not exist) holding BOF and EOF; row 0 is next.
    // On failure nothing stays open and a file that was created is removed again.
    FileError XlsCreate(const std::string& path);
    // Adds `line` (Windows-1252) as the next row. Fails without writing when the file is full.
    FileError XlsWriteRow(std::string_view line);
    // Adds `count` rows at once, in the same two flushed steps as one row: all of them are in
    // the file afterwards, or none. Fails without writing when they do not all fit.
    FileError XlsWriteRows(const std::string* lines, std::size_t count);
    // Makes sure the end record closes the file and releases it.
    FileError XlsClose();

    bool isOpen() const { return file_ != nullptr; }
    // The row the next XlsWriteRow writes.
    std::uint32_t currentRow() const { return row_; }
    bool full() const { return row_ >= kXlsRowCount; }

private:
    FileError restoreEnd();

    RecordingFileLayer& files_;
    std::unique_ptr<RecordingFile> file_;
    std::uint32_t row_ = 0;
    std::uint64_t endOffset_ = 0; // where the end record stands
    std::string cells_;           // the records of the rows being added
};

} // namespace kesto
