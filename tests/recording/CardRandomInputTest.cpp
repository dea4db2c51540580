// Deterministic random card files for the conversion; the fuzz target in fuzz/card explores
// further with the same checks.
#include "CardChecks.h"

#include <gtest/gtest.h>

#include <random>

namespace kesto::test {
namespace {

TEST(CardRandomInputTest, randomCardsConvertLineForLineAndFieldForField) {
    static const std::string fields[] = {"",
                                         "0",
                                         "21",
                                         "21.0",
                                         "3",
                                         "-5",
                                         "6.2",
                                         "1e3",
                                         "1e308",
                                         "-1e308",
                                         "1e-7",
                                         "x",
                                         " 7",
                                         "7 ",
                                         "n/a",
                                         "\t",
                                         "\"",
                                         "\xB0",
                                         "\xC3\xA4",
                                         "09.01.2003",
                                         "10:36:02",
                                         "20.999999999999999",
                                         std::string(1, '\0')};
    static const std::string ends[] = {"\r\n", "\n", "\r", "\r\r\n", ""};
    std::mt19937 rng(20240306);
    for (int n = 0; n < 3000; ++n) {
        std::string card;
        // Now and then enough lines for the progress reports.
        const int lines = static_cast<int>(n % 50 == 0 ? 150 + rng() % 200 : rng() % 8);
        for (int l = 0; l < lines; ++l) {
            const int count = static_cast<int>(rng() % 4 == 0 ? rng() % 120 : 56 + rng() % 4);
            for (int f = 0; f < count; ++f) {
                // Fields 2 and 27 (O2 and the reference) mostly hold numbers.
                const bool numeric = (f == 2 || f == 27) && rng() % 4 != 0;
                card += numeric ? fields[1 + rng() % 9] : fields[rng() % std::size(fields)];
                if (f + 1 < count || rng() % 2 == 0) {
                    card += ',';
                }
            }
            card += ends[rng() % std::size(ends)];
        }
        const std::size_t piece = 1 + rng() % 300;
        const std::string failure = checkCardConversion(card, piece);
        ASSERT_TRUE(failure.empty()) << failure << " (card " << n << ", pieces of " << piece << ")";
    }
}

} // namespace
} // namespace kesto::test
