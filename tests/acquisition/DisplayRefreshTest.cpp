#include "AcquisitionFakes.h"
#include "acquisition/DisplayRefresh.h"
#include "tests/ParamName.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace kesto::test {
namespace {

class DisplayRefreshTest : public ::testing::Test {
protected:
    void refresh() { RefreshLiveDisplay(texts, options, means, refs, display); }
    const ChannelDisplay& channel(Channel c) const { return display[index(c)]; }
    void setText(Channel c, std::string text) {
        texts[static_cast<std::size_t>(channelInfo(c).frameWord)] = std::move(text);
    }
    void untickAll() {
        for (auto& r : refs) {
            r.checked = false;
        }
    }

    ReceivedTexts texts{};
    RefreshOptions options;
    MeanValues means;
    ReferenceSettings refs{};
    LiveDisplay display = makeDefaultDisplay(builtinChannelDefaults());
};

TEST_F(DisplayRefreshTest, showsDecodedFrameAsChannelValues) {
    ReceivedTexts decoded{};
    FakeClock clock;
    FrameDecoder decoder(decoded, clock);
    sendBurst(decoder, frameBytes(goodWords()), clock.tick + 1000);
    texts = decoded;
    untickAll();
    refresh();

    const std::vector<std::pair<Channel, float>> expected{
        {Channel::O2, 10.5f},    {Channel::CO, 50.0f},     {Channel::TG, 180.0f},
        {Channel::LAMBDA, 1.5f}, {Channel::ETA, 88.0f},    {Channel::CO2, 10.0f},
        {Channel::TR, 21.0f},    {Channel::NO, 40.0f},     {Channel::NO2, 5.0f},
        {Channel::SO2, 0.0f},    {Channel::CXHY, 0.0f},    {Channel::Zug, 2.5f},
        {Channel::Flow, 0.0f},   {Channel::H2, 0.0f},      {Channel::S6, 0.0f},
        {Channel::COMG, 62.5f},  {Channel::NOXMG, 92.52f}, {Channel::SO2MG, 0.0f},
        {Channel::CXHYMG, 0.0f}};
    for (const auto& [c, v] : expected) {
        EXPECT_TRUE(channel(c).valid) << channelKey(c);
        EXPECT_FLOAT_EQ(channel(c).value, v) << channelKey(c);
    }
}

TEST_F(DisplayRefreshTest, textsWithoutValueClearEveryChannel) {
    setAllTexts(texts, "105");
    refresh();
    setAllTexts(texts, "-");
    refresh();
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        EXPECT_FALSE(display[i].valid) << channelKey(channelAt(i));
        EXPECT_EQ(display[i].value, 0.0f) << channelKey(channelAt(i));
    }
    setAllTexts(texts, "");
    refresh();
    EXPECT_FALSE(channel(Channel::Flow).valid);
}

TEST_F(DisplayRefreshTest, slotSixIsNeverShown) {
    setAllTexts(texts, "-");
    texts[6] = "123";
    refresh();
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        EXPECT_FALSE(display[i].valid) << channelKey(channelAt(i));
    }
}

struct TgCase {
    bool decimals;
    const char* settingsFormat;
    const char* text;
    float value;
    const char* format;
    const char* shown;
};

void PrintTo(const TgCase& c, std::ostream* os) {
    *os << "decimals " << (c.decimals ? "on" : "off") << " format \"" << c.settingsFormat
        << "\" text \"" << c.text << '"';
}

class GasTemperatureTest : public DisplayRefreshTest,
                           public ::testing::WithParamInterface<TgCase> {};

// The gas-temperature option decides both the scaling and the format, whatever format the
// channel settings hold.
TEST_P(GasTemperatureTest, optionSetsScaleAndFormatAtEveryRefresh) {
    const TgCase& c = GetParam();
    options.tgasDecimals = c.decimals;
    display[index(Channel::TG)].settings.format = c.settingsFormat;
    setText(Channel::TG, c.text);
    refresh();
    const auto& tg = channel(Channel::TG);
    EXPECT_FLOAT_EQ(tg.value, c.value);
    EXPECT_EQ(tg.settings.format, c.format);
    EXPECT_EQ(tg.valueText(), c.shown);
}

