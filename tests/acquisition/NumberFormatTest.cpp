#include "acquisition/NumberFormat.h"
#include "tests/ParamName.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>

namespace kesto {
namespace {

struct PatternCase {
    double value;
    const char* pattern;
    const char* text;
};

void PrintTo(const PatternCase& c, std::ostream* os) {
    *os << c.value << " as \"" << c.pattern << "\" is \"" << c.text << '"';
}

class FormatNumberTest : public ::testing::TestWithParam<PatternCase> {};

TEST_P(FormatNumberTest, formatsWithPattern) {
    const PatternCase& c = GetParam();
    EXPECT_EQ(formatNumber(c.value, c.pattern), c.text) << c.value << " with " << c.pattern;
}

INSTANTIATE_TEST_SUITE_P(Patterns, FormatNumberTest,
                         ::testing::Values(
                             // Half away from zero.
                             PatternCase{2.25, "0.0", "2.3"}, PatternCase{-2.25, "0.0", "-2.3"},
                             PatternCase{10.5, "0", "11"}, PatternCase{-10.5, "0", "-11"},
                             PatternCase{0.5, "0", "1"}, PatternCase{0.125, "0.00", "0.13"},
                             PatternCase{187.5, "0", "188"}, PatternCase{0.96, "0", "1"},
                             PatternCase{9.96, "0.0", "10.0"}, PatternCase{-0.05, "0.0", "-0.1"},
                             // A value that rounds to zero carries no minus sign.
                             PatternCase{-0.04, "0.0", "0.0"}, PatternCase{-0.4, "0", "0"},
                             PatternCase{-0.004, "0.00", "0.00"}, PatternCase{0.0, "0.00", "0.00"},
                             PatternCase{0.0, "0", "0"}, PatternCase{-0.0, "0.0", "0.0"},
                             // Fixed and optional digits.
                             PatternCase{1.5, "0.00", "1.50"}, PatternCase{10.5, "0.0", "10.5"},
                             PatternCase{235, "##0", "235"}, PatternCase{23.5, "##0.0", "23.5"},
                             PatternCase{0.04, "##0", "0"}, PatternCase{0.4, "##0.0", "0.4"},
                             PatternCase{12345, "##0", "12345"}, PatternCase{7, "000", "007"},
                             PatternCase{2.5, "0.##", "2.5"}, PatternCase{2, "0.##", "2"},
                             // Thousands grouping.
                             PatternCase{1234567.89, "#,##0.0", "1,234,567.9"},
                             PatternCase{999.95, "#,##0.0", "1,000.0"},
                             PatternCase{-1234.5, "#,##0.0", "-1,234.5"},
                             PatternCase{12, "#,##0.0", "12.0"}, PatternCase{0, "#,##0", "0"},
                             // Large values keep all their integer digits.
                             PatternCase{1e15, "0", "1000000000000000"},
                             PatternCase{-32768, "0.0", "-32768.0"},
                             PatternCase{1e20, "0", "100000000000000000000"},
                             // Text around the digits is kept.
                             PatternCase{4.25, "0.0 hPa", "4.3 hPa"}),
                         test::ParamName{});

struct GeneralCase {
    double value;
    int digits;
    const char* text;
};

void PrintTo(const GeneralCase& c, std::ostream* os) {
    *os << c.value << " to " << c.digits << " digits is \"" << c.text << '"';
}

class FormatGeneralTest : public ::testing::TestWithParam<GeneralCase> {};

TEST_P(FormatGeneralTest, writesShortestText) {
    const GeneralCase& c = GetParam();
    EXPECT_EQ(formatGeneral(c.value, c.digits), c.text) << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Shortest, FormatGeneralTest,
    ::testing::Values(GeneralCase{-12.5, 5, "-12.5"}, GeneralCase{0, 5, "0"},
                      GeneralCase{-0.0, 5, "0"}, GeneralCase{3.7, 5, "3.7"},
                      GeneralCase{2.5, 5, "2.5"}, GeneralCase{-3276.8, 5, "-3276.8"},
                      GeneralCase{3276.7, 5, "3276.7"}, GeneralCase{0.1, 5, "0.1"},
                      GeneralCase{12345.6, 5, "12346"}, GeneralCase{25, 5, "25"},
                      GeneralCase{0.1 + 0.2, 15, "0.3"}, GeneralCase{1e20, 15, "1E20"},
                      GeneralCase{1.5e-7, 15, "1.5E-7"},
                      GeneralCase{123456789012345678.0, 15, "1.23456789012346E17"},
                      GeneralCase{187.5, 15, "187.5"}, GeneralCase{-0.5, 15, "-0.5"},
                      GeneralCase{100, 15, "100"},
                      // More integer digits than significant ones, or tiny: scientific.
                      GeneralCase{99999, 5, "99999"}, GeneralCase{123456, 5, "1.2346E5"},
                      GeneralCase{1e14, 15, "100000000000000"}, GeneralCase{1e15, 15, "1E15"},
                      GeneralCase{0.0001, 15, "0.0001"}, GeneralCase{0.00001, 15, "1E-5"}),
    test::ParamName{});

TEST(FormatGeneral, shortcutsUseFiveAndFifteenDigits) {
    EXPECT_EQ(formatShortest5(1.23456), "1.2346");
    EXPECT_EQ(formatGeneral15(1.0 / 3.0), "0.333333333333333");
}

// Whatever the double, the text stands for the value rounded to `digits` significant digits as
// to_chars rounds it (to nearest, a tie to even), and roundedGeneral is that number: powers of
// two, values of one decimal times a factor, ties at the cut, and any bit pattern.
TEST(FormatGeneral, roundsLikeToCharsForAnyDouble) {
    std::mt19937_64 rng(20261209);
    for (int i = 0; i < 300000; ++i) {
        double v = 0;
        switch (i % 4) {
        case 0:
            v = std::bit_cast<double>(rng());
            break;
        case 1:
            v = static_cast<double>(rng() % 20000) / 10.0 * 2.056;
            break;
        case 2:
            v = std::ldexp(static_cast<double>(rng() % 4096), static_cast<int>(rng() % 120) - 60);
            break;
        default:
            v = (static_cast<double>(rng() % 100000) + 0.5) * std::pow(10.0, rng() % 30 - 15.0);
            break;
        }
        if (!std::isfinite(v) || v == 0) {
            continue;
        }
        const int digits = 1 + static_cast<int>(rng() % 15);
        char expected[64];
        const auto end = std::to_chars(expected, expected + sizeof expected, v,
                                       std::chars_format::scientific, digits - 1);
        const double rounded = std::strtod(std::string(expected, end.ptr).c_str(), nullptr);
        ASSERT_EQ(std::strtod(formatGeneral(v, digits).c_str(), nullptr), rounded)
            << std::hexfloat << v << " to " << digits << " digits";
        ASSERT_EQ(roundedGeneral(v, digits), rounded) << std::hexfloat << v << " to " << digits;
    }
}

struct ParseCase {
    const char* text;
    std::optional<long long> integer;
    std::optional<double> decimal;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << "text \"" << c.text << '"';
}

class ParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, acceptsOnlyWholeNumberTexts) {
    const ParseCase& c = GetParam();
    EXPECT_EQ(parseInteger(c.text), c.integer) << '"' << c.text << '"';
    EXPECT_EQ(parseDecimal(c.text), c.decimal) << '"' << c.text << '"';
}

constexpr std::nullopt_t none = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseTest,
    ::testing::Values(
        ParseCase{"105", 105, 105.0}, ParseCase{"-25", -25, -25.0}, ParseCase{"0", 0, 0.0},
        ParseCase{"+7", 7, 7.0}, ParseCase{"-12.5", none, -12.5}, ParseCase{"3.0", none, 3.0},
        ParseCase{"", none, none}, ParseCase{"-", none, none}, ParseCase{"1 ", none, none},
        ParseCase{" 1", none, none}, ParseCase{"abc", none, none}, ParseCase{"1,5", none, none},
        ParseCase{"12a", none, none}, ParseCase{"--1", none, none}, ParseCase{"+-1", none, none},
        ParseCase{"nan", none, none}, ParseCase{"inf", none, none}, ParseCase{".", none, none},
        ParseCase{"9223372036854775807", 9223372036854775807LL, 9223372036854775807.0},
        ParseCase{"-9223372036854775808", -9223372036854775807LL - 1, -9223372036854775808.0},
        ParseCase{"9223372036854775808", none, 9223372036854775808.0}),
    test::ParamName{});

TEST(ParseInteger, rejectsExponent) {
    EXPECT_EQ(parseInteger("1e3"), std::nullopt);
    EXPECT_EQ(parseInteger("1E3"), std::nullopt);
}

} // namespace
} // namespace kesto
