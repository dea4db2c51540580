#include "recording/RecordingText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kesto {
namespace {

TEST(SplitFieldsTest, everySeparatorEndsAFieldAndEmptyFieldsCount) {
    const std::vector<std::pair<std::string, TStrArray>> cases{
        {"", {""}},
        {"a", {"a"}},
        {",", {"", ""}},
        {"a,b", {"a", "b"}},
        {"a,,b", {"a", "", "b"}},
        {",a", {"", "a"}},
        {"a,", {"a", ""}},
        {" a , b ", {" a ", " b "}},
        {"1.5,\t,x", {"1.5", "\t", "x"}},
    };
    for (const auto& [text, fields] : cases) {
        EXPECT_EQ(SplitFields(text, ','), fields) << '"' << text << '"';
    }
    EXPECT_EQ(SplitFields("a;b,c", ';'), (TStrArray{"a", "b,c"}));
}

TEST(RecordingTextTest, removeSpacesTakesOnlyBlanksAndCommaToPointEveryComma) {
    EXPECT_EQ(RemoveSpaces(" O2 [%] , T Gas [\xC2\xB0"
                           "C] "),
              "O2[%],TGas[\xC2\xB0"
              "C]");
    EXPECT_EQ(RemoveSpaces("a\tb\r\n"), "a\tb\r\n");
    EXPECT_EQ(RemoveSpaces(""), "");
    EXPECT_EQ(CommaToPoint("1,234,5"), "1.234.5");
    EXPECT_EQ(CommaToPoint("12.5"), "12.5");
}

TEST(FieldNumberTest, numbersByTheCellRule) {
    const std::vector<std::pair<std::string, double>> numbers{
        {"0", 0},         {"12.5", 12.5},
        {"-12.5", -12.5}, {"+3", 3},
        {".5", 0.5},      {"5.", 5},
        {"  7", 7},       {"1e3", 1000},
        {"1E+3", 1000},   {"2.5e-1", 0.25},
        {"-0", -0.0},     {"007", 7},
        {"1e-400", 0},    {"123456789012345678901234567890", 1.2345678901234568e29},
    };
    for (const auto& [text, value] : numbers) {
        const auto parsed = FieldNumber(text);
        ASSERT_TRUE(parsed.has_value()) << '"' << text << '"';
        EXPECT_EQ(*parsed, value) << '"' << text << '"';
        EXPECT_EQ(TextToFloatOrZero(text), value) << '"' << text << '"';
    }
    EXPECT_TRUE(std::signbit(*FieldNumber("-0")));
}

TEST(FieldNumberTest, textsThatAreNotNumbers) {
    for (const std::string text :
         {"",    " ",     ".",     "-",          "+",        "e5",      ".e5",    "1e",
          "1e+", "12.5 ", "1.2.3", "07.12.2026", "14:07:09", "0x10",    "inf",    "-inf",
          "nan", "INF",   "1,5",   "--1",        "+-1",      "1e999",   "-1e400", "1 2",
          "\t1", "1\t",   "O2[%]", "1d",         "1f",       "\xC2\xB0"}) {
        EXPECT_FALSE(FieldNumber(text).has_value()) << '"' << text << '"';
        EXPECT_EQ(TextToFloatOrZero(text), 0.0) << '"' << text << '"';
    }
}

TEST(FieldNumberTest, largestAndSmallestDoublesStayNumbers) {
    EXPECT_EQ(FieldNumber("1.7976931348623157e308"), std::numeric_limits<double>::max());
    EXPECT_EQ(FieldNumber("0.000001e-308"), 1e-314);
    EXPECT_FALSE(FieldNumber("1.8e308").has_value());
    EXPECT_EQ(FieldNumber("0.00000000000000000001e-310"), 0.0);
    EXPECT_FALSE(FieldNumber("100000000000000000000e290").has_value());
}

} // namespace
} // namespace kesto
