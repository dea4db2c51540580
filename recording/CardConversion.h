#pragma once

// The analyzer's memory-card file converted into the columns of a recording ("MMC.CSV"), with
// the mass concentrations computed anew and the card's reference-oxygen correction applied.
// The window and the console converter run the same code and write the same bytes.

#include "platform/CardFiles.h"

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kesto {

// Fields kept of a card line; the conversion uses the first 56 of them.
inline constexpr std::size_t kCardFieldsKept = 81;
// Progress is reported every this many lines.
inline constexpr std::size_t kCardProgressLines = 100;
// The card's first two lines are headers.
inline constexpr std::size_t kCardHeaderLines = 2;

// The fields of one card line. Each comma ends a field; the text after the last comma of a
// line is not a field. Fields after the 81st are skipped unread (the conversion needs none of
// them), and fields a line does not have are empty.
struct CardFields {
    std::array<std::string_view, kCardFieldsKept> fields{};
    std::size_t count = 0; // fields the line has, at most 81

    std::string_view operator[](std::size_t i) const { return fields[i]; }
};

CardFields cutCardFields(std::string_view line);

// The reference suffix of the channel titles: "/", field 27 as the card writes it and "%O2Ref"
// when that field's number is not 0; otherwise empty.
std::string cardReferenceSuffix(const CardFields& firstDataLine);

// The title line of the converted file, without its line end. The degree sign is the single
// byte 0xB0 (Windows-1252).
std::string cardHeaderLine(std::string_view referenceSuffix);

// Appends the converted data line of one card line, without its line end: 21 columns and 20
// empty fields. Date, time and measured values are the card's texts unchanged; the mass
// concentrations are computed (CO x 1.25, (NO + NO2) x 2.056, SO2 x 2.92, CxHy x 2.01) and
// written in the shortest general form of up to 15 significant digits. When the line's
// reference O2 (field 27) is a number other than 0 and its O2 (field 2) is not exactly 21, CO in
// ppm and the four mass concentrations are corrected: v x (21 - reference) / (21 - O2), a mass
// concentration from its value as written (its text read back).
void appendCardDataLine(std::string& out, const CardFields& line);

// "Reading CSV file line 200"
std::string readingCardText(std::size_t line);
// "Converting 200 of 1002"
std::string convertingCardText(std::size_t converted, std::size_t lineCount);

// What a conversion reports while it runs, every 100 lines: the progress window, or the
// console converter on a terminal.
class CardProgress {
public:
    virtual ~CardProgress() = default;
    // Counting the source's lines: `linesCounted` is 0, 100, 200, ... and another line follows.
    virtual void countingLines(std::size_t linesCounted) = 0;
    // The source holds `lineCount` lines, its two header lines included; converting starts.
    virtual void conversionStarts(std::size_t lineCount) = 0;
    // `converted` data lines (100, 200, ...) of the `lineCount` lines are being converted.
    virtual void convertingLines(std::size_t converted, std::size_t lineCount) = 0;
};

// Reports nothing.
class NoCardProgress final : public CardProgress {
public:
    void countingLines(std::size_t) override {}
    void conversionStarts(std::size_t) override {}
    void convertingLines(std::size_t, std::size_t) override {}
};

// The lines of a card file. A line ends at LF, at CR LF or at a lone CR; the last line needs
// no end, and an empty end of the file after the last line end is no line. A line is held
// whole in memory.
class CardLineReader {
public:
    explicit CardLineReader(CardSourceFile& file, std::size_t chunkSize = 1 << 16);

    // The next line without its end, valid until the next call; nothing at the end of the file
    // or when reading failed (then `error()` says why).
    std::optional<std::string_view> next();
    const FileError& error() const { return error_; }
    // Starts over from the first line; rewinds the file.
    FileError restart();

private:
    bool fill();

    CardSourceFile& file_;
    std::string buffer_;
    std::size_t begin_ = 0;   // first byte not yet returned
    std::size_t end_ = 0;     // end of the bytes read
    std::size_t scanned_ = 0; // bytes after begin_ known to hold no line end
    bool atEnd_ = false;
    FileError error_;
};

// One conversion of a card file `source` into `target`, done in steps so that the window can
// keep painting and acquiring in between: each step() runs up to the next progress report
// (100 lines) and returns whether work is left.
//
// The source is read twice: once to count its lines, once to convert them. The converted lines
// go to a file beside the target, which takes the target's place only when it is complete and
// flushed to the disk; a device as target is written to directly. When a step fails (the
// source cannot be opened or read, the file cannot be created, written or put in place) the
// conversion ends: both files are closed, the partial file is removed and `error()` names the
// file and the reason. Destroying an unfinished conversion abandons it in the same way, leaving
// the target as it was.
class CardConversion {
public:
    CardConversion(std::string source, std::string target, CardFileLayer& files,
                   CardProgress& progress);
    ~CardConversion();
    CardConversion(const CardConversion&) = delete;
    CardConversion& operator=(const CardConversion&) = delete;

    bool step();
    // Every step until the end.
    void run();

    bool finished() const { return phase_ == Phase::Done || phase_ == Phase::Failed; }
    bool succeeded() const { return phase_ == Phase::Done; }
    // What went wrong, naming the file: "Cannot write /home/anna/MMC.CSV: No space left on
    // device". Empty unless the conversion failed.
    const std::string& error() const { return error_; }

    // The source's lines, header lines included, once counted.
    std::size_t lineCount() const { return lineCount_; }
    std::size_t convertedLines() const { return converted_; }

private:
    enum class Phase { Start, Counting, Converting, Done, Failed };

    void begin();
    bool countStep();
    void startConverting();
    bool convertStep();
    void finish();
    void fail(std::string message);
    void abandon();
    bool flushOutput();
    bool convertLine(std::string_view line);

    std::string source_;
    std::string target_;
    std::string written_; // the part file, or the target itself when that is a device
    CardFileLayer& files_;
    CardProgress& progress_;
    std::unique_ptr<CardSourceFile> in_;
    std::unique_ptr<CardLineReader> lines_;
    std::unique_ptr<RecordingFile> out_;
    std::string pending_; // converted bytes not yet written
    std::uint64_t offset_ = 0;
    Phase phase_ = Phase::Start;
    std::size_t lineCount_ = 0;
    std::size_t converted_ = 0;
    std::string error_;
};

// ConvertMmcFile: the whole conversion at once. Nothing on success, else the error text.
std::optional<std::string> ConvertMmcFile(const std::string& source, const std::string& target,
                                          CardFileLayer& files, CardProgress& progress);

} // namespace kesto
