#include "acquisition/NumberFormat.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace kesto {
namespace {

// Decimal digits of |value| with at most `significant` significant digits (15 at most): digits
// "d1d2..." and the decimal exponent such that value = 0.d1d2... * 10^exponent. Held in place,
// so that formatting a number allocates nothing but its text.
struct Decimal {
    std::array<char, 24> digits{}; // without leading zeros, trailing zeros stripped
    int count = 0;                 // 0 for zero
    int exponent = 0;
    bool negative = false;

    void stripTrailingZeros() {
        while (count > 0 && digits[static_cast<std::size_t>(count - 1)] == '0') {
            --count;
        }
    }
};

// The digits and exponent of "d.ddde[+-]xx" (as to_chars writes it) into `d`.
void takeScientific(std::string_view text, Decimal& d) {
    const auto e = text.find('e');
    for (const char ch : text.substr(0, e)) {
        if (ch != '.') {
            d.digits[static_cast<std::size_t>(d.count++)] = ch;
        }
    }
    std::string_view exponent = text.substr(e + 1);
    if (!exponent.empty() && exponent.front() == '+') {
        exponent.remove_prefix(1);
    }
    int exp10 = 0;
    std::from_chars(exponent.data(), exponent.data() + exponent.size(), exp10);
    d.exponent = exp10 + 1;
    d.stripTrailingZeros();
}

using Wide = unsigned __int128;

constexpr std::array<std::uint64_t, 20> kPowersOfTen = [] {
    std::array<std::uint64_t, 20> p{};
    std::uint64_t v = 1;
    for (auto& e : p) {
        e = v;
        v *= 10;
    }
    return p;
}();

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233"
    "34353637383940414243444546474849505152535455565758596061626364656667"
    "6869707172737475767778798081828384858687888990919293949596979899";

// The last `count` decimal digits of `n`, leading zeros included, two at a time in 32 bits.
void writeDigits32(std::uint32_t n, int count, char* out) {
    for (; count >= 2; count -= 2) {
        std::memcpy(out + count - 2, kDigitPairs + 2 * (n % 100), 2);
        n /= 100;
    }
    if (count == 1) {
        out[0] = static_cast<char>('0' + n % 10);
    }
}

// The `count` decimal digits of n < 10^count (count at most 16), leading zeros included.
void writeDigits(std::uint64_t n, int count, char* out) {
    if (count <= 8) {
        writeDigits32(static_cast<std::uint32_t>(n), count, out);
        return;
    }
    writeDigits32(static_cast<std::uint32_t>(n / 100000000), count - 8, out);
    writeDigits32(static_cast<std::uint32_t>(n % 100000000), 8, out + count - 8);
}

Wide powerOfTen(int k) {
    return k < 20 ? Wide(kPowersOfTen[static_cast<std::size_t>(k)])
                  : Wide(kPowersOfTen[19]) * kPowersOfTen[static_cast<std::size_t>(k - 19)];
}

// `q` rounded to nearest, a tie to even, given the remainder `r` of a division by `divisor`.
Wide roundedQuotient(Wide q, Wide r, Wide divisor) {
    const Wide twice = r * 2; // r < divisor < 2^127: no overflow
    return twice > divisor || (twice == divisor && (q & 1) != 0) ? q + 1 : q;
}

// The first `significant` digits of x > 0, correctly rounded (a tie to even, as to_chars does),
// by exact integer arithmetic: x = m * 2^e2, scaled by a power of ten so that the digits are
// an integer; then, for `decimals` of 0 or more, rounded again as roundToDecimals does. False
// where x or the scaling does not fit into 128 bits; to_chars does those.
bool roundedDigits(double x, int significant, int decimals, Decimal& d) {
    // x is normal: its 52 stored bits and the hidden one, and its binary exponent.
    const auto bits = std::bit_cast<std::uint64_t>(x);
    const std::uint64_t m = (bits & ((std::uint64_t(1) << 52) - 1)) | (std::uint64_t(1) << 52);
    const int e2 = static_cast<int>((bits >> 52) & 0x7FF) - 1075; // x = m * 2^e2
    const int exp2 = e2 + 53;                                     // x < 2^exp2
    // The decimal exponent of x, or one less: log10(2) is about 78913 / 2^18.
    int e10 = ((exp2 - 1) * 78913) >> 18;
    const Wide low = kPowersOfTen[static_cast<std::size_t>(significant - 1)];
    const Wide high = kPowersOfTen[static_cast<std::size_t>(significant)];
    for (int attempt = 0; attempt < 2; ++attempt) {
        // floor(x * 10^k) and whether it rounds up, for k = significant - 1 - e10.
        const int k = significant - 1 - e10;
        Wide q = 0;
        Wide r = 0;
        Wide divisor = 1;
        // m < 2^53 and 10^22 < 2^74: every product and divisor below stays under 2^127.
        if (k > 22 || k < -22) {
            return false;
        }
        if (k >= 0) {
            if (e2 >= 0 || e2 < -126) {
                return false;
            }
            const Wide scaled = Wide(m) * powerOfTen(k);
            q = scaled >> -e2;
            r = scaled & ((Wide(1) << -e2) - 1);
            divisor = Wide(1) << -e2;
        } else {
            if (e2 > 127 - 53 || e2 < -53) {
                return false;
            }
            const Wide value = e2 >= 0 ? Wide(m) << e2 : Wide(m);
            divisor = e2 >= 0 ? powerOfTen(-k) : powerOfTen(-k) << -e2;
            q = value / divisor;
            r = value % divisor;
        }
        if (q >= high) {
            ++e10; // the estimate was one too small
            continue;
        }
        if (q < low) {
            return false; // cannot be: the estimate is never too large
        }
        Wide n = roundedQuotient(q, r, divisor);
        if (n == high) {
            n = low; // 99...95 rounded up: one digit more, then cut to 1 and zeros
            ++e10;
        }
        auto digits = static_cast<std::uint64_t>(n);
        int count = significant;
        d.exponent = e10 + 1;
        if (const int keep = d.exponent + decimals; decimals >= 0 && keep < count) {
            if (keep < 0) {
                d.count = 0;
                return true;
            }
            // Half away from zero: up when the first digit dropped is 5 or more.
            const std::uint64_t unit = kPowersOfTen[static_cast<std::size_t>(count - keep)];
            const bool up = digits % unit * 2 >= unit;
            digits = digits / unit + (up ? 1 : 0);
            count = keep;
            if (digits == kPowersOfTen[static_cast<std::size_t>(keep)]) {
                digits = 1; // all nines, or nothing kept, rounded up
                count = 1;
                ++d.exponent;
            }
        }
        writeDigits(digits, count, d.digits.data());
        d.count = count;
        d.stripTrailingZeros();
        return true;
    }
    return false;
}

// Rounds the digit string so that at most `decimals` digits stand after the point,
// half away from zero.
void roundToDecimals(Decimal& d, int decimals) {
    const int keep = d.exponent + decimals; // number of digits to keep
    if (keep >= d.count) {
        return;
    }
    if (keep < 0) {
        d.count = 0;
        return;
    }
    const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.count = keep;
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
            d.digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i < 0) {
            // All nines: one digit "1" and the exponent one up (the zeros are stripped below).
            d.digits[0] = '1';
            d.count = 1;
            ++d.exponent;
        } else {
            ++d.digits[static_cast<std::size_t>(i)];
        }
    }
    d.stripTrailingZeros();
}

