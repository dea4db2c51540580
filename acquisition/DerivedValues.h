#pragma once

#include "acquisition/LiveValues.h"

#include <array>
#include <string>
#include <string_view>

namespace kesto {

// The seven reference-oxygen entries, in settings order. Each is an edit text as typed and a
// "calculated" check box.
enum class ReferenceEntry : int { COMG, NOXMG, SO2MG, CXHYMG, COPPM, NOPPM, NO2PPM };
inline constexpr std::size_t kReferenceEntryCount = 7;

struct ReferenceSetting {
    std::string text = "3.0";
    bool checked = true;
};

using ReferenceSettings = std::array<ReferenceSetting, kReferenceEntryCount>;

// Settings section of an entry ("COMG", ..., "COPPM", "NOPPM", "NO2PPM").
std::string_view referenceSection(ReferenceEntry e);
// Widget number of an entry: Edit<n> / CheckBox<n>.
int referenceWidgetNumber(ReferenceEntry e);
// The channel whose row the entry stands on and whose value it corrects.
Channel referenceChannel(ReferenceEntry e);
inline constexpr std::size_t index(ReferenceEntry e) { return static_cast<std::size_t>(e); }

// Reads the entry's reference oxygen content (blanks around the number are ignored). A text
// that is not a number is replaced by "3.0";
// this refresh then uses the leading number of the text if it starts with one ("4.5x" -> 4.5),
// else 0.
float ReadReferenceO2(ReferenceSetting& entry);

// (21 - r) / (21 - o), in single precision.
float ReferenceFactor(float referenceO2, float o2);

// The mass concentrations and reference-oxygen corrections, in their fixed order, on a display
// whose O2, CO, NO, NO2, SO2 and CXHY channels hold this refresh's values.
void applyDerivedValues(LiveDisplay& display, ReferenceSettings& references);

// To set a channel: store the value and mark it valid. To clear it: 0 and invalid.
inline void setChannel(ChannelDisplay& d, float value) {
    d.value = value;
    d.valid = true;
}
inline void clearChannel(ChannelDisplay& d) {
    d.value = 0;
    d.valid = false;
}

} // namespace kesto
