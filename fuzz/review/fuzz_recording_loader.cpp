// Arbitrary bytes as a recording file through the viewer's loader. Byte 0 picks the time
// pattern (24-hour or 12-hour with markers) and the current year; the rest is the file.
// Checks the invariants the viewer's table and trends rely on.

#include "review/RecordingLoader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    kesto::DateTimePatterns patterns;
    if ((data[0] & 1) != 0) {
        patterns.longTime = "h:mm:ss AMPM";
    }
    if ((data[0] & 2) != 0) {
        patterns.timeSeparator = '.';
    }
    const int year = 1990 + (data[0] >> 2);
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const kesto::RecordingLoad r = kesto::loadRecording(bytes, patterns, year);

    const kesto::RecordingTable& t = r.table;
    check(t.rowCount() == t.lineCount() + (r.error ? 1 : 2), "row count");
    check(r.records.size() + 1 <= std::max<std::size_t>(t.lineCount(), 1), "records and lines");
    for (std::size_t row = 0; row < t.lineCount(); ++row) {
        check(t.fieldCount(row) <= kesto::RecordingTable::kColumns, "more than 21 columns");
        for (std::size_t c = 0; c < t.fieldCount(row); ++c) {
            check(!t.cell(row, c).empty(), "empty cell");
        }
    }
    for (std::size_t i = 0; i < r.records.size(); ++i) {
        const kesto::ChannelRecord rec = r.records[i];
        check(std::isfinite(rec.time), "date-time not finite");
        for (float v : rec.values) {
            check(std::isfinite(v), "value not finite");
        }
    }
    check(patterns.shortDate == "dd.mm.yyyy" && patterns.dateSeparator == '.', "date pattern");
    return 0;
}
