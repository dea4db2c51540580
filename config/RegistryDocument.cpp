#include "config/RegistryDocument.h"

#include "config/Encoding.h"
#include "config/IniFile.h"

#include <cstdio>

namespace kesto {

namespace {

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", pos);
        const std::size_t lineEnd = end == std::string::npos ? text.size() : end;
        lines.emplace_back(text, pos, lineEnd - pos);
        pos = lineEnd;
        if (pos < text.size() && text[pos] == '\r') {
            ++pos;
        }
        if (pos < text.size() && text[pos] == '\n') {
            ++pos;
        }
    }
    return lines;
}

std::vector<std::string> splitPath(std::string_view path) {
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        const std::size_t end = std::min(path.find('\\', pos), path.size());
        const std::string_view part = trimBlanks(path.substr(pos, end - pos));
        if (!part.empty()) {
            parts.emplace_back(part);
        }
        pos = end + 1;
    }
    return parts;
}

bool sameRoot(std::string_view a, std::string_view b) {
    const auto canonical = [](std::string_view root) {
        return equalsIgnoringCase(root, "HKCU") ? kRegistryRoot : root;
    };
    return equalsIgnoringCase(canonical(a), canonical(b));
}

bool samePath(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (i == 0 ? !sameRoot(a[i], b[i]) : !equalsIgnoringCase(a[i], b[i])) {
            return false;
        }
    }
    return true;
}

// A quoted text starting at text[pos] == '"': "\\" and "\"" are escapes; any other backslash
// stands for itself. Sets pos after the closing quote; nullopt when the quote is not closed.
std::optional<std::string> readQuoted(std::string_view text, std::size_t& pos) {
    std::string out;
    for (std::size_t i = pos + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            pos = i + 1;
            return out;
        }
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
            out.push_back(text[++i]);
        } else {
            out.push_back(c);
        }
    }
    return std::nullopt;
}

std::string quoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            out.push_back('\\');
            out.push_back(c);
        } else if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
            out.push_back(' ');
        } else {
            out.push_back(c);
        }
    }
    out.push_back('"');
    return out;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// After the data of a text or dword value only blanks or a ';' comment may follow.
bool onlyCommentLeft(std::string_view rest) {
    rest = trimBlanks(rest);
    return rest.empty() || rest.front() == ';';
}

std::optional<RegistryValue> readTypedData(std::string_view data) {
    if (!data.empty() && data.front() == '"') {
        std::size_t pos = 0;
        auto text = readQuoted(data, pos);
        if (text && onlyCommentLeft(data.substr(pos))) {
            return RegistryValue::string(std::move(*text));
        }
        return std::nullopt;
    }
    if (data.size() > 6 && equalsIgnoringCase(data.substr(0, 6), "dword:")) {
        std::size_t end = 6;
        while (end < data.size() && isHexDigit(data[end])) {
            ++end;
        }
        const std::size_t digits = end - 6;
        if (digits >= 1 && digits <= 8 && onlyCommentLeft(data.substr(end))) {
            return RegistryValue::dword(static_cast<std::uint32_t>(
                std::stoul(std::string(data.substr(6, digits)), nullptr, 16)));
        }
    }
    return std::nullopt;
}

const std::vector<std::string>& programKeyPath() {
    static const std::vector<std::string> path = [] {
        std::vector<std::string> p{std::string(kRegistryRoot)};
        for (auto& part : splitPath(kProgramKey)) {
            p.push_back(std::move(part));
        }
        return p;
    }();
    return path;
}

// Whether a key path is the program's key ("" as section) or one of its direct subkeys.
bool isSectionPath(const std::vector<std::string>& path, std::string_view section) {
    const auto& root = programKeyPath();
    if (path.size() != root.size() + (section.empty() ? 0 : 1)) {
        return false;
    }
    for (std::size_t i = 0; i < root.size(); ++i) {
        if (i == 0 ? !sameRoot(path[i], root[i]) : !equalsIgnoringCase(path[i], root[i])) {
            return false;
        }
    }
    return section.empty() || equalsIgnoringCase(path.back(), section);
}

} // namespace

