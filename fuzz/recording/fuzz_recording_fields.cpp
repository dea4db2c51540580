// Any bytes as a recording line: the fields give the line back, the number-or-text rule agrees
// with its pattern and with strtod, and the row's cell records read back as the fields.
#include "tests/recording/FieldChecks.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const std::string failure = kesto::test::checkFieldLine(line);
    if (!failure.empty()) {
        std::fprintf(stderr, "%s\n", failure.c_str());
        __builtin_trap();
    }
    return 0;
}
