#include "measurement/Measurement.h"

#include "acquisition/DateTimeFormat.h"
#include "acquisition/NumberFormat.h"
#include "measurement/LimitAlarms.h"

#include <algorithm>

namespace kesto {

MeasurementPlan heldToRanges(MeasurementPlan plan) {
    using P = MeasurementPlan;
    plan.seconds = std::clamp(plan.seconds, P::kMinSeconds, P::kMaxSeconds);
    plan.readings = std::clamp(plan.readings, P::kMinReadings, P::kMaxReadings);
    plan.spacing = std::clamp(plan.spacing, plan.seconds, std::max(plan.seconds, P::kMaxSpacing));
    return plan;
}

std::string ChannelCaption::withUnit() const {
    const bool blank = std::all_of(unit.begin(), unit.end(), [](char c) { return c == ' '; });
    return blank ? name : name + " [" + unit + "]";
}

ChannelSettings ChannelCaption::settings() const {
    ChannelSettings s;
    s.displayName = name;
    s.unit = unit;
    s.format = format;
    s.alarmAbove = alarmAbove;
    s.alarmBelow = alarmBelow;
    return s;
}

void ChannelStatistics::add(double value) {
    minimum = count == 0 ? value : std::min(minimum, value);
    maximum = count == 0 ? value : std::max(maximum, value);
    sum += value;
    ++count;
}

std::optional<double> ChannelStatistics::mean() const {
    if (count == 0) {
        return std::nullopt;
    }
    return sum / count;
}

std::string MeasurementResult::valueText(std::size_t channel, std::optional<double> value) const {
    return value ? formatNumber(*value, captions[channel].format) : std::string();
}

void MeasurementSession::arm(const MeasurementPlan& plan, MeasurementFields fields) {
    result_ = MeasurementResult{};
    result_.plan = heldToRanges(plan);
    result_.fields = std::move(fields);
    tick_ = 0;
    state_ = State::Armed;
}

std::optional<MeasurementProgress> MeasurementSession::progress() const {
    if (state_ == State::Idle) {
        return std::nullopt;
    }
    if (state_ == State::Armed || tick_ == 0) {
        return MeasurementProgress{};
    }
    const MeasurementPlan& plan = result_.plan;
    const int last = tick_ - 1;
    const int reading = last / plan.spacing;
    const int offset = last % plan.spacing;
    if (offset < plan.seconds) {
        return MeasurementProgress{reading + 1, offset + 1, 0};
    }
    return MeasurementProgress{reading + 2, 0, (reading + 1) * plan.spacing - last};
}

std::optional<MeasurementResult>
MeasurementSession::onRefresh(const LiveDisplay& display, bool noData, const LocalDateTime& now) {
    if (state_ == State::Idle) {
        return std::nullopt;
    }
    if (state_ == State::Armed) {
        state_ = State::Measuring;
        result_.start = now;
        // The results keep the names, units and formats the gauges had at the start.
        for (std::size_t i = 0; i < kChannelCount; ++i) {
            const ChannelSettings& s = display[i].settings;
            result_.captions[i] = {s.displayName, s.unit, s.format, s.alarmAbove, s.alarmBelow};
        }
    }
    const MeasurementPlan& plan = result_.plan;
    const int offset = tick_ % plan.spacing;
    if (offset < plan.seconds) {
        if (offset == 0) {
            result_.readings.emplace_back();
        }
        ReadingStatistics& reading = result_.readings.back();
        ++reading.seconds;
        if (noData) {
            ++reading.noDataSeconds;
            ++result_.noDataSeconds;
        } else {
            for (std::size_t i = 0; i < kChannelCount; ++i) {
                if (display[i].valid) {
                    reading.channels[i].add(display[i].value);
                }
            }
        }
    }
    result_.end = now;
    if (++tick_ >= plan.totalSeconds()) {
        return finish();
    }
    return std::nullopt;
}

std::optional<MeasurementResult> MeasurementSession::stop() {
    if (state_ != State::Measuring) {
        state_ = State::Idle;
        return std::nullopt;
    }
    return finish();
}

MeasurementResult MeasurementSession::finish() {
    state_ = State::Idle;
    MeasurementResult& r = result_;
    r.complete = tick_ >= r.plan.totalSeconds() && r.noDataSeconds == 0;
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        ChannelStatistics overall;
        double sumOfMeans = 0;
        int readingsWithValue = 0;
        for (const ReadingStatistics& reading : r.readings) {
            const ChannelStatistics& s = reading.channels[i];
            if (const auto mean = s.mean()) {
                sumOfMeans += *mean;
                ++readingsWithValue;
                overall.add(s.minimum);
                overall.add(s.maximum);
            }
        }
        ChannelResult& c = r.channels[i];
        c = ChannelResult{};
        if (readingsWithValue > 0) {
            c.mean = sumOfMeans / readingsWithValue;
            c.minimum = overall.minimum;
            c.maximum = overall.maximum;
        }
        for (const ReadingStatistics& reading : r.readings) {
            c.count += reading.channels[i].count;
        }
    }
    return r;
}

