#pragma once

#include "acquisition/Channels.h"
#include "acquisition/LiveValues.h"
#include "config/Language.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

// An alarm ends only once its value is back within the limit by more than this share of the
// channel's scale span, so that a value hovering at the limit raises one alarm, not one a second.
inline constexpr double kAlarmHysteresis = 0.01;

// Where a value stands against a channel's limits: strictly above the upper one, strictly below
// the lower one, or within (a value equal to a limit is within). The comparison is made at the
// precision of the live values (single), so that a reading that shows the limit equals it.
LimitAlarm compareWithLimits(const ChannelSettings& settings, double value);

// A channel's alarm after one display refresh, from the alarm before it. A value past a limit
// begins (or keeps) that alarm; a lasting alarm ends once the value is back within its limit by
// more than the hysteresis; an invalid value changes nothing.
LimitAlarm nextLimitAlarm(LimitAlarm current, const ChannelSettings& settings, float value,
                          bool valid);

// "above the limit 100", "below the limit 4.0": the limit in the channel's number format;
// empty for no alarm.
std::string limitAlarmText(const ChannelSettings& settings, LimitAlarm alarm,
                           const LanguageTexts& texts);

// What one refresh did to the alarms: a line for the messages window for each alarm that began
// ("CO [ppm] above the limit 100: 160") or ended ("CO [ppm] back within its limits: 45"), with
// the name and unit of the channel's label and the value in its number format; and whether an
// alarm began (the tone sounds once for all of them).
struct LimitAlarmReport {
    std::vector<std::string> messages;
    bool began = false;
};

// Runs every channel's alarm at a display refresh: sets each channel's `alarm`.
LimitAlarmReport updateLimitAlarms(LiveDisplay& display, const LanguageTexts& texts);

// A measured mean against its channel's limits, as the measurement result shows it: nothing for a
// channel without a limit, else "within the limits" or "above the limit 100".
std::optional<std::string> meanLimitText(const ChannelSettings& settings, double mean,
                                         const LanguageTexts& texts);

// The means of a measurement, per channel; nothing where a channel had no valid value.
using ChannelMeans = std::array<std::optional<double>, kChannelCount>;

// The channels whose means lie outside their limits, in channel order.
std::vector<Channel> channelsOutsideLimits(const LiveDisplay& display, const ChannelMeans& means);
// The protocol's column of them: each channel's caption as the recording's header writes it,
// without blanks ("CO[ppm]"), separated by one blank; empty when every mean was within.
std::string outsideLimitsColumn(const LiveDisplay& display, const ChannelMeans& means);

// A limit given on the command line, "CO=200": a channel key and a number.
struct LimitOption {
    Channel channel;
    double limit;
};
std::optional<LimitOption> parseLimitOption(std::string_view text);

} // namespace kesto
