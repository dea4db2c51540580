#pragma once

#include "acquisition/DerivedValues.h"
#include "acquisition/LiveValues.h"

#include <array>
#include <string>

namespace kesto {

struct RefreshOptions {
    bool tgasDecimals = false;  // gas temperature received in tenths
    bool useMeanValue = false;  // show running means
};

// Turns the received texts into channel values: parse, running mean, scale, set or clear,
// the gas-temperature format rule, derived values, then draught, flow, H2 and S6.
void RefreshLiveDisplay(const ReceivedTexts& texts, const RefreshOptions& options,
                        MeanValues& means, ReferenceSettings& references, LiveDisplay& display);

inline constexpr int kBigDisplayColumns = 4;
inline constexpr int kBigDisplayRows = 5;
using BigDisplayTexts = std::array<std::string, kBigDisplayColumns * kBigDisplayRows>;

// The channel in a big-display cell (row-major), or std::nullopt for the empty last cell.
std::optional<Channel> bigDisplayChannel(int column, int row);

// Each cell: the name label text, "~", the bar's value in its number format.
BigDisplayTexts FillBigDisplay(const LiveDisplay& display);

// Splits a cell text at the first "~" into name and value.
std::pair<std::string, std::string> splitBigDisplayText(const std::string& text);

} // namespace kesto
