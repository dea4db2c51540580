#pragma once

#include "acquisition/Channels.h"
#include "acquisition/LiveValues.h"
#include "config/Language.h"
#include "platform/Clock.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kesto {

// An averaged measurement: one or more readings of a fixed number of seconds, their starts a
// fixed number of seconds apart. A second is one display refresh; the values of a second are
// those the gauges show after it.
struct MeasurementPlan {
    static constexpr int kMinSeconds = 1;
    static constexpr int kMaxSeconds = 600;
    static constexpr int kMinReadings = 1;
    static constexpr int kMaxReadings = 10;
    // Nine gaps of an hour at most: a measurement that fits into a working day.
    static constexpr int kMaxSpacing = 3600;

    int seconds = 30; // per reading
    int readings = 1;
    int spacing = 30; // from the start of one reading to the start of the next, >= seconds

    // Refreshes from the first second of the first reading to the last of the last one.
    int totalSeconds() const { return (readings - 1) * spacing + seconds; }
    bool operator==(const MeasurementPlan&) const = default;
};

// The plan held to its ranges; a spacing shorter than a reading becomes the reading's length.
MeasurementPlan heldToRanges(MeasurementPlan plan);

// The technician's notes on what was measured; each may be empty.
struct MeasurementFields {
    std::string customer;
    std::string site;
    std::string appliance;
    std::string technician;
};

// How a channel was shown when the measurement started: its results are given in these terms,
// and its mean is judged against the limits it had then.
struct ChannelCaption {
    std::string name;
    std::string unit;
    std::string format;
    std::optional<double> alarmAbove;
    std::optional<double> alarmBelow;

    // "CO [mg/m3]"; a channel whose unit is blank (lambda) is its name alone.
    std::string withUnit() const;
    // The channel's display settings as far as they were kept: name, unit, format and limits.
    ChannelSettings settings() const;
};

// The seconds of one channel that had a value.
struct ChannelStatistics {
    int count = 0;
    double sum = 0;
    double minimum = 0;
    double maximum = 0;

    void add(double value);
    std::optional<double> mean() const;
};

using ChannelStatisticsSet = std::array<ChannelStatistics, kChannelCount>;

struct ReadingStatistics {
    ChannelStatisticsSet channels{};
    int seconds = 0;       // seconds of this reading that were measured
    int noDataSeconds = 0; // of those, seconds in which the analyzer's link was silent
};

// A channel over the whole measurement: the mean of the readings' means (each reading in which
// the channel had a value counts once, however many seconds it had), the smallest and largest
// value of any second, and the seconds with a value.
struct ChannelResult {
    std::optional<double> mean;
    double minimum = 0;
    double maximum = 0;
    int count = 0;
};

struct MeasurementResult {
    MeasurementPlan plan;
    MeasurementFields fields;
    std::array<ChannelCaption, kChannelCount> captions;
    LocalDateTime start; // the first second
    LocalDateTime end;   // the last second measured
    // Every planned second was measured and none of them fell into a silent link.
    bool complete = false;
    int noDataSeconds = 0;
    std::vector<ReadingStatistics> readings; // those begun, in order
    std::array<ChannelResult, kChannelCount> channels;

    // The channel's value in its number format ("." as decimal point); "" without one.
    std::string valueText(std::size_t channel, std::optional<double> value) const;
};

// Where a running measurement stands after its last second.
struct MeasurementProgress {
    int reading = 1;  // 1-based
    int second = 0;   // seconds of that reading measured; 0 while waiting for it
    int startsIn = 0; // while waiting for a reading: refreshes until its first second
};

// The measurement that the window's refresh (or the console's) feeds once a second.
class MeasurementSession {
public:
    // Starts a measurement at the next refresh; one that runs is replaced.
    void arm(const MeasurementPlan& plan, MeasurementFields fields);
    // Drops a running measurement without a result.
    void cancel() { state_ = State::Idle; }
    bool running() const { return state_ != State::Idle; }
    const MeasurementPlan& plan() const { return result_.plan; }
    // Nothing before the first second.
    std::optional<MeasurementProgress> progress() const;

    // One display refresh: `display` as the gauges show it, `noData` when the link was found
    // silent. Returns the result when this second ends the measurement.
    std::optional<MeasurementResult> onRefresh(const LiveDisplay& display, bool noData,
                                               const LocalDateTime& now);
    // Ends a running measurement before its time: the result so far, incomplete. Nothing when
    // it had not begun.
    std::optional<MeasurementResult> stop();

private:
    enum class State { Idle, Armed, Measuring };

    MeasurementResult finish();

    State state_ = State::Idle;
    int tick_ = 0; // refreshes since the first second
    MeasurementResult result_;
};

// The status line: "Measuring 12 of 30 s, reading 1 of 3", or while waiting for the next
// reading "Reading 2 of 3 starts in 25 s".
std::string progressText(const MeasurementPlan& plan, const MeasurementProgress& progress,
                         const LanguageTexts& texts);

// "3 × 30 s": readings × seconds.
std::string durationText(const MeasurementPlan& plan);

// The result window's and the printed page's fields above the table, as label and value.
struct ResultField {
    std::string label;
    std::string value;
};
std::vector<ResultField> resultFields(const MeasurementResult& result, const LanguageTexts& texts);

// The table of the nineteen channels, one row per channel. Its columns are listed in one place,
// resultColumns(); the window and the printed page show them as they are.
struct ResultColumn {
    std::string title;
    bool numeric = false;           // right-aligned
    std::vector<std::string> cells; // one per channel
};
std::vector<ResultColumn> resultColumns(const MeasurementResult& result,
                                        const LanguageTexts& texts);

} // namespace kesto
