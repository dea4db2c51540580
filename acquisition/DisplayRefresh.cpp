#include "acquisition/DisplayRefresh.h"

#include "acquisition/NumberFormat.h"

namespace kesto {

void RefreshLiveDisplay(const ReceivedTexts& texts, const RefreshOptions& options,
                        MeanValues& means, ReferenceSettings& references, LiveDisplay& display) {
    using enum Channel;
    // The frame-fed channels with a running-mean slot, in refresh order.
    static constexpr std::array<Channel, 11> averaged{O2, CO, TG,  LAMBDA, ETA, CO2,
                                                      TR, NO, SO2, NO2,    CXHY};
    for (const Channel c : averaged) {
        const ChannelInfo& info = channelInfo(c);
        auto& d = display[index(c)];
        const auto parsed = parseInteger(texts[static_cast<std::size_t>(info.frameWord)]);
        if (!parsed) {
            // No value: the channel shows as invalid and its running mean is left alone, so a
            // dropout does not pull the mean towards 0.
            clearChannel(d);
            continue;
        }
        long long sample = *parsed;
        if (options.useMeanValue) {
            sample = means.add(info.meanSlot, sample);
        }
        double divisor = info.divisor;
        if (c == TG) {
            divisor = options.tgasDecimals ? 10.0 : 1.0;
            d.settings.format = options.tgasDecimals ? "##0.0" : "##0";
        }
        setChannel(d, static_cast<float>(static_cast<double>(sample) / divisor));
    }

    applyDerivedValues(display, references);

    for (const Channel c : {Zug, Flow, H2, S6}) {
        const ChannelInfo& info = channelInfo(c);
        auto& d = display[index(c)];
        const std::string& text = texts[static_cast<std::size_t>(info.frameWord)];
        std::optional<double> v;
        if (info.parse == TextParse::Decimal) {
            v = parseDecimal(text);
        } else if (const auto i = parseInteger(text)) {
            v = static_cast<double>(*i);
        }
        if (v) {
            setChannel(d, static_cast<float>(*v / info.divisor));
        } else {
            clearChannel(d);
        }
    }
}

std::optional<Channel> bigDisplayChannel(int column, int row) {
    using enum Channel;
    static constexpr std::array<std::array<Channel, 4>, 5> grid{{
        {O2, LAMBDA, TR, TG},
        {CO, COMG, CO2, ETA},
        {NOXMG, NO, NO2, SO2},
        {SO2MG, CXHY, CXHYMG, Zug},
        {Flow, H2, S6, S6},
    }};
    if (column < 0 || column >= kBigDisplayColumns || row < 0 || row >= kBigDisplayRows ||
        (row == 4 && column == 3)) {
        return std::nullopt;
    }
    return grid[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

BigDisplayTexts FillBigDisplay(const LiveDisplay& display) {
    BigDisplayTexts cells;
    for (int row = 0; row < kBigDisplayRows; ++row) {
        for (int column = 0; column < kBigDisplayColumns; ++column) {
            auto& cell = cells[static_cast<std::size_t>(row * kBigDisplayColumns + column)];
            if (const auto c = bigDisplayChannel(column, row)) {
                const auto& d = display[index(*c)];
                cell = d.label + "~" + d.valueText();
            } else {
                cell.clear();
            }
        }
    }
    return cells;
}

std::pair<std::string, std::string> splitBigDisplayText(const std::string& text) {
    const auto tilde = text.find('~');
    if (tilde == std::string::npos) {
        return {text, std::string{}};
    }
    return {text.substr(0, tilde), text.substr(tilde + 1)};
}

} // namespace kesto
