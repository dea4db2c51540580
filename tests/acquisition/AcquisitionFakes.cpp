#include "AcquisitionFakes.h"

#include "acquisition/FrameDecoder.h"
#include "acquisition/NumberFormat.h"

#include <gtest/gtest.h>

namespace kesto::test {

std::vector<std::uint16_t> goodWords() {
    return {0x0069, 0x0032, 0x00B4, 0x0096, 0x0370, 0x0064, 0x0000,
            0x00D2, 0x0028, 0x0000, 0x0005, 0x0000, 0x80FA};
}

std::vector<std::uint8_t> frameBytes(const std::vector<std::uint16_t>& words) {
    return encodeFrame(words);
}


std::string hexText(const std::vector<std::uint8_t>& bytes) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const std::uint8_t b : bytes) {
        out.push_back(hex[b >> 4]);
        out.push_back(hex[b & 0x0F]);
    }
    return out;
}

long long textAsInteger(const std::string& text) {
    const auto v = parseInteger(text);
    EXPECT_TRUE(v.has_value()) << "not a whole number: \"" << text << "\"";
    return v.value_or(0);
}

} // namespace kesto::test