// The digits of |value| rounded to `significant` digits, then, for `decimals` of 0 or more, to
// at most that many digits after the point.
Decimal toDecimal(double value, int significant, int decimals = -1) {
    Decimal d;
    if (value == 0.0 || !std::isfinite(value)) {
        return d;
    }
    d.negative = value < 0;
    const double magnitude = std::fabs(value);
    if (magnitude >= std::numeric_limits<double>::min() &&
        roundedDigits(magnitude, significant, decimals, d)) {
        return d;
    }
    // Correctly rounded like printf's "%.*e", without its cost: "d.dddde[+-]xx".
    char buf[64];
    const auto written = std::to_chars(buf, buf + sizeof buf, magnitude,
                                       std::chars_format::scientific, std::max(significant - 1, 0));
    takeScientific({buf, static_cast<std::size_t>(written.ptr - buf)}, d);
    if (decimals >= 0) {
        roundToDecimals(d, decimals);
    }
    return d;
}

char digitAt(const Decimal& d, int position) {
    // position 0 is the first digit left of the point, -1 the first right of it, ...
    const int idx = d.exponent - 1 - position;
    if (idx < 0 || idx >= d.count) {
        return '0';
    }
    return d.digits[static_cast<std::size_t>(idx)];
}

bool isPlaceholder(char c) {
    return c == '0' || c == '#';
}

} // namespace

