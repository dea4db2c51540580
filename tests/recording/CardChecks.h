#pragma once

// Checks of a memory-card conversion for any card file: used by the random-input test and the
// fuzz target alike. The expectations are worked out here from the bytes, independently of the
// converter's own line and field cutting.

#include "MemoryCardFiles.h"
#include "recording/CardConversion.h"
#include "recording/RecordingText.h"

#include <string>
#include <string_view>
#include <vector>

namespace kesto::test {

// Lines of a card: LF, CR LF and a lone CR end a line; a last line needs no end.
inline std::vector<std::string> cardLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::string current;
    bool open = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\n' || c == '\r') {
            lines.push_back(current);
            current.clear();
            open = false;
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
            }
        } else {
            current.push_back(c);
            open = true;
        }
    }
    if (open) {
        lines.push_back(current);
    }
    return lines;
}

// The 81 fields of a card line: what stands before each of its first 81 commas.
inline std::vector<std::string> cardFields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t i = 0; i < line.size() && fields.size() < 81; ++i) {
        if (line[i] == ',') {
            fields.push_back(line.substr(start, i - start));
            start = i + 1;
        }
    }
    fields.resize(81);
    return fields;
}

inline bool isNumberText(const std::string& text) {
    return FieldNumber(text).has_value() || text == "INF" || text == "-INF" || text == "NAN";
}

struct CountedProgress final : CardProgress {
    std::size_t counted = 0;
    std::size_t started = 0;
    std::size_t converting = 0;
    std::size_t lineCount = 0;
    void countingLines(std::size_t) override { ++counted; }
    void conversionStarts(std::size_t lines) override {
        ++started;
        lineCount = lines;
    }
    void convertingLines(std::size_t, std::size_t) override { ++converting; }
};

// Converts `card` in memory, read in pieces of `piece` bytes. Empty when every check holds,
// else what failed.
inline std::string checkCardConversion(std::string_view card, std::size_t piece) {
    MemoryCardFiles files;
    files.readPiece = piece == 0 ? 1 : piece;
    files.files.files["card"] = std::string(card);
    CountedProgress progress;
    if (const auto error = ConvertMmcFile("card", "MMC.CSV", files, progress)) {
        return "conversion failed: " + *error;
    }
    const std::string& out = files.files.files["MMC.CSV"];
    if (files.files.files.size() != 2) {
        return "a file other than the source and the target is left";
    }

    MemoryCardFiles wholeReads;
    wholeReads.readPiece = 1 << 20;
    wholeReads.files.files["card"] = std::string(card);
    NoCardProgress none;
    ConvertMmcFile("card", "MMC.CSV", wholeReads, none);
    if (wholeReads.files.files["MMC.CSV"] != out) {
        return "the output depends on how the source is read";
    }

    const std::vector<std::string> in = cardLines(card);
    if (progress.started != 1 || progress.lineCount != in.size()) {
        return "the line count reported is not the source's";
    }
    const std::size_t dataLines = in.size() > 2 ? in.size() - 2 : 0;
    if (progress.converting != dataLines / kCardProgressLines ||
        progress.counted != (in.size() + kCardProgressLines - 1) / kCardProgressLines) {
        return "progress not reported every 100 lines";
    }

    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < out.size()) {
        const std::size_t end = out.find("\r\n", start);
        if (end == std::string::npos) {
            return "the output does not end with CR LF";
        }
        lines.push_back(out.substr(start, end - start));
        start = end + 2;
    }
    if (lines.size() != dataLines + 1) {
        return "not one output line per card data line";
    }
    if (lines[0].rfind("dd.MM.yyyy,hh:mm:ss,O2[%],CO2[%],TGas[\xB0"
                       "C]",
                       0) != 0 ||
        SplitFields(lines[0], ',').size() != 21) {
        return "header is not 21 titles: " + lines[0];
    }
    // Output column (from 1) -> card field, for the columns copied as they stand.
    static constexpr std::pair<int, int> kCopied[] = {
        {1, 0},  {2, 1},  {3, 2},  {4, 15},  {5, 12},  {6, 13},  {7, 16},  {8, 18},
        {11, 4}, {12, 5}, {14, 6}, {16, 42}, {18, 14}, {19, 46}, {20, 53}, {21, 55}};
    for (std::size_t k = 1; k < lines.size(); ++k) {
        const std::string& line = lines[k];
        if (line.find_first_of("\r\n") != std::string::npos) {
            return "a line end inside a data line";
        }
        const TStrArray columns = SplitFields(line, ',');
        if (columns.size() != 41) {
            return "data line without 41 fields: " + line;
        }
        for (std::size_t c = 21; c < 41; ++c) {
            if (!columns[c].empty()) {
                return "a field after column 21 is not empty";
            }
        }
        const std::vector<std::string> fields = cardFields(in[k + 1]);
        for (const auto& [column, field] : kCopied) {
            if (columns[static_cast<std::size_t>(column - 1)] !=
                fields[static_cast<std::size_t>(field)]) {
                return "column " + std::to_string(column) + " is not card field " +
                       std::to_string(field) + ": " + line;
            }
        }
        for (const int column : {10, 13, 15, 17}) {
            if (!isNumberText(columns[static_cast<std::size_t>(column - 1)])) {
                return "computed column " + std::to_string(column) + " is not a number: " + line;
            }
        }
        const bool corrected =
            TextToFloatOrZero(fields[27]) != 0 && TextToFloatOrZero(fields[2]) != 21;
        if (corrected ? !isNumberText(columns[8]) : columns[8] != fields[3]) {
            return "column 9 neither the card's CO nor a corrected number: " + line;
        }
    }
    return {};
}

} // namespace kesto::test
