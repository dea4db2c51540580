#pragma once

// Test doubles for the acquisition core's outside world (CoreFakes.h), and frame builders.

#include "acquisition/FrameDecoder.h"
#include "tests/CoreFakes.h"

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace kesto::test {

// Thirteen words of a plausible frame: O2 10.5 %, CO 50 ppm, TG 180, Lambda 1.50, Eta 88.0 %,
// CO2 10.0 %, -, TR 21.0, NO 40, SO2 0, NO2 5, CxHy 0, draught 2.5 hPa (offset binary 0x80FA).
std::vector<std::uint16_t> goodWords();

// FF FF, the words big-endian, FF FF.
std::vector<std::uint8_t> frameBytes(const std::vector<std::uint16_t>& words);

// Upper-case hex text of bytes.
std::string hexText(const std::vector<std::uint8_t>& bytes);

// Whole-number and decimal texts for assertions.
long long textAsInteger(const std::string& text);

} // namespace kesto::test