RegistryParseResult RegistryDocument::parse(std::string_view bytes) {
    const std::string text = decodeFileText(bytes);
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 && c != '\t' && c != '\r' && c != '\n') {
            return {std::nullopt, "it holds binary data"};
        }
    }
    const std::vector<std::string> lines = splitLines(text);
    std::size_t i = 0;
    while (i < lines.size() && trimBlanks(lines[i]).empty()) {
        ++i;
    }
    if (i == lines.size()) {
        return {std::nullopt, "it is empty"};
    }
    const std::string_view header = trimBlanks(lines[i]);
    if (!equalsIgnoringCase(header, "REGEDIT4") &&
        !equalsIgnoringCase(header, "Windows Registry Editor Version 5.00")) {
        return {std::nullopt, "it does not start with REGEDIT4"};
    }
    ++i;

    RegistryDocument doc;
    constexpr std::size_t kNoKey = static_cast<std::size_t>(-1);
    std::size_t current = kNoKey;
    const auto keep = [&](const std::string& line) {
        if (current == kNoKey) {
            doc.preamble_.push_back(line);
        } else {
            doc.keys_[current].lines.push_back(Line{false, false, {}, {}, line});
        }
    };

    while (i < lines.size()) {
        const std::string& line = lines[i++];
        const std::string_view t = trimBlanks(line);
        if (t.empty()) {
            continue;
        }
        if (t.front() == ';') {
            keep(line);
            continue;
        }
        if (t.front() == '[') {
            const std::size_t close = t.rfind(']');
            if (close == std::string_view::npos || close == 0) {
                keep(line);
                continue;
            }
            const std::string keyHeader(trimBlanks(t.substr(1, close - 1)));
            const std::vector<std::string> path = splitPath(keyHeader);
            current = kNoKey;
            for (std::size_t k = 0; k < doc.keys_.size(); ++k) {
                if (samePath(doc.keys_[k].path, path)) {
                    current = k;
                }
            }
            if (current == kNoKey) {
                doc.keys_.push_back(makeKey(keyHeader, path));
                current = doc.keys_.size() - 1;
            }
            continue;
        }
        if (current == kNoKey) {
            keep(line);
            continue;
        }

        Line value;
        value.isValue = true;
        std::size_t pos = 0;
        if (t.front() == '@') {
            value.isDefaultValue = true;
            pos = 1;
        } else if (t.front() == '"') {
            auto name = readQuoted(t, pos);
            if (!name) {
                keep(line);
                continue;
            }
            value.name = std::move(*name);
        } else {
            keep(line);
            continue;
        }
        const std::string_view rest = trimBlanks(t.substr(pos));
        if (rest.empty() || rest.front() != '=') {
            keep(line);
            continue;
        }
        const std::string_view data = trimBlanks(rest.substr(1));
        if (auto typed = readTypedData(data)) {
            value.value = std::move(*typed);
        } else {
            // Another type: kept as written, with the lines its data continues on ("\" at the
            // end of a line continues the data on the next).
            value.value.type = RegistryValueType::Other;
            value.value.raw.emplace_back(data);
            while (trimBlanks(value.value.raw.back()).ends_with('\\') && i < lines.size()) {
                const std::string_view next = trimBlanks(lines[i]);
                if (next.empty() || next.front() == '[') {
                    break;
                }
                value.value.raw.push_back(lines[i++]);
            }
        }

        auto& keyLines = doc.keys_[current].lines;
        bool replaced = false;
        for (auto& existing : keyLines) {
            if (existing.isValue && existing.isDefaultValue == value.isDefaultValue &&
                equalsIgnoringCase(existing.name, value.name)) {
                existing.value = value.value; // a later line wins, as on import
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            keyLines.push_back(std::move(value));
        }
    }
    return {std::move(doc), {}};
}

