// The measurement session against a plain oracle: random seconds (channels with and without a
// value, seconds of a silent link), one to ten readings, some measurements stopped early.
#include "measurement/Measurement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

namespace kesto {
namespace {

double mean(const std::vector<double>& v) {
    return std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
}

TEST(MeasurementSession, agreesWithAPlainOracleOnRandomSeconds) {
    std::mt19937 rng(20261208);
    const auto uniform = [&rng](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(rng);
    };
    for (int run = 0; run < 400; ++run) {
        SCOPED_TRACE(run);
        const int seconds = uniform(1, 8);
        const MeasurementPlan plan{seconds, uniform(1, 10), seconds + uniform(0, 4)};
        // One run in four is ended early, possibly before its first second.
        const int stopAt = uniform(0, 3) == 0 ? uniform(0, plan.totalSeconds() - 1) : -1;
        const int noDataShare = uniform(0, 1) * 15; // percent of silent seconds, or none

        MeasurementSession session;
        session.arm(plan, {"Customer", "", "", ""});
        LiveDisplay display = makeDefaultDisplay(builtinChannelDefaults());
        // The oracle: per reading begun, per channel, every value of its seconds.
        std::vector<std::array<std::vector<double>, kChannelCount>> values;
        bool silent = false;
        std::optional<MeasurementResult> result;
        int t = 0;
        for (; !result; ++t) {
            ASSERT_LE(t, plan.totalSeconds()) << "the session did not end";
            if (t == stopAt) {
                result = session.stop();
                break;
            }
            const bool noData = uniform(1, 100) <= noDataShare;
            for (ChannelDisplay& d : display) {
                d.valid = !noData && uniform(1, 10) <= 7;
                d.value = d.valid ? static_cast<float>(uniform(-5000, 50000)) / 100.0f : 0.0f;
            }
            result = session.onRefresh(display, noData, LocalDateTime{2024, 3, 7, 9, 0, t % 60});
            const int reading = t / plan.spacing;
            if (t % plan.spacing < plan.seconds) {
                values.resize(static_cast<std::size_t>(reading) + 1);
                silent = silent || noData;
                for (std::size_t i = 0; i < kChannelCount; ++i) {
                    if (display[i].valid) {
                        values.back()[i].push_back(display[i].value);
                    }
                }
            }
        }
        EXPECT_FALSE(session.running());
        if (stopAt == 0) {
            EXPECT_FALSE(result.has_value()); // stopped before its first second
            continue;
        }
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(result->complete, stopAt < 0 && !silent);
        EXPECT_EQ(t, stopAt < 0 ? plan.totalSeconds() : stopAt);
        EXPECT_EQ(result->fields.customer, "Customer");
        ASSERT_EQ(result->readings.size(), values.size());
        for (std::size_t i = 0; i < kChannelCount; ++i) {
            SCOPED_TRACE(i);
            std::vector<double> all;
            std::vector<double> means;
            for (std::size_t r = 0; r < values.size(); ++r) {
                const std::vector<double>& v = values[r][i];
                all.insert(all.end(), v.begin(), v.end());
                const auto readingMean = result->readings[r].channels[i].mean();
                ASSERT_EQ(readingMean.has_value(), !v.empty());
                if (!v.empty()) {
                    means.push_back(mean(v));
                    EXPECT_NEAR(*readingMean, means.back(), 1e-9);
                }
            }
            const ChannelResult& c = result->channels[i];
            EXPECT_EQ(c.count, static_cast<int>(all.size()));
            ASSERT_EQ(c.mean.has_value(), !all.empty());
            if (!all.empty()) {
                EXPECT_NEAR(*c.mean, mean(means), 1e-9);
                EXPECT_EQ(c.minimum, *std::min_element(all.begin(), all.end()));
                EXPECT_EQ(c.maximum, *std::max_element(all.begin(), all.end()));
            }
        }
    }
}

TEST(MeasurementSession, statusSaysWhereItStands) {
    MeasurementSession session;
    session.arm({2, 3, 4}, {});
    const LiveDisplay display = makeDefaultDisplay(builtinChannelDefaults());
    std::vector<std::string> status{progressText({2, 3, 4}, *session.progress(), {})};
    while (!session.onRefresh(display, false, {})) {
        status.push_back(progressText({2, 3, 4}, *session.progress(), {}));
    }
    EXPECT_EQ(status,
              (std::vector<std::string>{
                  "Measuring 0 of 2 s, reading 1 of 3", "Measuring 1 of 2 s, reading 1 of 3",
                  "Measuring 2 of 2 s, reading 1 of 3", "Reading 2 of 3 starts in 2 s",
                  "Reading 2 of 3 starts in 1 s", "Measuring 1 of 2 s, reading 2 of 3",
                  "Measuring 2 of 2 s, reading 2 of 3", "Reading 3 of 3 starts in 2 s",
                  "Reading 3 of 3 starts in 1 s", "Measuring 1 of 2 s, reading 3 of 3"}));
    EXPECT_FALSE(session.progress().has_value());
}

} // namespace
} // namespace kesto