INSTANTIATE_TEST_SUITE_P(Tg, GasTemperatureTest,
                         ::testing::Values(TgCase{false, "0", "235", 235.0f, "##0", "235"},
                                           TgCase{true, "0", "235", 23.5f, "##0.0", "23.5"},
                                           TgCase{false, "0.00", "235", 235.0f, "##0", "235"},
                                           TgCase{true, "0", "5", 0.5f, "##0.0", "0.5"},
                                           TgCase{false, "0.0", "0", 0.0f, "##0", "0"}),
                         test::ParamName{});

TEST_F(DisplayRefreshTest, meanCountsOnlyReceivedValues) {
    options.useMeanValue = true;
    setText(Channel::O2, "100");
    for (int i = 0; i < 3; ++i) {
        refresh();
    }
    EXPECT_FLOAT_EQ(channel(Channel::O2).value, 10.0f);

    // A silent link: the channel turns invalid, and its mean is left alone.
    setText(Channel::O2, "-");
    for (int i = 0; i < 10; ++i) {
        refresh();
    }
    EXPECT_FALSE(channel(Channel::O2).valid);
    EXPECT_EQ(channel(Channel::O2).value, 0.0f);
    EXPECT_EQ(means.slot(1).count, 3);

    setText(Channel::O2, "60");
    refresh(); // (300 + 60) / 4
    EXPECT_FLOAT_EQ(channel(Channel::O2).value, 9.0f);

    means.reset();
    refresh();
    EXPECT_FLOAT_EQ(channel(Channel::O2).value, 6.0f);
}

TEST_F(DisplayRefreshTest, lambdaAndEtaKeepSeparateMeans) {
    options.useMeanValue = true;
    setText(Channel::LAMBDA, "150");
    setText(Channel::ETA, "880");
    refresh();
    refresh();
    EXPECT_FLOAT_EQ(channel(Channel::LAMBDA).value, 1.5f);
    EXPECT_FLOAT_EQ(channel(Channel::ETA).value, 88.0f);
}

TEST_F(DisplayRefreshTest, coMeanKeepsOneDecimal) {
    options.useMeanValue = true;
    untickAll();
    setText(Channel::CO, "500");
    refresh();
    setText(Channel::CO, "510");
    refresh();
    EXPECT_FLOAT_EQ(channel(Channel::CO).value, 50.5f);
}

TEST_F(DisplayRefreshTest, meanOptionOffShowsLatestValue) {
    setText(Channel::O2, "100");
    refresh();
    setText(Channel::O2, "200");
    refresh();
    EXPECT_FLOAT_EQ(channel(Channel::O2).value, 20.0f);
    EXPECT_EQ(means.slot(1).count, 0);
}

struct MeanCase {
    std::int64_t sum;
    std::int32_t count;
    long long mean;
};

void PrintTo(const MeanCase& c, std::ostream* os) {
    *os << c.sum << " over " << c.count << " is " << c.mean;
}

class RoundedMeanTest : public ::testing::TestWithParam<MeanCase> {};

TEST_P(RoundedMeanTest, roundsHalfToEvenExactly) {
    EXPECT_EQ(roundedMean(GetParam().sum, GetParam().count), GetParam().mean);
}

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

INSTANTIATE_TEST_SUITE_P(
    Means, RoundedMeanTest,
    ::testing::Values(MeanCase{5, 2, 2}, MeanCase{7, 2, 4}, MeanCase{3, 2, 2}, MeanCase{-5, 2, -2},
                      MeanCase{-7, 2, -4}, MeanCase{-1, 2, 0}, MeanCase{-3, 2, -2},
                      MeanCase{1, 3, 0}, MeanCase{2, 3, 1}, MeanCase{-2, 3, -1},
                      MeanCase{-4, 3, -1}, MeanCase{0, 0, 0},
                      // Beyond the 53 bits a double holds exactly.
                      MeanCase{(std::int64_t{1} << 62) + 1, 2, std::int64_t{1} << 61},
                      MeanCase{(std::int64_t{1} << 62) + 3, 2, (std::int64_t{1} << 61) + 2},
                      MeanCase{kMax, 1, kMax}, MeanCase{kMin, 1, kMin},
                      MeanCase{kMax, 2, kMax / 2 + 1}, MeanCase{kMin, 2, kMin / 2}),
    test::ParamName{});