std::string RegistryDocument::serialize() const {
    std::string out = "REGEDIT4\r\n\r\n";
    for (const auto& line : preamble_) {
        out += line + "\r\n";
    }
    if (!preamble_.empty()) {
        out += "\r\n";
    }
    for (const auto& key : keys_) {
        out += "[" + key.header + "]\r\n";
        for (const auto& line : key.lines) {
            if (!line.isValue) {
                out += line.kept + "\r\n";
                continue;
            }
            out += line.isDefaultValue ? std::string("@") : quoted(line.name);
            out += '=';
            switch (line.value.type) {
            case RegistryValueType::String:
                out += quoted(line.value.text);
                break;
            case RegistryValueType::Dword: {
                char digits[16];
                std::snprintf(digits, sizeof digits, "dword:%08x",
                              static_cast<unsigned>(line.value.number));
                out += digits;
                break;
            }
            case RegistryValueType::Other:
                for (std::size_t k = 0; k < line.value.raw.size(); ++k) {
                    out += (k == 0 ? "" : "\r\n") + line.value.raw[k];
                }
                break;
            }
            out += "\r\n";
        }
        out += "\r\n";
    }
    return utf8ToWindows1252(out);
}

std::vector<std::string> RegistryDocument::sectionPath(std::string_view section) {
    std::vector<std::string> path = programKeyPath();
    if (!section.empty()) {
        path.emplace_back(section);
    }
    return path;
}

RegistryDocument::Key RegistryDocument::makeKey(std::string header, std::vector<std::string> path) {
    Key key{std::move(header), std::move(path), {}};
    if (isSectionPath(key.path, "")) {
        key.role = Key::Role::ProgramKey;
    } else if (!key.path.empty() && isSectionPath(key.path, key.path.back())) {
        key.role = Key::Role::Section;
    }
    return key;
}

const RegistryDocument::Key* RegistryDocument::findSection(std::string_view section) const {
    for (const auto& key : keys_) {
        if (section.empty()
                ? key.role == Key::Role::ProgramKey
                : key.role == Key::Role::Section && equalsIgnoringCase(key.path.back(), section)) {
            return &key;
        }
    }
    return nullptr;
}

const RegistryValue* RegistryDocument::find(std::string_view section, std::string_view name) const {
    const Key* key = findSection(section);
    if (key == nullptr) {
        return nullptr;
    }
    for (const auto& line : key->lines) {
        if (line.isValue && !line.isDefaultValue && equalsIgnoringCase(line.name, name)) {
            return &line.value;
        }
    }
    return nullptr;
}

bool RegistryDocument::set(std::string_view section, std::string_view name,
                           const RegistryValue& value) {
    Key* key = const_cast<Key*>(findSection(section));
    if (key == nullptr) {
        const std::vector<std::string> path = sectionPath(section);
        if (!section.empty() && findSection("") == nullptr) {
            keys_.push_back(makeKey(std::string(kRegistryRoot) + "\\" + std::string(kProgramKey),
                                    sectionPath("")));
        }
        std::string header = std::string(kRegistryRoot) + "\\" + std::string(kProgramKey);
        if (!section.empty()) {
            header += "\\" + std::string(section);
        }
        keys_.push_back(makeKey(header, path));
        key = &keys_.back();
    }
    for (auto& line : key->lines) {
        if (line.isValue && !line.isDefaultValue && equalsIgnoringCase(line.name, name)) {
            if (line.value == value) {
                return false;
            }
            line.value = value;
            return true;
        }
    }
    key->lines.push_back(Line{true, false, std::string(name), value, {}});
    return true;
}

bool RegistryDocument::hasSection(std::string_view section) const {
    return findSection(section) != nullptr;
}

std::vector<std::string> RegistryDocument::sections() const {
    std::vector<std::string> names;
    for (const auto& key : keys_) {
        if (key.role == Key::Role::Section) {
            names.push_back(key.path.back());
        }
    }
    return names;
}

std::vector<std::string> RegistryDocument::valueNames(std::string_view section) const {
    std::vector<std::string> names;
    if (const Key* key = findSection(section)) {
        for (const auto& line : key->lines) {
            if (line.isValue && !line.isDefaultValue) {
                names.push_back(line.name);
            }
        }
    }
    return names;
}

} // namespace kesto
