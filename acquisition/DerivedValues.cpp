#include "acquisition/DerivedValues.h"

#include "acquisition/NumberFormat.h"

#include <charconv>

namespace kesto {

std::string_view referenceSection(ReferenceEntry e) {
    static constexpr std::array<std::string_view, kReferenceEntryCount> names{
        "COMG", "NOXMG", "SO2MG", "CXHYMG", "COPPM", "NOPPM", "NO2PPM"};
    return names[index(e)];
}

int referenceWidgetNumber(ReferenceEntry e) { return static_cast<int>(index(e)) + 1; }

Channel referenceChannel(ReferenceEntry e) {
    static constexpr std::array<Channel, kReferenceEntryCount> channels{
        Channel::COMG, Channel::NOXMG, Channel::SO2MG, Channel::CXHYMG,
        Channel::CO,   Channel::NO,    Channel::NO2};
    return channels[index(e)];
}

float ReadReferenceO2(ReferenceSetting& entry) {
    // Blanks typed around the number do not make it malformed.
    std::string_view typed = entry.text;
    while (!typed.empty() && typed.front() == ' ') {
        typed.remove_prefix(1);
    }
    while (!typed.empty() && typed.back() == ' ') {
        typed.remove_suffix(1);
    }
    if (const auto v = parseDecimal(typed)) {
        return static_cast<float>(*v);
    }
    // Not a number: the entry falls back to "3.0" from the next refresh on. For this refresh
    // a text that starts with a number ("4.5%") uses that number; anything else uses 0.
    double leading = 0;
    const std::string& t = entry.text;
    std::size_t len = 0;
    while (len < t.size() && ((t[len] >= '0' && t[len] <= '9') || t[len] == '.' ||
                              (len == 0 && (t[0] == '-' || t[0] == '+')))) {
        ++len;
    }
    if (len > 0) {
        leading = parseDecimal(std::string_view(t).substr(0, len)).value_or(0.0);
    }
    entry.text = "3.0";
    return static_cast<float>(leading);
}

float ReferenceFactor(float referenceO2, float o2) {
    return (21.0f - referenceO2) / (21.0f - o2);
}

namespace {

// One mass concentration or ppm correction: `base` referred to the entry's oxygen content when
// the entry is ticked; 0 above 20 % O2.
float corrected(float base, ReferenceSetting& entry, float o2) {
    if (!entry.checked) {
        return base;
    }
    const float r = ReadReferenceO2(entry);
    if (o2 > 20.0f) {
        return 0.0f;
    }
    return base * ReferenceFactor(r, o2);
}

} // namespace

void applyDerivedValues(LiveDisplay& display, ReferenceSettings& refs) {
    auto ch = [&display](Channel c) -> ChannelDisplay& { return display[index(c)]; };
    auto entry = [&refs](ReferenceEntry e) -> ReferenceSetting& { return refs[index(e)]; };
    // An invalid O2 channel holds 0, which gives the factor (21 - r) / 21.
    const float o2 = ch(Channel::O2).value;
    const ChannelDisplay& co = ch(Channel::CO);
    const ChannelDisplay& no = ch(Channel::NO);
    const ChannelDisplay& no2 = ch(Channel::NO2);
    const ChannelDisplay& so2 = ch(Channel::SO2);
    const ChannelDisplay& cxhy = ch(Channel::CXHY);

    if (co.valid) {
        setChannel(ch(Channel::COMG), corrected(co.value * 1.25f, entry(ReferenceEntry::COMG), o2));
    } else {
        clearChannel(ch(Channel::COMG));
    }
    if (no.valid && no2.valid) {
        setChannel(ch(Channel::NOXMG),
                   corrected((no.value + no2.value) * 2.056f, entry(ReferenceEntry::NOXMG), o2));
    } else {
        clearChannel(ch(Channel::NOXMG));
    }
    if (so2.valid) {
        setChannel(ch(Channel::SO2MG), corrected(so2.value * 2.92f, entry(ReferenceEntry::SO2MG), o2));
    } else {
        clearChannel(ch(Channel::SO2MG));
    }
    if (cxhy.valid) {
        setChannel(ch(Channel::CXHYMG),
                   corrected(cxhy.value * 2.01f, entry(ReferenceEntry::CXHYMG), o2));
    } else {
        clearChannel(ch(Channel::CXHYMG));
    }
    const std::array<std::pair<Channel, ReferenceEntry>, 3> ppm{{
        {Channel::CO, ReferenceEntry::COPPM},
        {Channel::NO, ReferenceEntry::NOPPM},
        {Channel::NO2, ReferenceEntry::NO2PPM},
    }};
    for (const auto& [c, e] : ppm) {
        auto& d = ch(c);
        if (d.valid) {
            setChannel(d, corrected(d.value, entry(e), o2));
        } else {
            clearChannel(d);
        }
    }
}

} // namespace kesto