std::string progressText(const MeasurementPlan& plan, const MeasurementProgress& progress,
                         const LanguageTexts& texts) {
    const auto n = [](int v) { return std::to_string(v); };
    if (progress.startsIn > 0) {
        return fillPlaceholders(texts.nextReadingStatus,
                                {n(progress.reading), n(plan.readings), n(progress.startsIn)});
    }
    return fillPlaceholders(texts.measuringStatus, {n(progress.second), n(plan.seconds),
                                                    n(progress.reading), n(plan.readings)});
}

std::string durationText(const MeasurementPlan& plan) {
    return std::to_string(plan.readings) + " \u00D7 " + std::to_string(plan.seconds) + " s";
}

std::vector<ResultField> resultFields(const MeasurementResult& result, const LanguageTexts& texts) {
    const MeasurementFields& f = result.fields;
    return {
        {texts.date, dateText(result.start)}, {texts.start, timeText(result.start)},
        {texts.end, timeText(result.end)},    {texts.readings, durationText(result.plan)},
        {texts.customer, f.customer},         {texts.site, f.site},
        {texts.appliance, f.appliance},       {texts.technician, f.technician},
    };
}

std::vector<ResultColumn> resultColumns(const MeasurementResult& result,
                                        const LanguageTexts& texts) {
    const auto column = [](std::string title, bool numeric, auto cell) {
        ResultColumn c{std::move(title), numeric, {}};
        for (std::size_t i = 0; i < kChannelCount; ++i) {
            c.cells.push_back(cell(i));
        }
        return c;
    };
    const auto& channels = result.channels;
    const auto extreme = [&](std::size_t i, double value) {
        return channels[i].count > 0 ? result.valueText(i, value) : std::string();
    };
    std::vector<ResultColumn> columns{
        column(texts.channel, false, [&](std::size_t i) { return result.captions[i].name; }),
        column(texts.unit, false,
               [&](std::size_t i) {
                   const std::string& unit = result.captions[i].unit;
                   return unit == " " ? std::string() : unit;
               }),
        column(texts.mean, true,
               [&](std::size_t i) { return result.valueText(i, channels[i].mean); }),
        column(texts.minimum, true, [&](std::size_t i) { return extreme(i, channels[i].minimum); }),
        column(texts.maximum, true, [&](std::size_t i) { return extreme(i, channels[i].maximum); }),
        column(texts.secondsWithValue, true,
               [&](std::size_t i) { return std::to_string(channels[i].count); }),
    };
    // Whether each mean lay within its channel's limits, where any channel has one.
    const auto& captions = result.captions;
    if (std::any_of(captions.begin(), captions.end(),
                    [](const ChannelCaption& c) { return c.alarmAbove || c.alarmBelow; })) {
        columns.push_back(column(texts.limits, false, [&](std::size_t i) {
            const auto& mean = channels[i].mean;
            return mean ? meanLimitText(captions[i].settings(), *mean, texts).value_or("")
                        : std::string();
        }));
    }
    if (result.plan.readings > 1) {
        for (std::size_t k = 0; k < result.readings.size(); ++k) {
            const ReadingStatistics& reading = result.readings[k];
            columns.push_back(column(
                fillPlaceholders(texts.readingMean, {std::to_string(k + 1)}), true,
                [&](std::size_t i) { return result.valueText(i, reading.channels[i].mean()); }));
        }
    }
    return columns;
}

} // namespace kesto