TEST(BigDisplay, showsZeroInEachChannelFormatWithoutData) {
    const LiveDisplay display = makeDefaultDisplay(builtinChannelDefaults());
    const BigDisplayTexts expected{"O2 [%] ~0.0",
                                   "Lambda [ ] ~0.00",
                                   "T Room [\xC2\xB0"
                                   "C] ~0.0",
                                   "T Gas [\xC2\xB0"
                                   "C] ~0",
                                   "CO [ppm] ~0",
                                   "CO [mg/m3] ~0",
                                   "CO2 [%] ~0.0",
                                   "Eta [%] ~0.0",
                                   "NOx [mg/m3] ~0",
                                   "NO [ppm] ~0",
                                   "NO2 [ppm] ~0",
                                   "SO2 [ppm] ~0",
                                   "SO2 [mg/m3] ~0",
                                   "CxHy [ppm] ~0",
                                   "CxHy [mg/m3] ~0",
                                   "Draught [hPa] ~0",
                                   "Flow [m/s] ~0.0",
                                   "H2 [ppm] ~0",
                                   "S6 [ppm] ~0",
                                   ""};
    EXPECT_EQ(FillBigDisplay(display), expected);
}

TEST_F(DisplayRefreshTest, bigDisplayShowsRefreshedValuesInChannelFormats) {
    texts = {"105", "500", "180", "150", "880", "100",  "0", "215",
             "40",  "7",   "5",   "12",  "-25", "12.3", "4", "-3"};
    refresh(); // all references ticked at 3.0
    const BigDisplayTexts cells = FillBigDisplay(display);
    // COMG: 50 * 1.25 * 18 / 10.5; CO: 50 * 18 / 10.5; NOx: 45 * 2.056 * 18 / 10.5.
    const std::vector<std::pair<std::size_t, std::string>> expected{{0, "O2 [%] ~10.5"},
                                                                    {1, "Lambda [ ] ~1.50"},
                                                                    {2, "T Room [\xC2\xB0"
                                                                        "C] ~21.5"},
                                                                    {3, "T Gas [\xC2\xB0"
                                                                        "C] ~180"},
                                                                    {4, "CO [ppm] ~86"},
                                                                    {5, "CO [mg/m3] ~107"},
                                                                    {6, "CO2 [%] ~10.0"},
                                                                    {7, "Eta [%] ~88.0"},
                                                                    {8, "NOx [mg/m3] ~159"},
                                                                    {9, "NO [ppm] ~69"},
                                                                    {10, "NO2 [ppm] ~9"},
                                                                    {11, "SO2 [ppm] ~7"},
                                                                    {12, "SO2 [mg/m3] ~35"},
                                                                    {13, "CxHy [ppm] ~12"},
                                                                    {14, "CxHy [mg/m3] ~41"},
                                                                    {15, "Draught [hPa] ~-3"},
                                                                    {16, "Flow [m/s] ~12.3"},
                                                                    {17, "H2 [ppm] ~4"},
                                                                    {18, "S6 [ppm] ~-3"},
                                                                    {19, ""}};
    for (const auto& [i, text] : expected) {
        EXPECT_EQ(cells[i], text) << "cell " << i;
    }
    EXPECT_EQ(splitBigDisplayText(cells[0]),
              std::make_pair(std::string("O2 [%] "), std::string("10.5")));
}

TEST(BigDisplay, cellsFollowGridOrder) {
    const std::array<std::array<const char*, 4>, 5> grid{{{"O2", "LAMBDA", "TR", "TG"},
                                                          {"CO", "COMG", "CO2", "ETA"},
                                                          {"NOXMG", "NO", "NO2", "SO2"},
                                                          {"SO2MG", "CXHY", "CXHYMG", "Zug"},
                                                          {"Flow", "H2", "S6", nullptr}}};
    for (int row = 0; row < kBigDisplayRows; ++row) {
        for (int column = 0; column < kBigDisplayColumns; ++column) {
            const char* key = grid[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
            const auto c = bigDisplayChannel(column, row);
            if (key == nullptr) {
                EXPECT_FALSE(c.has_value());
            } else {
                ASSERT_TRUE(c.has_value()) << row << "," << column;
                EXPECT_EQ(channelKey(*c), key) << row << "," << column;
            }
        }
    }
}

} // namespace
} // namespace kesto::test
