#include "measurement/LimitAlarms.h"

#include "acquisition/NumberFormat.h"
#include "acquisition/SpokenText.h"
#include "recording/RecordingText.h"

#include <cmath>

namespace kesto {

namespace {

// A limit at the precision of the live values.
double asReading(double limit) {
    return static_cast<float>(limit);
}

// Whether a value lying `inside` within `limit` is back by more than the hysteresis.
bool backWithin(const ChannelSettings& s, double limit, double inside) {
    const double band = kAlarmHysteresis * std::abs(static_cast<double>(s.maximum) - s.minimum);
    // Single-precision readings against decimal limits: a distance that is the band up to the
    // readings' rounding counts as the band, not as more.
    const double rounding = 1e-6 * (band + std::abs(limit));
    return inside > band + rounding;
}

} // namespace

LimitAlarm compareWithLimits(const ChannelSettings& s, double value) {
    const double v = asReading(value);
    if (s.alarmAbove && v > asReading(*s.alarmAbove)) {
        return LimitAlarm::Above;
    }
    if (s.alarmBelow && v < asReading(*s.alarmBelow)) {
        return LimitAlarm::Below;
    }
    return LimitAlarm::None;
}

LimitAlarm nextLimitAlarm(LimitAlarm current, const ChannelSettings& s, float value, bool valid) {
    if (!valid || std::isnan(value)) {
        return current;
    }
    if (const LimitAlarm passed = compareWithLimits(s, value); passed != LimitAlarm::None) {
        return passed;
    }
    const double v = value;
    if (current == LimitAlarm::Above && s.alarmAbove) {
        const double limit = asReading(*s.alarmAbove);
        return backWithin(s, limit, limit - v) ? LimitAlarm::None : LimitAlarm::Above;
    }
    if (current == LimitAlarm::Below && s.alarmBelow) {
        const double limit = asReading(*s.alarmBelow);
        return backWithin(s, limit, v - limit) ? LimitAlarm::None : LimitAlarm::Below;
    }
    // No alarm, or the limit of the lasting one was switched off.
    return LimitAlarm::None;
}

std::string limitAlarmText(const ChannelSettings& s, LimitAlarm alarm, const LanguageTexts& texts) {
    if (alarm == LimitAlarm::None) {
        return {};
    }
    const bool above = alarm == LimitAlarm::Above;
    const std::optional<double>& limit = above ? s.alarmAbove : s.alarmBelow;
    std::string text = above ? texts.aboveTheLimit : texts.belowTheLimit;
    if (limit) {
        text.append(" ").append(formatNumber(*limit, s.format));
    }
    return text;
}

LimitAlarmReport updateLimitAlarms(LiveDisplay& display, const LanguageTexts& texts) {
    LimitAlarmReport report;
    for (ChannelDisplay& d : display) {
        const LimitAlarm next = nextLimitAlarm(d.alarm, d.settings, d.value, d.valid);
        if (next == d.alarm) {
            continue;
        }
        d.alarm = next;
        const std::string what = next == LimitAlarm::None ? texts.backWithinLimits
                                                          : limitAlarmText(d.settings, next, texts);
        report.messages.push_back(spokenLabel(d.label) + " " + what + ": " + d.valueText());
        report.began = report.began || next != LimitAlarm::None;
    }
    return report;
}

std::optional<std::string> meanLimitText(const ChannelSettings& s, double mean,
                                         const LanguageTexts& texts) {
    if (!s.alarmAbove && !s.alarmBelow) {
        return std::nullopt;
    }
    const LimitAlarm where = compareWithLimits(s, mean);
    return where == LimitAlarm::None ? texts.withinLimits : limitAlarmText(s, where, texts);
}

std::vector<Channel> channelsOutsideLimits(const LiveDisplay& display, const ChannelMeans& means) {
    std::vector<Channel> outside;
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        if (means[i] && compareWithLimits(display[i].settings, *means[i]) != LimitAlarm::None) {
            outside.push_back(channelAt(i));
        }
    }
    return outside;
}

std::string outsideLimitsColumn(const LiveDisplay& display, const ChannelMeans& means) {
    std::string column;
    for (const Channel c : channelsOutsideLimits(display, means)) {
        if (!column.empty()) {
            column.push_back(' ');
        }
        column += RemoveSpaces(spokenLabel(display[index(c)].label));
    }
    return column;
}

std::optional<LimitOption> parseLimitOption(std::string_view text) {
    const auto equals = text.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    const auto channel = channelFromKey(text.substr(0, equals));
    const LimitEntry entry = parseLimit(text.substr(equals + 1));
    if (!channel || !entry.limit) {
        return std::nullopt;
    }
    return LimitOption{*channel, *entry.limit};
}

} // namespace kesto
