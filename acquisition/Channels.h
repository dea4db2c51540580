#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kesto {

// The nineteen channels, in display, settings and recording-column order.
enum class Channel : int {
    O2,
    CO2,
    TG,
    TR,
    ETA,
    LAMBDA,
    CO,
    COMG,
    NO,
    NO2,
    NOXMG,
    SO2,
    SO2MG,
    CXHY,
    CXHYMG,
    Zug,
    Flow,
    H2,
    S6,
};

inline constexpr std::size_t kChannelCount = 19;
inline constexpr std::size_t kFrameWordCount = 16;

// Running-mean slots. The analyzer text shares one slot between LAMBDA and ETA; averaging two
// quantities of different scale in one accumulator gives nonsense, so ETA gets an eleventh slot.
inline constexpr std::size_t kMeanSlotCount = 11;

enum class TextParse { Integer, Decimal };

struct ChannelInfo {
    Channel channel;
    std::string_view key;
    int frameWord;     // received-text slot the value comes from, -1 for derived channels
    TextParse parse;   // how the received text is read
    int meanSlot;      // 1-based running-mean slot, 0 for none
    double divisor;    // value = text / divisor (TG: 10 only with the gas-temperature decimals)
};

const std::array<ChannelInfo, kChannelCount>& channelTable();
const ChannelInfo& channelInfo(Channel c);
std::string_view channelKey(Channel c);
std::optional<Channel> channelFromKey(std::string_view key);
inline constexpr std::size_t index(Channel c) { return static_cast<std::size_t>(c); }
inline constexpr Channel channelAt(std::size_t i) { return static_cast<Channel>(i); }

// Built-in per-channel defaults; the language file may replace name, unit, start, end and format.
struct ChannelDefault {
    std::string name;
    std::string unit;   // UTF-8 here; "°C" is written as Windows-1252 0xB0 'C' in files
    std::string start;  // texts, as in the language file; converted to whole numbers when used
    std::string end;
    std::string format;
    std::string colour; // colour text, "clAqua" ...
};

using ChannelDefaults = std::array<ChannelDefault, kChannelCount>;
const ChannelDefaults& builtinChannelDefaults();

} // namespace kesto
