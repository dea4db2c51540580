#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

// A read-only INI text with the reading rules of Windows profile files: sections in brackets,
// key=value lines, section and key names compared without regard to letter case, blanks around
// keys and values dropped, one pair of matching quotes around a value dropped, lines starting
// with ';' ignored, CRLF, LF or CR line ends. Where a section name repeats, only its first
// section is read; where a key repeats within it, its first line counts.
class IniFile {
public:
    // The longest value text a read returns, in characters; longer values are cut.
    static constexpr std::size_t kMaxValueLength = 2047;

    // Parses file bytes: UTF-8 (with or without byte-order mark) or Windows-1252, see
    // decodeFileText. Never fails; what is not a section or key line is skipped.
    static IniFile parse(std::string_view bytes);

    // Reads a file; a missing or unreadable file gives an empty IniFile.
    static IniFile load(const std::string& path);

    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    std::string read(std::string_view section, std::string_view key,
                     const std::string& fallback) const {
        return value(section, key).value_or(fallback);
    }

    bool empty() const { return sections_.empty(); }

private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };
    std::vector<Section> sections_;
};

// ASCII case-insensitive comparison, as Windows compares section, key and value names.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

// The text without leading and trailing blanks and tabs.
std::string_view trimBlanks(std::string_view text);

} // namespace kesto
