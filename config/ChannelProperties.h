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

struct PropertyApplyResult {
    bool restartMessage = false;       // the minimum or maximum text was changed
    std::optional<std::string> error;  // a conversion error; what came before it is applied
};

// OK of the property dialog: applies the fields to the bar and its labels, in the dialog's
// order, then the two alarm limits. `shownMinimum`/`shownMaximum` are the field texts when the
// dialog was shown. A limit that is not a number is refused with the message that ends in
// `notAFloat`, and applying stops there as for the scale fields; the labels are set by then.
PropertyApplyResult applyPropertyFields(const ChannelPropertyFields& fields,
                                        const std::string& shownMinimum,
                                        const std::string& shownMaximum, ChannelDisplay& display,
                                        std::string_view notAFloat);

// The message a failed whole-number conversion shows.
std::string notAnIntegerMessage(const std::string& text);

} // namespace kesto
