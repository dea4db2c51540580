#include "config/Settings.h"

#include "acquisition/Colour.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kesto {

namespace {

// A scale end as the store keeps it: the float truncated toward zero, held to the int range.
int truncatedWhole(float value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483648.0f) {
        return std::numeric_limits<int>::max();
    }
    if (value <= -2147483648.0f) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

constexpr std::string_view kCommunication = "Communication";
constexpr std::string_view kLogger = "Logger";
constexpr std::string_view kTGas = "TGas";
constexpr std::string_view kMeanValue = "Meanvalue";
constexpr std::string_view kFile = "File";
constexpr std::string_view kMeasurement = "Measurement";

} // namespace

int recordingTimerMs(int intervalSeconds) {
    constexpr int kOneDay = 24 * 60 * 60;
    return std::clamp(intervalSeconds, 0, kOneDay) * 1000;
}

void LoadChannelSettings(RegistryStore& store, const ChannelDefaults& defaults,
                         LiveDisplay& display) {
    StoreSession session(store);
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        const Channel channel = channelAt(i);
        const std::string_view key = channelKey(channel);
        const ChannelDefault& d = defaults[i];

        const std::string unit = store.readString(key, "Unit", d.unit);
        std::string defaultLabel = d.name;
        defaultLabel.append(" [").append(unit).append("] ");
        const std::string label = store.readString(key, "Label", defaultLabel);
        const int minimum = store.readInteger(key, "Min", wholeNumber(d.start).value_or(0));
        const int maximum = store.readInteger(key, "Max", wholeNumber(d.end).value_or(0));
        const std::string colourText = store.readString(key, "Color", d.colour);
        const std::string format = store.readString(key, "Format", d.format);
        // Files of earlier versions have no limits; a text that is not a number is no limit.
        const auto above = parseLimit(store.readString(key, "AlarmAbove", "")).limit;
        const auto below = parseLimit(store.readString(key, "AlarmBelow", "")).limit;

        ChannelDisplay& shown = display[i];
        ChannelSettings& s = shown.settings;
        s.firstName = std::string(key);
        s.displayName = d.name; // the stored "LabelName" is not read back
        s.minimum = static_cast<float>(minimum);
        s.maximum = static_cast<float>(maximum);
        s.unit = unit;
        s.format = format;
        // A colour text that is neither a name nor a number: the channel's own colour.
        s.colour = colourFromText(colourText).value_or(colourFromText(d.colour).value_or(0));
        s.divisor = 1;
        s.alarmAbove = above;
        s.alarmBelow = below;
        shown.label = label;
        shown.minLabel = std::to_string(minimum);
        shown.maxLabel = std::to_string(maximum);
    }
    session.commit();
}

void LoadReferenceSettings(RegistryStore& store, ReferenceSettings& references) {
    StoreSession session(store);
    for (std::size_t i = 0; i < kReferenceEntryCount; ++i) {
        const std::string_view section = referenceSection(static_cast<ReferenceEntry>(i));
        references[i].text = store.readString(section, "RefO2", "3.0");
        references[i].checked = store.readBoolean(section, "UseReferenceO2", true);
    }
    session.commit();
}

void LoadGeneralSettings(RegistryStore& store, GeneralSettings& settings) {
    StoreSession session(store);
    settings.comPort = store.readInteger(kCommunication, "COMPort", 1);
    settings.saveFormat = store.readInteger(kLogger, "SaveFormat", 1);
    settings.interval = store.readInteger(kLogger, "Interval", 0);
    settings.useTab = store.readBoolean(kLogger, "UseTab", false);
    settings.separator = store.readString(kLogger, "Separator", ",");
    settings.tgasDecimals = store.readBoolean(kTGas, "Decimals", false);
    settings.useMeanValue = store.readBoolean(kMeanValue, "UseMeanValue", false);
    settings.mmcFile = store.readString(kFile, "MMC", "");
    const GeneralSettings defaults;
    settings.measureSeconds = store.readInteger(kMeasurement, "Seconds", defaults.measureSeconds);
    settings.measureReadings =
        store.readInteger(kMeasurement, "Readings", defaults.measureReadings);
    settings.measureSpacing = store.readInteger(kMeasurement, "Spacing", defaults.measureSpacing);
    settings.technician = store.readString(kMeasurement, "Technician", "");
    session.commit();

    // The recording always separates its fields with ","; the stored choice is kept in the
    // store but not honoured, and the next save writes these back.
    settings.useTab = false;
    settings.separator.assign(1, ','); // (not = ",": GCC 12 warns falsely on that assignment)
    settings.recordingSeparator = settings.separator;
}

void SaveChannelSettings(RegistryStore& store, const LiveDisplay& display) {
    StoreSession session(store);
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        const std::string_view key = channelKey(channelAt(i));
        const ChannelSettings& s = display[i].settings;
        store.writeString(key, "LabelName", s.displayName);
        store.writeString(key, "Unit", s.unit);
        store.writeInteger(key, "Min", truncatedWhole(s.minimum));
        store.writeInteger(key, "Max", truncatedWhole(s.maximum));
        store.writeString(key, "Format", s.format);
        store.writeString(key, "Color", colourToText(s.colour));
        store.writeInteger(key, "Divisor", s.divisor);
        store.writeString(key, "AlarmAbove", limitText(s.alarmAbove));
        store.writeString(key, "AlarmBelow", limitText(s.alarmBelow));
    }
    session.commit();
}

void SaveReferenceSettings(RegistryStore& store, const ReferenceSettings& references) {
    StoreSession session(store);
    for (std::size_t i = 0; i < kReferenceEntryCount; ++i) {
        const std::string_view section = referenceSection(static_cast<ReferenceEntry>(i));
        store.writeString(section, "RefO2", references[i].text);
        store.writeBoolean(section, "UseReferenceO2", references[i].checked);
    }
    session.commit();
}

void SaveGeneralSettings(RegistryStore& store, const GeneralSettings& settings) {
    StoreSession session(store);
    store.writeInteger(kCommunication, "COMPort", settings.comPort);
    store.writeInteger(kLogger, "SaveFormat", settings.saveFormat);
    store.writeInteger(kLogger, "Interval", settings.interval);
    store.writeBoolean(kLogger, "UseTab", settings.useTab);
    store.writeString(kLogger, "Separator", settings.separator);
    store.writeBoolean(kMeanValue, "UseMeanValue", settings.useMeanValue);
    store.writeString(kFile, "MMC", settings.mmcFile);
    store.writeBoolean(kTGas, "Decimals", settings.tgasDecimals);
    store.writeInteger(kMeasurement, "Seconds", settings.measureSeconds);
    store.writeInteger(kMeasurement, "Readings", settings.measureReadings);
    store.writeInteger(kMeasurement, "Spacing", settings.measureSpacing);
    store.writeString(kMeasurement, "Technician", settings.technician);
    session.commit();
}

} // namespace kesto
