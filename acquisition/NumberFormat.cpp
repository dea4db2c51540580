#include "acquisition/NumberFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace kesto {
namespace {

// Decimal digits of |value| with 15 significant digits: digits "d1d2...d15" and the decimal
// exponent such that value = 0.d1d2... * 10^exponent.
struct Decimal {
    std::string digits; // without leading zeros, trailing zeros stripped; empty for zero
    int exponent = 0;
    bool negative = false;
};

Decimal toDecimal(double value, int significant) {
    Decimal d;
    if (value == 0.0 || !std::isfinite(value)) {
        return d;
    }
    d.negative = value < 0;
    // Correctly rounded like printf's "%.*e", without its cost: "d.dddde[+-]xx".
    char buf[64];
    const auto written = std::to_chars(buf, buf + sizeof buf, std::fabs(value),
                                       std::chars_format::scientific, std::max(significant - 1, 0));
    const std::string_view text(buf, static_cast<std::size_t>(written.ptr - buf));
    const auto e = text.find('e');
    for (char ch : text.substr(0, e)) {
        if (ch != '.') {
            d.digits.push_back(ch);
        }
    }
    std::string_view exponent = text.substr(e + 1);
    if (!exponent.empty() && exponent.front() == '+') {
        exponent.remove_prefix(1);
    }
    int exp10 = 0;
    std::from_chars(exponent.data(), exponent.data() + exponent.size(), exp10);
    d.exponent = exp10 + 1;
    while (!d.digits.empty() && d.digits.back() == '0') {
        d.digits.pop_back();
    }
    return d;
}

// Rounds the digit string so that at most `decimals` digits stand after the point,
// half away from zero.
void roundToDecimals(Decimal& d, int decimals) {
    const int keep = d.exponent + decimals; // number of digits to keep
    if (keep >= static_cast<int>(d.digits.size())) {
        return;
    }
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
            d.digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i < 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
        } else {
            ++d.digits[static_cast<std::size_t>(i)];
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0') {
        d.digits.pop_back();
    }
}

char digitAt(const Decimal& d, int position) {
    // position 0 is the first digit left of the point, -1 the first right of it, ...
    const int idx = d.exponent - 1 - position;
    if (idx < 0 || idx >= static_cast<int>(d.digits.size())) {
        return '0';
    }
    return d.digits[static_cast<std::size_t>(idx)];
}

bool isPlaceholder(char c) { return c == '0' || c == '#'; }

} // namespace

std::string formatNumber(double value, std::string_view pattern) {
    if (std::isnan(value)) {
        return "NAN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "INF" : "-INF";
    }
    // Split the pattern into prefix, number part and suffix.
    std::size_t first = pattern.size();
    std::size_t last = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (isPlaceholder(pattern[i])) {
            first = std::min(first, i);
            last = i + 1;
        }
    }
    if (first == pattern.size()) {
        // No digit placeholder: the pattern is a literal text.
        return std::string(pattern);
    }
    std::string_view prefix = pattern.substr(0, first);
    std::string_view body = pattern.substr(first, last - first);
    std::string_view suffix = pattern.substr(last);
    // A point right after the last placeholder ("0.") belongs to the body.
    const auto point = body.find('.');
    std::string_view intPart = point == std::string_view::npos ? body : body.substr(0, point);
    std::string_view fracPart =
        point == std::string_view::npos ? std::string_view{} : body.substr(point + 1);

    int minInt = 0;
    bool grouping = false;
    for (char c : intPart) {
        if (c == '0') {
            ++minInt;
        } else if (c == ',') {
            grouping = true;
        }
    }
    // Zeros count from the first '0' on: "#0#" shows one digit at least.
    {
        const auto firstZero = intPart.find('0');
        minInt = 0;
        if (firstZero != std::string_view::npos) {
            for (std::size_t i = firstZero; i < intPart.size(); ++i) {
                if (isPlaceholder(intPart[i])) {
                    ++minInt;
                }
            }
        }
    }
    int minFrac = 0;
    int maxFrac = 0;
    {
        int lastZero = -1;
        for (std::size_t i = 0; i < fracPart.size(); ++i) {
            if (isPlaceholder(fracPart[i])) {
                ++maxFrac;
                if (fracPart[i] == '0') {
                    lastZero = maxFrac;
                }
            }
        }
        minFrac = lastZero < 0 ? 0 : lastZero;
    }

    Decimal d = toDecimal(value, 15);
    roundToDecimals(d, maxFrac);
    const bool negative = d.negative && !d.digits.empty();

    std::string integer;
    const int intDigits = std::max(d.exponent, 0);
    const int shown = std::max(intDigits, minInt);
    for (int pos = shown - 1; pos >= 0; --pos) {
        integer.push_back(digitAt(d, pos));
        if (grouping && pos > 0 && pos % 3 == 0) {
            integer.push_back(',');
        }
    }
    std::string fraction;
    for (int k = 1; k <= maxFrac; ++k) {
        fraction.push_back(digitAt(d, -k));
    }
    while (static_cast<int>(fraction.size()) > minFrac && !fraction.empty() &&
           fraction.back() == '0') {
        fraction.pop_back();
    }

    std::string out(prefix);
    if (negative) {
        out.push_back('-');
    }
    out += integer;
    if (!fraction.empty()) {
        out.push_back('.');
        out += fraction;
    }
    out += suffix;
    return out;
}

