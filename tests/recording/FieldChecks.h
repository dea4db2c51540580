#pragma once

// Checks of the field splitting, the number-or-text rule and the cell records of a row, for any
// line: used by the random-input test and the fuzz target alike.

#include "BiffReader.h"
#include "recording/RecordingText.h"
#include "recording/XlsWriter.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <regex>
#include <string>
#include <string_view>

namespace kesto::test {

// The number rule written as a pattern, as a second opinion on FieldNumber.
inline bool looksLikeNumber(const std::string& field) {
    static const std::regex pattern(R"( *[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?)");
    return std::regex_match(field, pattern);
}

// Empty when every check holds, else what failed.
inline std::string checkFieldLine(std::string_view line) {
    const TStrArray fields = SplitFields(line, ',');
    std::string joined;
    std::size_t commas = 0;
    for (const char c : line) {
        commas += c == ',' ? 1 : 0;
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        joined += (i > 0 ? "," : "") + fields[i];
    }
    if (joined != line || fields.size() != commas + 1) {
        return "fields do not give the line back";
    }
    for (const std::string& field : fields) {
        const auto number = FieldNumber(field);
        if (number && !std::isfinite(*number)) {
            return "a number that is not finite: " + field;
        }
        if (field.size() <= 200) {
            const bool pattern = looksLikeNumber(field);
            if (number.has_value() && !pattern) {
                return "a number that breaks the rule: " + field;
            }
            if (pattern) {
                // strtod in the C locale is the reference; only overflow is not a number.
                const char* saved = std::setlocale(LC_NUMERIC, nullptr);
                const std::string locale = saved != nullptr ? saved : "C";
                std::setlocale(LC_NUMERIC, "C");
                const double reference = std::strtod(field.c_str(), nullptr);
                std::setlocale(LC_NUMERIC, locale.c_str());
                if (std::isinf(reference) ? number.has_value()
                                          : (!number || *number != reference)) {
                    return "a number read wrongly: " + field;
                }
            }
        }
        if (TextToFloatOrZero(field) != number.value_or(0.0)) {
            return "TextToFloatOrZero differs: " + field;
        }
    }
    const BiffSheet sheet = readBiff(XlsWriteBof() + XlsRowRecords(3, line) + XlsWriteEof());
    if (!sheet.valid || sheet.trailing || sheet.records != fields.size()) {
        return "row records unreadable: " + sheet.error;
    }
    for (std::size_t i = 0; i < fields.size() && i < 65536; ++i) {
        const auto it = sheet.cells.find({3, static_cast<int>(i)});
        if (it == sheet.cells.end()) {
            return "a cell is missing";
        }
        const auto number = FieldNumber(fields[i]);
        if (number) {
            const auto* value = std::get_if<double>(&it->second);
            if (value == nullptr ||
                std::bit_cast<std::uint64_t>(*value) != std::bit_cast<std::uint64_t>(*number)) {
                return "a number cell holds another value: " + fields[i];
            }
        } else {
            const auto* text = std::get_if<std::string>(&it->second);
            if (text == nullptr || *text != fields[i].substr(0, kXlsMaxLabelBytes)) {
                return "a text cell holds another text: " + fields[i];
            }
        }
    }
    return {};
}

} // namespace kesto::test
