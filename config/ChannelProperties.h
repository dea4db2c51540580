#pragma once

#include "acquisition/LiveValues.h"

#include <optional>
#include <string>
#include <string_view>

namespace kesto {

// The channel key of a clicked component: "NOXMGMinLabel" -> "NOXMG", "O2Bar" -> "O2".
std::string channelKeyOfComponent(std::string_view componentName);

// Whether a click on this component opens the property dialog: every bar, and the name,
// minimum and maximum labels of O2 to CXHYMG (not of Zug, Flow, H2, S6).
bool componentOpensProperties(std::string_view componentName);

// The fields of the property dialog.
struct ChannelPropertyFields {
    std::string name;
    std::string minimum;
    std::string maximum;
    std::string unit;
    std::string format;
    std::optional<int> colourPosition; // colour-table position; empty: nothing selected
    std::string alarmAbove;            // empty: no limit
    std::string alarmBelow;
};

// The fields as the dialog shows them for a bar. A colour that is not in the colour table
// (the gas temperature's gray) selects nothing, and the bar keeps it unless one is picked.
ChannelPropertyFields propertyFieldsFor(const ChannelSettings& bar);

// Whether OK of the property dialog first shows the restart message: the minimum or the
// maximum text differs from the one shown (`shownMinimum`/`shownMaximum`), as text: "00" for
// "0" counts.
bool propertiesNeedRestart(const ChannelPropertyFields& fields, const std::string& shownMinimum,
                           const std::string& shownMaximum);

// OK of the property dialog, after the restart message: applies the fields to the bar and its
// labels, in the dialog's order, then the two alarm limits. Returns the conversion error that
// stopped it; the fields before the wrong one are applied (the labels are set by the time a
// limit is read). A limit that is not a number is refused with the message that ends in
// `notAFloat`.
std::optional<std::string> applyPropertyFields(const ChannelPropertyFields& fields,
                                               ChannelDisplay& display,
                                               std::string_view notAFloat);

// The message a failed whole-number conversion shows.
std::string notAnIntegerMessage(const std::string& text);

} // namespace kesto
