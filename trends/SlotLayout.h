#pragma once

#include "acquisition/Channels.h"
#include "acquisition/LiveValues.h"
#include "trends/TrendModel.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace kesto {

// The three diagrams of the live page and of the viewer share one fixed assignment of the
// nineteen channels to their eight slots; every channel stands in exactly one slot.
inline constexpr int kDiagramCount = 3;

// The channel in `slot` (0 to 7) of `diagram` (0 to 2); nothing for a slot without a channel
// and for numbers outside those ranges.
std::optional<Channel> slotChannel(int diagram, std::size_t slot);
// Slots with a channel: 8, 7 and 4. They are the first ones of each diagram.
std::size_t usedSlotCount(int diagram);

// The diagram (0 to 2) that printing prints from a tab of the main window or the viewer: the
// tabs of diagram 2 and 3 (tab 2 and 3) their own, every other tab diagram 1.
int diagramPrintedFromTab(int tabIndex);

// The column (1-based, date 1, time 2) of a recording file that holds a channel.
inline constexpr int recordingColumn(Channel c) {
    return 3 + static_cast<int>(index(c));
}

// A diagram's slot values from the nineteen channel values; slots without a channel get 0.
using ChannelValues = std::array<float, kChannelCount>;
SlotValues diagramSlotValues(int diagram, const ChannelValues& values);

// What a trend holds per slot: first name (`Name1`, the channel key), display name (`Name2`),
// number format (`ValueFormat`), scale range (`ValueFrom`, `ValueTo`), unit (`ValueUnit`),
// colour (`Color`) and the alarm limits: the settings of the channel's bar gauge.
using TrendSlots = std::array<ChannelSettings, kTrendSlots>;

// The slot settings of a diagram taken from the channels' bar settings; a slot without a
// channel keeps empty names.
TrendSlots diagramSlotSettings(int diagram, const LiveDisplay& display);
// The entries of a diagram's channel choice list: the first names of its used slots in order.
std::vector<std::string> choiceListEntries(int diagram, const LiveDisplay& display);

// A slot's data by 0-based index; an index outside 0 to 7 gives 0, an empty text or black.
double SlotValueAtCursor(int index, const ValueAtCursor& atCursor);
std::string SlotUnit(const TrendSlots& slotSet, int index);
std::string SlotName2(const TrendSlots& slotSet, int index);
Colour SlotColor(const TrendSlots& slotSet, int index);
std::string SlotFormat(const TrendSlots& slotSet, int index);

// The cursor read-out of a diagram for the choice-list index `index`: display name, date,
// time, the value in the slot's format and the unit. The live read-outs set the parts apart by
// seven, four, four blanks and one blank; the viewer's by single blanks. Dates and times use the
// process-wide short date and long time patterns. Nothing while no record has been under the
// cursor (the record's date-time is still 0): the read-out is then emptied.
std::optional<std::string> liveReadOut(const TrendSlots& slotSet, int index,
                                       const ValueAtCursor& atCursor);
std::optional<std::string> viewerReadOut(const TrendSlots& slotSet, int index,
                                         const ValueAtCursor& atCursor);

} // namespace kesto
