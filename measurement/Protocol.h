#pragma once

#include "config/Language.h"
#include "measurement/Measurement.h"
#include "platform/LineAppender.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

// The protocol: every measurement that ends, one line each, appended to a CSV file in the
// recording's conventions (Windows-1252, CR LF, "," between fields, "." as decimal point). A
// new file begins with a header line that names each column with its unit.

inline constexpr std::string_view kProtocolFileName = "protocol.csv";

// The protocol file in the program's data folder.
std::string defaultProtocolFile();

struct ProtocolColumn {
    std::string title;
    std::string value;
};

// Every column of the protocol, in order: date, start and end time, readings, seconds per
// reading, complete (1) or not (0), customer, site, appliance, technician, then each channel's
// mean, minimum and maximum (empty without a value). The one place the columns are listed.
std::vector<ProtocolColumn> protocolColumns(const MeasurementResult& result,
                                            const LanguageTexts& texts);

// The header line and the measurement's line, each as the file holds it (Windows-1252, CR LF).
// A text that holds a ",", a quote or a line break is quoted, its quotes doubled, so that the
// technician's notes never shift a column.
std::string protocolHeaderLine(const MeasurementResult& result, const LanguageTexts& texts);
std::string protocolLine(const MeasurementResult& result, const LanguageTexts& texts);

// Appends the measurement's line to `path`, the header line first when the file is new or
// empty; all of it or nothing, flushed to the disk. Returns the reason when it fails.
std::optional<std::string> appendToProtocol(LineAppender& files, const std::string& path,
                                            const MeasurementResult& result,
                                            const LanguageTexts& texts);

} // namespace kesto
