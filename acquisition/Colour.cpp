#include "acquisition/Colour.h"

#include <cctype>
#include <charconv>
#include <cstdio>

namespace kesto {

const std::array<NamedColour, 16>& standardColours() {
    static const std::array<NamedColour, 16> colours{{
        {"clBlack", 0x000000},  {"clMaroon", 0x000080}, {"clGreen", 0x008000},
        {"clOlive", 0x008080},  {"clNavy", 0x800000},   {"clPurple", 0x800080},
        {"clTeal", 0x808000},   {"clGray", 0x808080},   {"clSilver", 0xC0C0C0},
        {"clRed", 0x0000FF},    {"clLime", 0x00FF00},   {"clYellow", 0x00FFFF},
        {"clBlue", 0xFF0000},   {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00},
        {"clWhite", 0xFFFFFF},
    }};
    return colours;
}

const std::array<NamedColour, 16>& colourTable() {
    static const std::array<NamedColour, 16> table{{
        {"clAqua", 0xFFFF00},   {"clBlack", 0x000000},  {"clBlue", 0xFF0000},
        {"clFuchsia", 0xFF00FF}, {"clGreen", 0x008000}, {"clLime", 0x00FF00},
        {"clSilver", 0xC0C0C0}, {"clMaroon", 0x000080}, {"clNavy", 0x800000},
        {"clOlive", 0x008080},  {"clPurple", 0x800080}, {"clRed", 0x0000FF},
        {"clSilver", 0xC0C0C0}, {"clTeal", 0x808000},   {"clWhite", 0xFFFFFF},
        {"clYellow", 0x00FFFF},
    }};
    return table;
}

std::string colourToText(Colour c) {
    for (const auto& named : standardColours()) {
        if (named.value == c) {
            return std::string(named.name);
        }
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(c));
    return buf;
}

namespace {
bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}
} // namespace

std::optional<Colour> colourFromText(std::string_view text) {
    for (const auto& named : standardColours()) {
        if (equalsIgnoreCase(named.name, text)) {
            return named.value;
        }
    }
    if (text.empty()) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    std::from_chars_result r{};
    const char* end = text.data() + text.size();
    if (text[0] == '$') {
        if (text.size() == 1 || text.size() > 9) {
            return std::nullopt;
        }
        r = std::from_chars(text.data() + 1, end, value, 16);
    } else {
        long long signedValue = 0;
        r = std::from_chars(text.data(), end, signedValue, 10);
        if (r.ec == std::errc{} && r.ptr == end &&
            (signedValue < -2147483648LL || signedValue > 4294967295LL)) {
            return std::nullopt;
        }
        value = static_cast<std::uint32_t>(signedValue);
    }
    if (r.ec != std::errc{} || r.ptr != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> colourTablePosition(Colour c) {
    std::optional<int> found;
    const auto& table = colourTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i].value == c) {
            found = static_cast<int>(i);
        }
    }
    return found;
}

} // namespace kesto
