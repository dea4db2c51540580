#include "acquisition/SpokenText.h"

namespace kesto {

namespace {

std::string_view trimBlanks(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

} // namespace

std::string spokenLabel(std::string_view caption) {
    std::string_view s = trimBlanks(caption);
    if (!s.empty() && s.back() == ']') {
        const auto open = s.rfind('[');
        if (open != std::string_view::npos &&
            trimBlanks(s.substr(open + 1, s.size() - open - 2)).empty()) {
            s = trimBlanks(s.substr(0, open));
        }
    }
    return std::string(s);
}

} // namespace kesto
