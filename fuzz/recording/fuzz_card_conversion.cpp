// Any bytes as a memory-card file: the conversion succeeds, gives one line per card data line,
// copies the card's fields to their columns, writes numbers in the computed columns, and does
// not depend on how the file is read. The first byte picks the size of the reads.
#include "tests/recording/CardChecks.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t piece = 1 + data[0];
    const std::string_view card(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string failure = kesto::test::checkCardConversion(card, piece);
    if (!failure.empty()) {
        std::fprintf(stderr, "%s\n", failure.c_str());
        __builtin_trap();
    }
    return 0;
}
