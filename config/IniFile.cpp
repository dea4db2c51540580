#include "config/IniFile.h"

#include "config/Encoding.h"

#include <fstream>
#include <iterator>

namespace kesto {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto x = static_cast<unsigned char>(a[i]);
        auto y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<unsigned char>(x - 'A' + 'a');
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<unsigned char>(y - 'A' + 'a');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

std::string_view trimBlanks(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

namespace {

// Cuts a UTF-8 text after `count` characters.
std::string cutToCharacters(std::string text, std::size_t count) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (characters == count) {
                text.resize(i);
                return text;
            }
            ++characters;
        }
    }
    return text;
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

} // namespace

IniFile IniFile::parse(std::string_view bytes) {
    IniFile ini;
    const std::string text = decodeFileText(bytes);
    Section* current = nullptr; // the section lines are added to; null outside a section
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", pos);
        const std::size_t lineEnd = end == std::string::npos ? text.size() : end;
        const std::string_view line = trimBlanks(std::string_view(text).substr(pos, lineEnd - pos));
        pos = lineEnd;
        if (pos < text.size() && text[pos] == '\r') {
            ++pos;
        }
        if (pos < text.size() && text[pos] == '\n') {
            ++pos;
        }

        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            const std::string_view name = trimBlanks(
                line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
            current = nullptr;
            bool seen = false;
            for (const auto& section : ini.sections_) {
                seen = seen || equalsIgnoringCase(section.name, name);
            }
            if (!seen) {
                ini.sections_.push_back(Section{std::string(name), {}});
                current = &ini.sections_.back();
            }
            continue;
        }
        const std::size_t equals = line.find('=');
        if (current == nullptr || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = trimBlanks(line.substr(0, equals));
        bool seen = false;
        for (const auto& entry : current->entries) {
            seen = seen || equalsIgnoringCase(entry.key, key);
        }
        if (!seen) {
            const std::string_view value = unquote(trimBlanks(line.substr(equals + 1)));
            current->entries.push_back(
                Entry{std::string(key), cutToCharacters(std::string(value), kMaxValueLength)});
        }
    }
    return ini;
}

IniFile IniFile::load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {};
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return parse(bytes);
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    for (const auto& s : sections_) {
        if (equalsIgnoringCase(s.name, section)) {
            for (const auto& entry : s.entries) {
                if (equalsIgnoringCase(entry.key, key)) {
                    return entry.value;
                }
            }
            return std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace kesto
