// Deterministic random lines for the field splitting, the number-or-text rule and the cell
// records; the fuzz target in fuzz/recording explores further with the same checks.
#include "FieldChecks.h"

#include <gtest/gtest.h>

#include <random>

namespace kesto::test {
namespace {

TEST(RecordingRandomInputTest, randomLinesSplitAndBecomeCellsFaithfully) {
    static const std::string tokens[] = {
        "0",   "1",    "7",        "9",     "12.5",       ".",           ",",
        ",,",  "-",    "+",        "e",     "E",          " ",           "  ",
        "\t",  "e308", "e-330",    "1e999", "x",          "inf",         "nan",
        "0x",  "\xB0", "\xC3\xA4", ":",     "05.03.2024", "02:07:09 PM", std::string(1, '\0'),
        "\r\n"};
    std::mt19937 rng(20240305);
    for (int n = 0; n < 20000; ++n) {
        std::string line;
        const int count = static_cast<int>(rng() % 24);
        for (int t = 0; t < count; ++t) {
            line += tokens[rng() % std::size(tokens)];
        }
        const std::string failure = checkFieldLine(line);
        ASSERT_TRUE(failure.empty()) << failure << " in \"" << line << '"';
    }
}

} // namespace
} // namespace kesto::test
