#include "acquisition/Channels.h"

namespace kesto {

const std::array<ChannelInfo, kChannelCount>& channelTable() {
    using enum Channel;
    using enum TextParse;
    static const std::array<ChannelInfo, kChannelCount> table{{
        {O2, "O2", 0, Integer, 1, 10},
        {CO2, "CO2", 5, Integer, 5, 10},
        {TG, "TG", 2, Integer, 3, 1},
        {TR, "TR", 7, Integer, 6, 10},
        {ETA, "ETA", 4, Integer, 11, 10},
        {LAMBDA, "LAMBDA", 3, Integer, 4, 100},
        {CO, "CO", 1, Integer, 2, 10},
        {COMG, "COMG", -1, Integer, 0, 1},
        {NO, "NO", 8, Integer, 7, 1},
        {NO2, "NO2", 10, Integer, 9, 1},
        {NOXMG, "NOXMG", -1, Integer, 0, 1},
        {SO2, "SO2", 9, Integer, 8, 1},
        {SO2MG, "SO2MG", -1, Integer, 0, 1},
        {CXHY, "CXHY", 11, Integer, 10, 1},
        {CXHYMG, "CXHYMG", -1, Integer, 0, 1},
        {Zug, "Zug", 12, Decimal, 0, 10},
        {Flow, "Flow", 13, Decimal, 0, 1},
        {H2, "H2", 14, Integer, 0, 1},
        {S6, "S6", 15, Integer, 0, 1},
    }};
    return table;
}

const ChannelInfo& channelInfo(Channel c) { return channelTable()[index(c)]; }

std::string_view channelKey(Channel c) { return channelInfo(c).key; }

std::optional<Channel> channelFromKey(std::string_view key) {
    for (const auto& info : channelTable()) {
        if (info.key == key) {
            return info.channel;
        }
    }
    return std::nullopt;
}

const ChannelDefaults& builtinChannelDefaults() {
    static const ChannelDefaults defaults{{
        {"O2", "%", "0", "21", "0.0", "clAqua"},
        {"CO2", "%", "0", "25", "0.0", "clBlue"},
        {"T Gas", "\xC2\xB0" "C", "0", "500", "0", "clGray"},
        {"T Room", "\xC2\xB0" "C", "0", "50", "0.0", "clFuchsia"},
        {"Eta", "%", "0", "100", "0.0", "clGreen"},
        {"Lambda", " ", "0", "100", "0.00", "clLime"},
        {"CO", "ppm", "0", "4000", "0", "clSilver"},
        {"CO", "mg/m3", "0", "5000", "0", "clMaroon"},
        {"NO", "ppm", "0", "2000", "0", "clNavy"},
        {"NO2", "ppm", "0", "2000", "0", "clOlive"},
        {"NOx", "mg/m3", "0", "5000", "0", "clRed"},
        {"SO2", "ppm", "0", "2000", "0", "clRed"},
        {"SO2", "mg/m3", "0", "5000", "0", "clTeal"},
        {"CxHy", "ppm", "0", "2000", "0", "clWhite"},
        {"CxHy", "mg/m3", "0", "4000", "0", "clYellow"},
        {"Draught", "hPa", "0", "4000", "0", "clRed"},
        {"Flow", "m/s", "0", "4000", "0.0", "clTeal"},
        {"H2", "ppm", "0", "4000", "0", "clWhite"},
        {"S6", "ppm", "0", "4000", "0", "clYellow"},
    }};
    return defaults;
}

} // namespace kesto
