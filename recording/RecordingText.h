#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

// A growable array of texts: the fields of a line.
using TStrArray = std::vector<std::string>;

// Cuts `text` at every occurrence of `separator`: N separators give N + 1 fields, empty fields
// included (two adjacent separators, a separator at either end); an empty text gives one empty
// field.
TStrArray SplitFields(std::string_view text, char separator);

// The text without any blank (character 32); tabs and other white space stay.
std::string RemoveSpaces(std::string_view text);

// The text with every "," replaced by ".".
std::string CommaToPoint(std::string_view text);

// The number a field holds, by the rule that decides between a number cell and a text cell:
// optional leading blanks, an optional sign, decimal digits with an optional "." (a digit on at
// least one side of it), an optional exponent ("E" or "e", an optional sign, digits), and nothing
// after it. The locale plays no part. No trailing blank, no hexadecimal, no "inf" or "nan"; a
// value too large for a double is not a number, one too small is 0.
std::optional<double> FieldNumber(std::string_view field);

// The field's number by the same rule, 0 when the field is not a number.
double TextToFloatOrZero(std::string_view field);

} // namespace kesto
