#include "trends/SlotLayout.h"

#include "acquisition/DateTimeFormat.h"
#include "acquisition/NumberFormat.h"

namespace kesto {
namespace {

using Slots = std::array<std::optional<Channel>, kTrendSlots>;

const std::array<Slots, kDiagramCount>& layout() {
    using enum Channel;
    static const std::array<Slots, kDiagramCount> table{{
        {O2, CO2, CO, NO, NO2, NOXMG, SO2, TG},
        {SO2MG, TR, ETA, LAMBDA, COMG, CXHY, CXHYMG, std::nullopt},
        {Zug, Flow, H2, S6, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
    }};
    return table;
}

bool validDiagram(int diagram) {
    return diagram >= 0 && diagram < kDiagramCount;
}

const ChannelSettings* slotAt(const TrendSlots& slotSet, int index) {
    if (index < 0 || index >= static_cast<int>(kTrendSlots)) {
        return nullptr;
    }
    return &slotSet[static_cast<std::size_t>(index)];
}

struct ReadOutParts {
    std::string name, date, time, value, unit;
};

std::optional<ReadOutParts> readOutParts(const TrendSlots& slotSet, int index,
                                         const ValueAtCursor& atCursor) {
    // Date-time 0 is the value-at-cursor record before any record has been under the cursor.
    // Its date text alone cannot tell: with a two-digit year it reads "30/12/99".
    if (atCursor.time == 0) {
        return std::nullopt;
    }
    const LocalDateTime t = fromDateTimeValue(atCursor.time);
    return ReadOutParts{
        SlotName2(slotSet, index), dateText(t), timeText(t),
        formatNumber(SlotValueAtCursor(index, atCursor), SlotFormat(slotSet, index)),
        SlotUnit(slotSet, index)};
}

} // namespace

std::optional<Channel> slotChannel(int diagram, std::size_t slot) {
    if (!validDiagram(diagram) || slot >= kTrendSlots) {
        return std::nullopt;
    }
    return layout()[static_cast<std::size_t>(diagram)][slot];
}

std::size_t usedSlotCount(int diagram) {
    std::size_t n = 0;
    while (n < kTrendSlots && slotChannel(diagram, n)) {
        ++n;
    }
    return n;
}

int diagramPrintedFromTab(int tabIndex) {
    return tabIndex == 2 || tabIndex == 3 ? tabIndex - 1 : 0;
}

SlotValues diagramSlotValues(int diagram, const ChannelValues& values) {
    SlotValues out{};
    if (!validDiagram(diagram)) {
        return out;
    }
    const Slots& slotChannels = layout()[static_cast<std::size_t>(diagram)];
    for (std::size_t s = 0; s < kTrendSlots; ++s) {
        if (slotChannels[s]) {
            out[s] = values[index(*slotChannels[s])];
        }
    }
    return out;
}

TrendSlots diagramSlotSettings(int diagram, const LiveDisplay& display) {
    TrendSlots slotSet{};
    for (std::size_t s = 0; s < kTrendSlots; ++s) {
        if (const auto c = slotChannel(diagram, s)) {
            const ChannelSettings& bar = display[index(*c)].settings;
            ChannelSettings& slot = slotSet[s];
            slot.colour = bar.colour;
            slot.format = bar.format;
            slot.minimum = bar.minimum;
            slot.maximum = bar.maximum;
            slot.unit = bar.unit;
            slot.firstName = bar.firstName;
            slot.displayName = bar.displayName;
            slot.alarmAbove = bar.alarmAbove;
            slot.alarmBelow = bar.alarmBelow;
        }
    }
    return slotSet;
}

std::vector<std::string> choiceListEntries(int diagram, const LiveDisplay& display) {
    std::vector<std::string> entries;
    for (std::size_t s = 0; s < usedSlotCount(diagram); ++s) {
        entries.push_back(display[index(*slotChannel(diagram, s))].settings.firstName);
    }
    return entries;
}

double SlotValueAtCursor(int index, const ValueAtCursor& atCursor) {
    if (index < 0 || index >= static_cast<int>(kTrendSlots)) {
        return 0;
    }
    return atCursor.values[static_cast<std::size_t>(index)];
}

std::string SlotUnit(const TrendSlots& slotSet, int index) {
    const ChannelSettings* s = slotAt(slotSet, index);
    return s != nullptr ? s->unit : std::string();
}

std::string SlotName2(const TrendSlots& slotSet, int index) {
    const ChannelSettings* s = slotAt(slotSet, index);
    return s != nullptr ? s->displayName : std::string();
}

Colour SlotColor(const TrendSlots& slotSet, int index) {
    const ChannelSettings* s = slotAt(slotSet, index);
    return s != nullptr ? s->colour : Colour{0};
}

std::string SlotFormat(const TrendSlots& slotSet, int index) {
    const ChannelSettings* s = slotAt(slotSet, index);
    return s != nullptr ? s->format : std::string();
}

std::optional<std::string> liveReadOut(const TrendSlots& slotSet, int index,
                                       const ValueAtCursor& atCursor) {
    auto p = readOutParts(slotSet, index, atCursor);
    if (!p) {
        return std::nullopt;
    }
    return p->name + std::string(7, ' ') + p->date + std::string(4, ' ') + p->time +
           std::string(4, ' ') + p->value + ' ' + p->unit;
}

std::optional<std::string> viewerReadOut(const TrendSlots& slotSet, int index,
                                         const ValueAtCursor& atCursor) {
    auto p = readOutParts(slotSet, index, atCursor);
    if (!p) {
        return std::nullopt;
    }
    return p->name + ' ' + p->date + ' ' + p->time + ' ' + p->value + ' ' + p->unit;
}

} // namespace kesto
