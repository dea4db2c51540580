#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kesto {

// Formats a value with a display pattern: "0" a digit always shown, "#" a digit shown only when
// significant, "." the decimal point, "," (in the integer part) thousands grouping with ",".
// Other characters before or after the digit placeholders are copied as they stand.
// Rounds half away from zero on the value's 15 significant decimal digits; a value that rounds
// to zero is written without a minus sign. The decimal separator is always ".".
std::string formatNumber(double value, std::string_view pattern);
// The same appended to `out`, allocating nothing else.
void appendNumber(std::string& out, double value, std::string_view pattern);

// Shortest decimal text with at most `digits` significant digits ("-12.5", "0", "3.7");
// large or tiny magnitudes use the form "1.5E-7".
std::string formatGeneral(double value, int digits);
// The same appended to `out`, allocating nothing else. `digits` from 1 to 15.
void appendGeneral(std::string& out, double value, int digits);
// The number that text stands for, as the double it reads back as: `value` rounded to `digits`
// significant digits (`value` itself when it is not finite).
double roundedGeneral(double value, int digits);

inline std::string formatShortest5(double value) { return formatGeneral(value, 5); }
inline std::string formatGeneral15(double value) { return formatGeneral(value, 15); }

// Strict parsers for received texts and settings: the whole text must be the number,
// optional leading sign, "." as decimal separator. No blanks, no exponent for integers.
std::optional<long long> parseInteger(std::string_view text);
std::optional<double> parseDecimal(std::string_view text);

} // namespace kesto
