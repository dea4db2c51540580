#include "recording/RecordingText.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace kesto {

TStrArray SplitFields(std::string_view text, char separator) {
    TStrArray fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            fields.emplace_back(text.substr(start));
            return fields;
        }
        fields.emplace_back(text.substr(start, at - start));
        start = at + 1;
    }
}

std::string RemoveSpaces(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c != ' ') {
            out.push_back(c);
        }
    }
    return out;
}

std::string CommaToPoint(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == ',') {
            c = '.';
        }
    }
    return out;
}

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

} // namespace

std::optional<double> FieldNumber(std::string_view field) {
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
        negative = field[i] == '-';
        ++i;
    }
    const std::size_t mantissaStart = i;
    std::uint64_t digits = 0; // the mantissa's digits as an integer, while there are few
    std::size_t intDigits = 0;
    while (i < field.size() && isDigit(field[i])) {
        digits = digits * 10 + static_cast<std::uint64_t>(field[i] - '0');
        ++i;
        ++intDigits;
    }
    std::size_t fracDigits = 0;
    if (i < field.size() && field[i] == '.') {
        ++i;
        while (i < field.size() && isDigit(field[i])) {
            digits = digits * 10 + static_cast<std::uint64_t>(field[i] - '0');
            ++i;
            ++fracDigits;
        }
    }
    if (intDigits + fracDigits == 0) {
        return std::nullopt;
    }
    if (i == field.size() && intDigits + fracDigits <= 15) {
        // A plain decimal of at most 15 digits: they and the power of ten are exact doubles,
        // so their quotient is the correctly rounded value, as from_chars gives it.
        const double value = static_cast<double>(digits) / kPowersOfTen[fracDigits];
        return negative ? -value : value;
    }
    const std::size_t mantissaEnd = i;
    long long exponent = 0;
    if (i < field.size() && (field[i] == 'e' || field[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
            negativeExponent = field[i] == '-';
            ++i;
        }
        const std::size_t digitsStart = i;
        while (i < field.size() && isDigit(field[i])) {
            // Saturates: beyond a few hundred the value is out of range either way.
            if (exponent < 100000) {
                exponent = exponent * 10 + (field[i] - '0');
            }
            ++i;
        }
        if (i == digitsStart) {
            return std::nullopt;
        }
        if (negativeExponent) {
            exponent = -exponent;
        }
    }
    if (i != field.size()) {
        return std::nullopt;
    }

    double value = 0;
    const char* begin = field.data() + mantissaStart;
    const char* end = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // Decimal magnitude of the first significant digit decides: too large is no number,
        // too small rounds to zero.
        long long magnitude = exponent;
        std::size_t k = mantissaStart;
        while (k < mantissaEnd && (field[k] == '0' || field[k] == '.')) {
            ++k;
        }
        if (k == mantissaEnd) {
            return negative ? -0.0 : 0.0;
        }
        const std::size_t point = field.substr(0, mantissaEnd).find('.', mantissaStart);
        const std::size_t pointAt = point == std::string_view::npos ? mantissaEnd : point;
        magnitude += k < pointAt ? static_cast<long long>(pointAt - k)
                                 : -static_cast<long long>(k - pointAt - 1);
        if (magnitude > 0) {
            return std::nullopt;
        }
        return negative ? -0.0 : 0.0;
    }
    if (ec != std::errc{} || ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

double TextToFloatOrZero(std::string_view field) {
    return FieldNumber(field).value_or(0.0);
}

} // namespace kesto
