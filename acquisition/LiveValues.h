#pragma once

#include "acquisition/Channels.h"
#include "acquisition/Colour.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kesto {

// Sixteen received value texts, one per frame word: "" at program start, "-" for no value,
// else the decimal text written by the frame decoder.
using ReceivedTexts = std::array<std::string, kFrameWordCount>;

void setAllTexts(ReceivedTexts& texts, const std::string& text);

// The limit alarm a channel is in: none, or past its upper or its lower limit.
enum class LimitAlarm { None, Above, Below };

// The display settings a bar gauge holds for its channel.
struct ChannelSettings {
    std::string firstName;   // the channel key; never changes
    std::string displayName;
    float minimum = 0;       // always a whole number
    float maximum = 100;
    std::string unit;
    std::string format = "0";
    Colour colour = 0;
    int divisor = 1;
    // Alarm limits in the channel's unit; empty: that limit is off.
    std::optional<double> alarmAbove = std::nullopt;
    std::optional<double> alarmBelow = std::nullopt;

    bool operator==(const ChannelSettings&) const = default;
};

// What the main window shows for one channel: its settings (held by the bar), the captions of
// its three labels, the live value on the bar and the validity shown by the name label.
struct ChannelDisplay {
    ChannelSettings settings;
    std::string label;       // name label caption, e.g. "O2 [%] "
    std::string minLabel;
    std::string maxLabel;
    float value = 0;
    bool valid = false;
    // The limit alarm that lasts; the limit alarms set it at each refresh.
    LimitAlarm alarm = LimitAlarm::None;

    // The bar's value text: the value in the bar's number format.
    std::string valueText() const;
};

using LiveDisplay = std::array<ChannelDisplay, kChannelCount>;

// A display with every channel set from its built-in default, as before any settings load.
LiveDisplay makeDefaultDisplay(const ChannelDefaults& defaults);

// Applies one channel's defaults to its bar and labels (name, unit, range, format, colour).
void applyDefaults(ChannelDisplay& display, Channel channel, const ChannelDefault& defaults);

// "12" -> 12; texts that are not whole numbers ("12.5", "abc") give std::nullopt.
std::optional<int> wholeNumber(const std::string& text);

// An alarm limit as the property dialog shows it and the settings store keeps it: the shortest
// decimal text ("200", "3.5"), empty when the limit is off.
std::string limitText(const std::optional<double>& limit);

// The limit a text gives: empty or blank switches it off, a number ("." as decimal point) sets
// it; `valid` is false for any other text.
struct LimitEntry {
    bool valid = false;
    std::optional<double> limit;
};
LimitEntry parseLimit(std::string_view text);

// Running-mean accumulators (count, sum of parsed integer texts).
struct MeanAccumulator {
    std::int32_t count = 0;
    std::int64_t sum = 0;
};

class MeanValues {
public:
    void reset();
    // Adds one sample to slot (1-based) and returns the rounded running mean (ties to even).
    long long add(int slot, long long sample);
    const MeanAccumulator& slot(int slot) const { return slots_.at(static_cast<std::size_t>(slot - 1)); }

private:
    std::array<MeanAccumulator, kMeanSlotCount> slots_{};
};

// round(sum / count) with ties to even, exact for every int64 sum.
long long roundedMean(std::int64_t sum, std::int32_t count);

} // namespace kesto