std::string formatGeneral(double value, int digits) {
    if (std::isnan(value)) {
        return "NAN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "INF" : "-INF";
    }
    Decimal d = toDecimal(value, digits);
    if (d.digits.empty()) {
        return "0";
    }
    std::string out = d.negative ? "-" : "";
    const int n = static_cast<int>(d.digits.size());
    if (d.exponent > digits || d.exponent < -3) {
        // Scientific: d.ddddE[-]x
        out.push_back(d.digits[0]);
        if (n > 1) {
            out.push_back('.');
            out.append(d.digits, 1);
        }
        out.push_back('E');
        out += std::to_string(d.exponent - 1);
        return out;
    }
    if (d.exponent <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-d.exponent), '0');
        out += d.digits;
        return out;
    }
    if (n <= d.exponent) {
        out += d.digits;
        out.append(static_cast<std::size_t>(d.exponent - n), '0');
        return out;
    }
    out.append(d.digits, 0, static_cast<std::size_t>(d.exponent));
    out.push_back('.');
    out.append(d.digits, static_cast<std::size_t>(d.exponent));
    return out;
}

std::optional<long long> parseInteger(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    std::size_t start = 0;
    bool negative = false;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        start = 1;
    }
    if (start == text.size()) {
        return std::nullopt;
    }
    unsigned long long magnitude = 0;
    const char* begin = text.data() + start;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(begin, end, magnitude);
    if (ec != std::errc{} || ptr != end) {
        return std::nullopt;
    }
    constexpr unsigned long long limit = 9223372036854775807ULL;
    if (magnitude > limit + (negative ? 1 : 0)) {
        return std::nullopt;
    }
    if (negative) {
        return magnitude == limit + 1 ? static_cast<long long>(-9223372036854775807LL - 1)
                                      : -static_cast<long long>(magnitude);
    }
    return static_cast<long long>(magnitude);
}

std::optional<double> parseDecimal(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    std::size_t start = 0;
    bool negative = false;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        start = 1;
    }
    if (start == text.size() || text[start] == '+' || text[start] == '-') {
        return std::nullopt;
    }
    // Reject texts from_chars would take but a user would not write as a number here.
    for (std::size_t i = start; i < text.size(); ++i) {
        const char c = text[i];
        if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' ||
              c == '-')) {
            return std::nullopt;
        }
    }
    double v = 0;
    const char* begin = text.data() + start;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(begin, end, v, std::chars_format::general);
    if (ec != std::errc{} || ptr != end || !std::isfinite(v)) {
        return std::nullopt;
    }
    return negative ? -v : v;
}

} // namespace kesto
