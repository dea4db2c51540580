#include "acquisition/LiveValues.h"

#include "acquisition/NumberFormat.h"

#include <limits>

namespace kesto {

void setAllTexts(ReceivedTexts& texts, const std::string& text) {
    for (auto& t : texts) {
        t = text;
    }
}

std::string ChannelDisplay::valueText() const { return formatNumber(value, settings.format); }

std::optional<int> wholeNumber(const std::string& text) {
    const auto v = parseInteger(text);
    if (!v || *v < std::numeric_limits<int>::min() || *v > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(*v);
}

std::string limitText(const std::optional<double>& limit) {
    return limit ? formatGeneral15(*limit) : std::string();
}

LimitEntry parseLimit(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {true, std::nullopt};
    }
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (const auto v = parseDecimal(text)) {
        return {true, *v};
    }
    return {};
}

void applyDefaults(ChannelDisplay& display, Channel channel, const ChannelDefault& defaults) {
    auto& s = display.settings;
    s.firstName = std::string(channelKey(channel));
    s.displayName = defaults.name;
    s.unit = defaults.unit;
    s.minimum = static_cast<float>(wholeNumber(defaults.start).value_or(0));
    s.maximum = static_cast<float>(wholeNumber(defaults.end).value_or(0));
    s.format = defaults.format;
    s.colour = colourFromText(defaults.colour).value_or(0);
    s.divisor = 1;
    display.label = defaults.name + " [" + defaults.unit + "] ";
    display.minLabel = std::to_string(static_cast<int>(s.minimum));
    display.maxLabel = std::to_string(static_cast<int>(s.maximum));
}

LiveDisplay makeDefaultDisplay(const ChannelDefaults& defaults) {
    LiveDisplay display;
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        applyDefaults(display[i], channelAt(i), defaults[i]);
    }
    return display;
}

void MeanValues::reset() { slots_.fill(MeanAccumulator{}); }

long long MeanValues::add(int slot, long long sample) {
    auto& acc = slots_.at(static_cast<std::size_t>(slot - 1));
    ++acc.count;
    acc.sum += sample;
    return roundedMean(acc.sum, acc.count);
}

long long roundedMean(std::int64_t sum, std::int32_t count) {
    if (count <= 0) {
        return 0;
    }
    long long q = sum / count;  // truncated toward zero
    long long r = sum % count;  // same sign as sum
    const long long twice = 2 * (r < 0 ? -r : r);
    if (twice > count || (twice == count && (q % 2 != 0))) {
        q += (sum < 0) ? -1 : 1;
    }
    return q;
}

} // namespace kesto
