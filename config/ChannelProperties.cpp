#include "config/ChannelProperties.h"

#include "acquisition/Colour.h"

namespace kesto {

std::string channelKeyOfComponent(std::string_view name) {
    if (const auto label = name.find("Label"); label != std::string_view::npos) {
        std::string_view key = name.substr(0, label);
        if (const auto min = key.find("Min"); min != std::string_view::npos) {
            key = key.substr(0, min);
        }
        if (const auto max = key.find("Max"); max != std::string_view::npos) {
            key = key.substr(0, max);
        }
        return std::string(key);
    }
    if (const auto bar = name.find("Bar"); bar != std::string_view::npos) {
        return std::string(name.substr(0, bar));
    }
    return std::string(name);
}

bool componentOpensProperties(std::string_view name) {
    const std::string key = channelKeyOfComponent(name);
    const auto channel = channelFromKey(key);
    if (!channel) {
        return false;
    }
    if (name.find("Label") == std::string_view::npos) {
        return true; // a bar
    }
    return index(*channel) <= index(Channel::CXHYMG);
}

ChannelPropertyFields propertyFieldsFor(const ChannelSettings& bar) {
    ChannelPropertyFields f;
    f.name = bar.displayName;
    f.minimum = std::to_string(static_cast<long long>(bar.minimum));
    f.maximum = std::to_string(static_cast<long long>(bar.maximum));
    f.unit = bar.unit;
    f.format = bar.format;
    f.colourPosition = colourTablePosition(bar.colour);
    f.alarmAbove = limitText(bar.alarmAbove);
    f.alarmBelow = limitText(bar.alarmBelow);
    return f;
}

std::string notAnIntegerMessage(const std::string& text) {
    return "'" + text + "' is not a valid integer value";
}

bool propertiesNeedRestart(const ChannelPropertyFields& fields, const std::string& shownMinimum,
                           const std::string& shownMaximum) {
    return fields.minimum != shownMinimum || fields.maximum != shownMaximum;
}

std::optional<std::string> applyPropertyFields(const ChannelPropertyFields& fields,
                                               ChannelDisplay& display,
                                               std::string_view notAFloat) {
    auto& bar = display.settings;
    bar.displayName = fields.name;
    const auto minimum = wholeNumber(fields.minimum);
    if (!minimum) {
        return notAnIntegerMessage(fields.minimum);
    }
    bar.minimum = static_cast<float>(*minimum);
    const auto maximum = wholeNumber(fields.maximum);
    if (!maximum) {
        return notAnIntegerMessage(fields.maximum);
    }
    bar.maximum = static_cast<float>(*maximum);
    bar.unit = fields.unit;
    bar.format = fields.format;
    // With nothing selected in the list the bar keeps its colour.
    if (fields.colourPosition && *fields.colourPosition >= 0 &&
        *fields.colourPosition < static_cast<int>(colourTable().size())) {
        bar.colour = colourTable()[static_cast<std::size_t>(*fields.colourPosition)].value;
    }
    display.label = bar.displayName + " [" + bar.unit + "]";
    display.minLabel = std::to_string(static_cast<long long>(bar.minimum));
    display.maxLabel = std::to_string(static_cast<long long>(bar.maximum));
    for (const auto& [text, limit] : {std::pair{&fields.alarmAbove, &bar.alarmAbove},
                                      std::pair{&fields.alarmBelow, &bar.alarmBelow}}) {
        const LimitEntry entry = parseLimit(*text);
        if (!entry.valid) {
            return "'" + *text + "' " + std::string(notAFloat);
        }
        *limit = entry.limit;
    }
    return std::nullopt;
}

} // namespace kesto
