#pragma once

// Reads back what the spreadsheet writer wrote, the way a spreadsheet program does: records from
// the start up to the first end record; what follows an end record is not read.

#include <bit>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace kesto::test {

using BiffCell = std::variant<double, std::string>; // NUMBER or LABEL (Windows-1252 bytes)

struct BiffSheet {
    bool valid = false;        // BOF first, every record complete, an end record reached
    std::string error;         // why not valid
    std::size_t endOffset = 0; // where the end record starts
    std::size_t records = 0;   // cell records read
    bool trailing = false;     // bytes follow the end record
    std::map<std::pair<int, int>, BiffCell> cells; // (row, column)

    int rowCount() const {
        int rows = 0;
        for (const auto& [at, cell] : cells) {
            rows = std::max(rows, at.first + 1);
        }
        return rows;
    }
};

inline std::uint16_t biff16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      (static_cast<unsigned char>(b[at + 1]) << 8));
}

inline BiffSheet readBiff(std::string_view bytes) {
    BiffSheet sheet;
    std::size_t at = 0;
    bool first = true;
    while (true) {
        if (at + 4 > bytes.size()) {
            sheet.error = "no end record";
            return sheet;
        }
        const std::uint16_t id = biff16(bytes, at);
        const std::uint16_t length = biff16(bytes, at + 2);
        if (first) {
            if (id != 0x0809 || length != 8 || at + 12 > bytes.size() ||
                biff16(bytes, 6) != 0x0010) {
                sheet.error = "no worksheet BOF";
                return sheet;
            }
            first = false;
            at += 12;
            continue;
        }
        if (id == 0x000A) {
            sheet.valid = true;
            sheet.endOffset = at;
            sheet.trailing = at + 4 != bytes.size();
            return sheet;
        }
        if (at + 4 + length > bytes.size()) {
            sheet.error = "record cut short";
            return sheet;
        }
        const std::string_view data = bytes.substr(at + 4, length);
        if (id == 0x0203 && length == 14) {
            std::uint64_t raw = 0;
            for (int i = 7; i >= 0; --i) {
                raw =
                    (raw << 8) | static_cast<unsigned char>(data[6 + static_cast<std::size_t>(i)]);
            }
            sheet.cells[{biff16(data, 0), biff16(data, 2)}] = std::bit_cast<double>(raw);
        } else if (id == 0x0204 && length >= 8 && biff16(data, 6) + 8u == length) {
            sheet.cells[{biff16(data, 0), biff16(data, 2)}] = std::string(data.substr(8));
        } else {
            sheet.error = "unexpected record " + std::to_string(id);
            return sheet;
        }
        ++sheet.records;
        at += 4 + length;
    }
}

} // namespace kesto::test
