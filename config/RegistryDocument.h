#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

// The program's key below the per-user root; its direct subkeys are the settings sections.
inline constexpr std::string_view kRegistryRoot = "HKEY_CURRENT_USER";
inline constexpr std::string_view kProgramKey = "Software\\Pellum\\KESTO22";

enum class RegistryValueType {
    String, // REG_SZ: "Name"="text"
    Dword,  // REG_DWORD: "Name"=dword:0000000c
    Other,  // any other type (hex:, hex(2):, a deletion "-"): kept as it stands, never read
};

struct RegistryValue {
    RegistryValueType type = RegistryValueType::String;
    std::string text;         // String: the text, UTF-8
    std::uint32_t number = 0; // Dword
    // Other: the data after "=" as it stands in the file, one entry per line (continued lines
    // of hex data included).
    std::vector<std::string> raw;

    static RegistryValue string(std::string text) {
        return {RegistryValueType::String, std::move(text), 0, {}};
    }
    static RegistryValue dword(std::uint32_t number) {
        return {RegistryValueType::Dword, {}, number, {}};
    }
    bool operator==(const RegistryValue&) const = default;
};

// A registry file in REGEDIT4 text form: the header, then keys in brackets, each followed by its
// values. The file can hold any keys; the program reads and writes only the values of its own
// key's direct subkeys ("sections"). Everything else (other keys, deeper subkeys, values of
// other types, comments, lines it cannot read) is kept in its place and written back as it
// stood, so a hand-edited or imported file loses nothing.
//
// Reading follows what importing the file into a registry would give: key paths and value
// names compare without regard to letter case, a key that appears twice is one key, and a value
// that appears twice takes its later data (in the place of its first line).
struct RegistryParseResult;

class RegistryDocument {
public:
    // Accepts the headers "REGEDIT4" and "Windows Registry Editor Version 5.00", in
    // Windows-1252, UTF-8 or UTF-16 with byte-order mark. A file without such a header, or with
    // control characters other than tab and line ends (binary data), is refused.
    static RegistryParseResult parse(std::string_view bytes);

    // The file text: "REGEDIT4", Windows-1252, CRLF line ends, a blank line after each key.
    // Characters Windows-1252 cannot hold are written as '?'; line breaks and other control
    // characters inside a text are written as blanks (a REGEDIT4 text cannot hold them).
    std::string serialize() const;

    // The value `name` of `section` ("" for the key itself), or null.
    const RegistryValue* find(std::string_view section, std::string_view name) const;
    // Sets a value, creating its section (and the program's key) when needed. Returns false when
    // the value already held exactly this.
    bool set(std::string_view section, std::string_view name, const RegistryValue& value);

    bool hasSection(std::string_view section) const;
    // The program's sections in file order, and the value names of one, as they are spelled.
    std::vector<std::string> sections() const;
    std::vector<std::string> valueNames(std::string_view section) const;

private:
    struct Line {
        bool isValue = false;
        bool isDefaultValue = false; // the key's unnamed value, written "@"
        std::string name;
        RegistryValue value;
        std::string kept; // a line that is no value (a comment, an unreadable line), as read
    };
    struct Key {
        std::string header;            // the path as written between the brackets
        std::vector<std::string> path; // its components, empty ones dropped
        std::vector<Line> lines;
        // Worked out once from the path: the program's key itself, one of its sections, or
        // another key.
        enum class Role { Other, ProgramKey, Section } role = Role::Other;
    };

    static Key makeKey(std::string header, std::vector<std::string> path);

    const Key* findSection(std::string_view section) const;
    static std::vector<std::string> sectionPath(std::string_view section);

    std::vector<std::string> preamble_; // lines between the header and the first key
    std::vector<Key> keys_;
};

struct RegistryParseResult {
    std::optional<RegistryDocument> document;
    std::string error; // why the bytes are not a registry file, when document is empty
};

} // namespace kesto
