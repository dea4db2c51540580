#include "measurement/LimitAlarms.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace kesto {
namespace {

using enum LimitAlarm;

ChannelSettings scale(float minimum, float maximum, std::optional<double> above,
                      std::optional<double> below) {
    ChannelSettings s;
    s.minimum = minimum;
    s.maximum = maximum;
    s.alarmAbove = above;
    s.alarmBelow = below;
    return s;
}

struct Refresh {
    float value;
    bool valid;
    LimitAlarm after;
};

// One channel through a run of refreshes, each row the alarm after it.
TEST(LimitAlarm, beginsPastALimitAndEndsOnlyWellBackWithinIt) {
    const float kNaN = std::nanf("");
    struct Case {
        const char* name;
        ChannelSettings settings;
        LimitAlarm before;
        std::vector<Refresh> refreshes;
    };
    const Case cases[] = {
        // Scale 0 to 4000 ppm: the alarm ends 40 ppm below the limit.
        {"CO above 200",
         scale(0, 4000, 200, {}),
         None,
         {{150, true, None},
          {200, true, None},
          {200.1f, true, Above},
          {160, true, Above},
          {0, false, Above},
          {kNaN, true, Above},
          {159.9f, true, None},
          {0, false, None},
          {200, true, None},
          {201, true, Above}}},
        // Scale 0 to 21 %: 0.21 % of hysteresis; a value that shows the limit equals it.
        {"O2 below 3.9",
         scale(0, 21, {}, 3.9),
         None,
         {{4.5f, true, None},
          {3.9f, true, None},
          {3.8f, true, Below},
          {4.11f, true, Below},
          {4.2f, true, None}}},
        {"both limits, from one straight to the other",
         scale(0, 21, 6.0, 4.0),
         None,
         {{6.1f, true, Above}, {3.5f, true, Below}, {5.9f, true, None}, {25, false, None}}},
        {"limit switched off during its alarm", scale(0, 4000, {}, {}), Above, {{250, true, None}}},
    };
    for (const Case& c : cases) {
        LimitAlarm alarm = c.before;
        int step = 0;
        for (const Refresh& r : c.refreshes) {
            alarm = nextLimitAlarm(alarm, c.settings, r.value, r.valid);
            EXPECT_EQ(alarm, r.after) << c.name << ", refresh " << ++step << ": " << r.value;
        }
    }
}

TEST(LimitAlarm, givesOneLinePerBeginningAndEndInTheChannelsFormat) {
    LiveDisplay display = makeDefaultDisplay(builtinChannelDefaults());
    ChannelDisplay& co = display[index(Channel::CO)];
    ChannelDisplay& o2 = display[index(Channel::O2)];
    co.settings.alarmAbove = 100;
    o2.settings.alarmBelow = 4;
    const LanguageTexts texts;
    const auto refresh = [&](float coValue, float o2Value) {
        co.value = coValue;
        o2.value = o2Value;
        co.valid = o2.valid = true;
        return updateLimitAlarms(display, texts);
    };

    LimitAlarmReport r = refresh(160, 3.5f);
    EXPECT_EQ(r.messages, (std::vector<std::string>{"O2 [%] below the limit 4.0: 3.5",
                                                    "CO [ppm] above the limit 100: 160"}));
    EXPECT_TRUE(r.began);
    EXPECT_EQ(co.alarm, Above);
    EXPECT_TRUE(refresh(170, 3.5f).messages.empty());
    r = refresh(45, 3.5f);
    EXPECT_EQ(r.messages, std::vector<std::string>{"CO [ppm] back within its limits: 45"});
    EXPECT_FALSE(r.began);
}

TEST(LimitAlarm, measuredMeansAgainstTheLimitsAndTheProtocolColumn) {
    LiveDisplay display = makeDefaultDisplay(builtinChannelDefaults());
    display[index(Channel::CO)].settings.alarmAbove = 100;
    display[index(Channel::O2)].settings.alarmBelow = 4;
    display[index(Channel::LAMBDA)].settings.alarmAbove = 1.5;
    const LanguageTexts texts;
    const auto text = [&](Channel c, double mean) {
        return meanLimitText(display[index(c)].settings, mean, texts).value_or("(no limit)");
    };
    EXPECT_EQ(text(Channel::CO, 160), "above the limit 100");
    EXPECT_EQ(text(Channel::CO, 100), "within the limits");
    EXPECT_EQ(text(Channel::O2, 3.95), "below the limit 4.0");
    EXPECT_EQ(text(Channel::NO, 5000), "(no limit)");

    ChannelMeans means{};
    means[index(Channel::CO)] = 160;
    means[index(Channel::O2)] = 3.5;
    means[index(Channel::LAMBDA)] = 1.62;
    means[index(Channel::NO)] = 5000;
    EXPECT_EQ(outsideLimitsColumn(display, means), "O2[%] Lambda CO[ppm]");
    means[index(Channel::CO)].reset(); // no valid value: no mean to judge
    means[index(Channel::O2)] = 4.0;
    EXPECT_EQ(channelsOutsideLimits(display, means), std::vector<Channel>{Channel::LAMBDA});
}

TEST(LimitAlarm, limitTextsOfTheDialogTheStoreAndTheCommandLine) {
    EXPECT_EQ(parseLimit(" 4.5 ").limit, 4.5);
    EXPECT_TRUE(parseLimit("  ").valid);
    EXPECT_FALSE(parseLimit("  ").limit);
    EXPECT_FALSE(parseLimit("4,0").valid);
    EXPECT_EQ(limitText(200.0), "200");
    EXPECT_EQ(limitText(std::nullopt), "");

    const auto co = parseLimitOption("CO=200");
    ASSERT_TRUE(co);
    EXPECT_EQ(co->channel, Channel::CO);
    EXPECT_EQ(co->limit, 200);
    for (const char* refused : {"co=200", "CO=", "CO=abc", "CO", "X=1"}) {
        EXPECT_FALSE(parseLimitOption(refused)) << refused;
    }
}

} // namespace
} // namespace kesto
