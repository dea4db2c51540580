#include "measurement/LimitAlarms.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kesto {
namespace {

using enum LimitAlarm;
constexpr float kInvalid = -1e30f; // a refresh at which the channel has no valid value

// One channel through a run of refreshes: its scale (from 0) and limits, the values, and the
// alarm after each refresh ('-' none, 'A' above, 'B' below).
TEST(LimitAlarm, beginsPastALimitAndEndsOnlyWellBackWithinIt) {
    struct Case {
        const char* name;
        float maximum;
        std::optional<double> above, below;
        std::vector<float> values;
        std::string alarms;
    };
    const std::vector<float> co{150,           200,    200.1f,   160, kInvalid,
                                std::nanf(""), 159.9f, kInvalid, 200, 201};
    const Case cases[] = {
        // 0 to 4000 ppm: the alarm ends more than 40 ppm under the limit.
        {"CO above 200", 4000, 200, {}, co, "--AAAA---A"},
        // 0 to 21 %: 0.21 % back; a reading that shows the limit equals it.
        {"O2 below 4.1", 21, {}, 4.1, {4.5f, 4.1f, 4.0f, 4.31f, 4.4f}, "--BB-"},
        {"both limits", 21, 6.0, 4.0, {6.1f, 3.5f, 5.9f, kInvalid}, "AB--"},
    };
    for (const Case& c : cases) {
        ChannelSettings s;
        s.maximum = c.maximum;
        s.alarmAbove = c.above;
        s.alarmBelow = c.below;
        LimitAlarm alarm = None;
        std::string alarms;
        for (const float v : c.values) {
            alarm = nextLimitAlarm(alarm, s, v, v != kInvalid);
            alarms += "-AB"[static_cast<int>(alarm)];
        }
        EXPECT_EQ(alarms, c.alarms) << c.name;
    }
    EXPECT_EQ(nextLimitAlarm(Above, ChannelSettings{}, 250, true), None); // its limit switched off
}

TEST(LimitAlarm, givesOneLinePerBeginningAndEndInTheChannelsFormat) {
    LiveDisplay display = makeDefaultDisplay(builtinChannelDefaults());
    ChannelDisplay& co = display[index(Channel::CO)];
    co.settings.alarmAbove = 100;
    display[index(Channel::O2)].settings.alarmBelow = 4;
    display[index(Channel::O2)].value = 3.5f;
    display[index(Channel::O2)].valid = co.valid = true;
    const std::pair<float, std::vector<std::string>> refreshes[]{
        {160, {"O2 [%] below the limit 4.0: 3.5", "CO [ppm] above the limit 100: 160"}},
        {170, {}},
        {45, {"CO [ppm] back within its limits: 45"}}};
    for (const auto& [value, lines] : refreshes) {
        co.value = value;
        const LimitAlarmReport r = updateLimitAlarms(display, LanguageTexts{});
        EXPECT_EQ(r.messages, lines);
        EXPECT_EQ(r.began, value == 160); // the tone
    }
}

TEST(LimitAlarm, measuredMeansAgainstTheLimitsAndTheProtocolColumn) {
    LiveDisplay display = makeDefaultDisplay(builtinChannelDefaults());
    display[index(Channel::CO)].settings.alarmAbove = 100;
    display[index(Channel::O2)].settings.alarmBelow = 4;
    display[index(Channel::LAMBDA)].settings.alarmAbove = 1.5;
    ChannelMeans means{};
    for (const auto& [c, mean, text] : {std::tuple{Channel::CO, 160.0, "above the limit 100"},
                                        {Channel::O2, 3.95, "below the limit 4.0"},
                                        {Channel::LAMBDA, 1.62, "above the limit 1.50"},
                                        {Channel::NO, 5000.0, "-"}}) { // NO has no limit
        EXPECT_EQ(meanLimitText(display[index(c)].settings, mean, {}).value_or("-"), text);
        means[index(c)] = mean;
    }
    EXPECT_EQ(outsideLimitsColumn(display, means), "O2[%] Lambda CO[ppm]");
    EXPECT_EQ(meanLimitText(display[index(Channel::CO)].settings, 100, {}), "within the limits");
    means[index(Channel::CO)].reset(); // no valid value, no mean to judge
    EXPECT_EQ(channelsOutsideLimits(display, means), (std::vector{Channel::O2, Channel::LAMBDA}));
}

} // namespace
} // namespace kesto
