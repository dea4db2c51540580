#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kesto {

// Colours are kept as 0x00BBGGRR, the layout the settings file stores.
using Colour = std::uint32_t;

inline constexpr int red(Colour c) { return static_cast<int>(c & 0xFF); }
inline constexpr int green(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
inline constexpr int blue(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }

struct NamedColour {
    std::string_view name;
    Colour value;
};

// The sixteen standard colour names.
const std::array<NamedColour, 16>& standardColours();

// The sixteen colours offered by the channel property dialog, by list position
// (silver stands twice, gray not at all).
const std::array<NamedColour, 16>& colourTable();

// "clRed" for a standard colour, else "$00BBGGRR" in upper-case hex.
std::string colourToText(Colour c);

// A standard name in any letter case, a decimal integer or "$" plus hex digits.
std::optional<Colour> colourFromText(std::string_view text);

// The last colour-table position holding `c`, as the property dialog selects it.
std::optional<int> colourTablePosition(Colour c);

} // namespace kesto