void appendNumber(std::string& out, double value, std::string_view pattern) {
    if (std::isnan(value)) {
        out += "NAN";
        return;
    }
    if (std::isinf(value)) {
        out += value > 0 ? "INF" : "-INF";
        return;
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
        out += pattern;
        return;
    }
    std::string_view prefix = pattern.substr(0, first);
    std::string_view body = pattern.substr(first, last - first);
    std::string_view suffix = pattern.substr(last);
    // A point right after the last placeholder ("0.") belongs to the body.
    const auto point = body.find('.');
    std::string_view intPart = point == std::string_view::npos ? body : body.substr(0, point);
    std::string_view fracPart =
        point == std::string_view::npos ? std::string_view{} : body.substr(point + 1);

    bool grouping = false;
    for (char c : intPart) {
        grouping = grouping || c == ',';
    }
    // Zeros count from the first '0' on: "#0#" shows one digit at least.
    int minInt = 0;
    if (const auto firstZero = intPart.find('0'); firstZero != std::string_view::npos) {
        for (std::size_t i = firstZero; i < intPart.size(); ++i) {
            if (isPlaceholder(intPart[i])) {
                ++minInt;
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

    const Decimal d = toDecimal(value, 15, maxFrac);
    const bool negative = d.negative && d.count > 0;

    const int shown = std::max(std::max(d.exponent, 0), minInt);
    const int commas = grouping && shown > 0 ? (shown - 1) / 3 : 0;
    // The fraction's digits, less the zeros at its end beyond the ones the pattern keeps.
    int fraction = maxFrac;
    while (fraction > minFrac && digitAt(d, -fraction) == '0') {
        --fraction;
    }
    out += prefix;
    // The number's characters written in place, their count known beforehand.
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>((negative ? 1 : 0) + shown + commas +
                                             (fraction > 0 ? 1 + fraction : 0)));
    char* p = out.data() + at;
    if (negative) {
        *p++ = '-';
    }
    for (int pos = shown - 1; pos >= 0; --pos) {
        *p++ = digitAt(d, pos);
        if (grouping && pos > 0 && pos % 3 == 0) {
            *p++ = ',';
        }
    }
    if (fraction > 0) {
        *p++ = '.';
        for (int k = 1; k <= fraction; ++k) {
            *p++ = digitAt(d, -k);
        }
    }
    out += suffix;
}

std::string formatNumber(double value, std::string_view pattern) {
    std::string out;
    appendNumber(out, value, pattern);
    return out;
}

void appendGeneral(std::string& out, double value, int digits) {
    if (std::isnan(value)) {
        out += "NAN";
        return;
    }
    if (std::isinf(value)) {
        out += value > 0 ? "INF" : "-INF";
        return;
    }
    const Decimal d = toDecimal(value, digits);
    if (d.count == 0) {
        out.push_back('0');
        return;
    }
    if (d.negative) {
        out.push_back('-');
    }
    const std::string_view all(d.digits.data(), static_cast<std::size_t>(d.count));
    const int n = d.count;
    if (d.exponent > digits || d.exponent < -3) {
        // Scientific: d.ddddE[-]x
        out.push_back(all[0]);
        if (n > 1) {
            out.push_back('.');
            out += all.substr(1);
        }
        out.push_back('E');
        char exponent[8];
        const auto written = std::to_chars(exponent, exponent + sizeof exponent, d.exponent - 1);
        out.append(exponent, written.ptr);
        return;
    }
    if (d.exponent <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-d.exponent), '0');
        out += all;
        return;
    }
    if (n <= d.exponent) {
        out += all;
        out.append(static_cast<std::size_t>(d.exponent - n), '0');
        return;
    }
    out += all.substr(0, static_cast<std::size_t>(d.exponent));
    out.push_back('.');
    out += all.substr(static_cast<std::size_t>(d.exponent));
}

double roundedGeneral(double value, int digits) {
    if (!std::isfinite(value)) {
        return value;
    }
    const Decimal d = toDecimal(value, digits);
    std::uint64_t n = 0;
    for (int i = 0; i < d.count; ++i) {
        n = n * 10 + static_cast<std::uint64_t>(d.digits[static_cast<std::size_t>(i)] - '0');
    }
    // value = n * 10^k, n below 2^53: with a power of ten that is itself exact, one product or
    // quotient is the correctly rounded value, as reading the text back gives it.
    const int k = d.exponent - d.count;
    double v = 0;
    if (k >= 0 && k <= 22) {
        v = static_cast<double>(n) * static_cast<double>(powerOfTen(k));
    } else if (k < 0 && k >= -22) {
        v = static_cast<double>(n) / static_cast<double>(powerOfTen(-k));
    } else {
        return parseDecimal(formatGeneral(value, digits)).value_or(value);
    }
    return d.negative ? -v : v;
}

std::string formatGeneral(double value, int digits) {
    std::string out;
    appendGeneral(out, value, digits);
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
        if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-')) {
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
