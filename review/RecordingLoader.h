#pragma once

#include "acquisition/DateTimeFormat.h"
#include "trends/SlotLayout.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
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

// The fields of one line as the viewer's table shows them: every blank of the line removed,
// then split as above; at most the first 21 fields, each in UTF-8 and an empty one as "0".
// `count` is the number of fields the line has (also those after the 21st).
struct ShownLine {
    static constexpr std::size_t kColumns = 21;
    std::array<std::string, kColumns> fields;
    std::size_t count = 0;
    std::size_t shown() const { return count < kColumns ? count : kColumns; }
};

// The lines of a recording as the viewer's table shows them: the first row is the title row.
// The table keeps no text: a row's fields are cut from the file's bytes when they are asked
// for, so a recording costs the table half a byte a line (the start of every 16th line).
//
// The table has two rows more than it has lines (the last two empty), as a grid that starts
// with two rows and gains one per line read; when loading stopped on a line, that line is shown
// and the table has one empty row after it. One thread at a time.
class RecordingTable {
public:
    static constexpr std::size_t kColumns = ShownLine::kColumns;
    // Where the lines are read from: the bytes in memory, or the file itself.
    class Bytes;

    RecordingTable();
    ~RecordingTable();
    RecordingTable(RecordingTable&&) noexcept;
    RecordingTable& operator=(RecordingTable&&) noexcept;

    std::size_t rowCount() const { return lineCount_ + (stoppedOnLine_ ? 1 : 2); }
    // Rows that hold a line (the title row included).
    std::size_t lineCount() const { return lineCount_; }
    // The fields of a row's line; nothing outside the lines held, or when its bytes cannot be
    // read any more (a file that shrank or went away since it was loaded).
    bool line(std::size_t row, ShownLine& out) const;
    std::size_t fieldCount(std::size_t row) const;
    // The text of a cell; empty outside the lines and fields held.
    std::string cell(std::size_t row, std::size_t column) const;

    // Lets go of the file the lines are read from (rows read from it are then empty); lines
    // held in memory stay.
    void closeFile();

private:
    friend class RecordingParser;

    // The bytes of the line beginning at `offset`, without its end, and where the next begins.
    std::string_view lineAt(std::uint64_t offset, std::uint64_t& next) const;

    std::shared_ptr<Bytes> bytes_;
    bool windows1252_ = false;
    std::vector<std::uint64_t> checkpoints_; // where lines 0, 16, 32, ... begin
    std::size_t lineCount_ = 0;
    bool stoppedOnLine_ = false;
    // The line last read, so that rows asked for in order are found without a search.
    mutable std::size_t lastRow_ = 0;
    mutable std::uint64_t lastNext_ = 0;
    mutable bool haveLast_ = false;
};

// One data line of a recording: its date-time and the nineteen channel values.
struct ChannelRecord {
    double time = 0; // days since 30.12.1899
    ChannelValues values{};
};

// The data lines of a recording as columns: per record its date-time (days since 30.12.1899)
// and per channel its values, in the channels' order.
struct RecordingColumns {
    std::vector<double> times;
    std::array<std::vector<float>, kChannelCount> values;

    std::size_t size() const { return times.size(); }
    bool empty() const { return times.empty(); }
    ChannelRecord operator[](std::size_t record) const;
    void reserve(std::size_t records);
};

// A diagram's records as its trend shows them, without copying them: the date-time column and
// the columns of the channels in its slots.
TrendColumns diagramColumns(const std::shared_ptr<const RecordingColumns>& records, int diagram);

struct RecordingLoad {
    RecordingTable table;
    RecordingColumns records;
    // Why the loading stopped early, for the user; the lines and records read until then stay.
    std::optional<std::string> error;
    // The loading was stopped before the end of the file (LoadProgress said so); the lines and
    // records read until then stay.
    bool stopped = false;
};

// What a loading reports while it runs, from the thread it runs on, about every megabyte.
class LoadProgress {
public:
    virtual ~LoadProgress() = default;
    // `done` of `total` bytes are read; false stops the loading.
    virtual bool keepGoing(std::uint64_t done, std::uint64_t total) = 0;
};

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
RecordingLoad loadRecording(std::string_view bytes, DateTimePatterns& patterns, int currentYear,
                            LoadProgress* progress = nullptr);

// The same for a file, read once; a file that cannot be read gives an empty table and the
// reason. Only a regular file is read (a FIFO, a folder or a device is refused at once), and a
// file whose records do not fit into the memory left is refused too. A file of up to 16 MB is
// read whole and its table keeps its bytes; the table of a larger one reads its rows from the
// file again as they are shown.
RecordingLoad loadRecordingFile(const std::string& path, DateTimePatterns& patterns,
                                int currentYear, LoadProgress* progress = nullptr);

} // namespace kesto
