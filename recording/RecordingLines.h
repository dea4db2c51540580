#pragma once

#include "acquisition/DerivedValues.h"
#include "acquisition/LiveValues.h"

#include <optional>
#include <string>
#include <string_view>

namespace kesto {

// The lines of a recording: 21 fields, the date, the time and the nineteen channels in their
// key order, joined by the recording separator. Texts are UTF-8 here; the writers store them in
// Windows-1252.

// The column title of a channel: its name label's text, and for CO (ppm) and the four mass
// concentrations, when their reference-oxygen entry is ticked, "/", the entry's text without
// surrounding blanks and "%O2". `withCoSuffix` false leaves CO (ppm) without it.
std::string channelTitle(const LiveDisplay& display, const ReferenceSettings& references,
                         Channel channel, bool withCoSuffix);

// CSV header: "dd.mm.yyyy", the long time pattern, the nineteen channel titles; then every
// blank of the line removed.
std::string csvHeaderLine(const LiveDisplay& display, const ReferenceSettings& references,
                          std::string_view longTimePattern, std::string_view separator);

// CSV data line: the date text, the time text without blanks, the nineteen values with the
// "," of a thousands grouping left out (as in the XLS row).
std::string csvDataLine(const LiveDisplay& display, bool tgasDecimals, std::string_view dateText,
                        std::string_view timeText, std::string_view separator);

// XLS header row: the short date pattern, the long time pattern, the nineteen titles (no
// suffix on CO in ppm); every blank of the line removed.
std::string xlsHeaderLine(const LiveDisplay& display, const ReferenceSettings& references,
                          std::string_view shortDatePattern, std::string_view longTimePattern,
                          std::string_view separator);

// XLS data row: the date text in lower case, the time text with its blanks, the nineteen
// values. A "," that a display format's thousands grouping puts into a value is left out, so
// the value stays one number cell ("1,234" is the number 1234) instead of splitting the row.
std::string xlsDataLine(const LiveDisplay& display, bool tgasDecimals, std::string_view dateText,
                        std::string_view timeText, std::string_view separator);

} // namespace kesto
