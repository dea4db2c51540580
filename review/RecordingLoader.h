#pragma once

#include "acquisition/DateTimeFormat.h"
#include "trends/SlotLayout.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

// Splits one line of a recording into fields:
// - characters with codes 1 to 32 before a field are skipped;
// - a field that begins with a double quote runs to the matching closing quote, a doubled
//   quote inside standing for one (the quotes are not part of the field);
// - any other field runs up to the next comma or character with a code from 1 to 32;
// - after a field such characters are skipped, and a comma that follows is skipped together
//   with the characters up to 32 after it before the next field begins.
// Two commas in a row give an empty field, a comma at the start an empty first field, a comma
// at the end no further field, and an empty line no field at all; a tab separates like a comma.
std::vector<std::string> splitFields(std::string_view line);

// The lines of a recording as the viewer's table shows them: the first row is the title row,
// at most 21 fields of each line, every empty field shown as "0". Texts are kept in one buffer.
//
// The table has two rows more than it has lines (the last two empty), as a grid that starts
// with two rows and gains one per line read; when loading stopped on a line, that line is shown
// and the table has one empty row after it.
class RecordingTable {
public:
    static constexpr std::size_t kColumns = 21;

    std::size_t rowCount() const { return rowCount_; }
    // Rows that hold a line (the title row included).
    std::size_t lineCount() const { return rowStart_.size(); }
    std::size_t fieldCount(std::size_t row) const;
    // The text of a cell; empty outside the lines and fields held.
    std::string_view cell(std::size_t row, std::size_t column) const;

    void clear();
    void reserve(std::size_t lines, std::size_t bytes);
    // Adds the next line's fields (only the first 21 are kept) and one row.
    template <typename Fields> void addLine(const Fields& fields) {
        beginLine();
        std::size_t n = 0;
        for (const auto& f : fields) {
            if (n++ == kColumns) {
                break;
            }
            addField(f);
        }
        ++rowCount_;
    }
    // The line that stopped the loading is shown, but adds no row.
    void dropLastRow() { --rowCount_; }

private:
    void beginLine();
    void addField(std::string_view text);

    std::string text_;
    std::vector<std::uint32_t> fieldEnd_; // end of each field in text_
    std::vector<std::uint32_t> rowStart_; // first field of each line in fieldEnd_
    std::size_t rowCount_ = 2;
};

// One data line of a recording: its date-time and the nineteen channel values.
struct ChannelRecord {
    double time = 0; // days since 30.12.1899
    ChannelValues values{};
};

struct RecordingLoad {
    RecordingTable table;
    std::vector<ChannelRecord> records;
    // Why the loading stopped early, for the user; the lines and records read until then stay.
    std::optional<std::string> error;
};

// The largest recording the viewer reads. Its table keeps the texts in 32-bit offsets, and the
// text can grow to three times its bytes when it is converted to UTF-8.
inline constexpr std::size_t kMaxRecordingBytes = std::numeric_limits<std::uint32_t>::max() / 3;

// Reads a recording file's text (Windows-1252 or UTF-8). Each line has its blanks removed and
// is split into fields; an empty field counts as "0". Every line after the title line with at
// least 17 fields and a first field other than "0" is a data record: date (field 1, day, month,
// year in "dd.mm.yyyy" with "."), time (field 2, with the current time separator and AM/PM
// texts) and the values of fields 3 to 21 (missing ones 0). A date, time or number that cannot
// be read ends the loading at that line.
//
// Like the recorder, the loader makes "dd.mm.yyyy" with "." the short date pattern of
// `patterns` (the program passes its process-wide patterns) and leaves it so. Years of one or
// two digits fall into the hundred years beginning 80 years before `currentYear`.
RecordingLoad loadRecording(std::string_view bytes, DateTimePatterns& patterns, int currentYear);

// The same for a file; a file that cannot be read gives an empty table and the reason. Only a
// regular file of at most kMaxRecordingBytes is read (a FIFO, a folder or a device is refused
// at once), and a file too large for the memory left is refused too.
RecordingLoad loadRecordingFile(const std::string& path, DateTimePatterns& patterns,
                                int currentYear);

} // namespace kesto
