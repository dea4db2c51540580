#include "acquisition/Channels.h"
#include "acquisition/Colour.h"
#include "acquisition/LiveValues.h"
#include "tests/ParamName.h"

#include <gtest/gtest.h>

namespace kesto {
namespace {

TEST(Colour, standardColoursRoundTripByName) {
    for (const auto& named : standardColours()) {
        EXPECT_EQ(colourToText(named.value), named.name);
        EXPECT_EQ(colourFromText(named.name), named.value) << named.name;
    }
}

TEST(Colour, otherColoursRoundTripAsHex) {
    for (const Colour c : {0x00123456u, 0x00C0C0C1u, 0x01000000u, 0x00000001u}) {
        const std::string text = colourToText(c);
        EXPECT_EQ(text.front(), '$') << text;
        EXPECT_EQ(text.size(), 9u) << text;
        EXPECT_EQ(colourFromText(text), c) << text;
    }
    EXPECT_EQ(colourToText(0x00123456u), "$00123456");
}

struct ColourTextCase {
    const char* text;
    std::optional<Colour> colour;
};

void PrintTo(const ColourTextCase& c, std::ostream* os) {
    *os << '"' << c.text << "\" is ";
    if (c.colour) {
        *os << "0x" << std::hex << std::uppercase << *c.colour;
    } else {
        *os << "no colour";
    }
}

class ColourFromTextTest : public ::testing::TestWithParam<ColourTextCase> {};

TEST_P(ColourFromTextTest, readsNameDecimalOrHex) {
    EXPECT_EQ(colourFromText(GetParam().text), GetParam().colour) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ColourFromTextTest,
    ::testing::Values(ColourTextCase{"clSilver", 0xC0C0C0u}, ColourTextCase{"CLSILVER", 0xC0C0C0u},
                      ColourTextCase{"clsilver", 0xC0C0C0u}, ColourTextCase{"ClRed", 0x0000FFu},
                      ColourTextCase{"$00C0C0C0", 0xC0C0C0u}, ColourTextCase{"$c0c0c0", 0xC0C0C0u},
                      ColourTextCase{"12632256", 0xC0C0C0u}, ColourTextCase{"255", 0x0000FFu},
                      ColourTextCase{"clGray", 0x808080u}, ColourTextCase{"clNope", std::nullopt},
                      ColourTextCase{"", std::nullopt}, ColourTextCase{"$", std::nullopt},
                      ColourTextCase{"$1G", std::nullopt},
                      ColourTextCase{"$1000000000", std::nullopt},
                      ColourTextCase{"12 ", std::nullopt}, ColourTextCase{"silver", std::nullopt}),
    test::ParamName{});

TEST(Colour, tablePositionPrefersLastMatch) {
    EXPECT_EQ(colourTablePosition(0xC0C0C0u), 12);           // silver stands at 6 and 12
    EXPECT_EQ(colourTablePosition(0xFFFF00u), 0);            // aqua
    EXPECT_EQ(colourTablePosition(0x00FFFFu), 15);           // yellow
    EXPECT_EQ(colourTablePosition(0x808080u), std::nullopt); // gray is not offered
}

TEST(Colour, everyTableEntryMatchesItsName) {
    for (const auto& entry : colourTable()) {
        EXPECT_EQ(colourFromText(entry.name), entry.value) << entry.name;
    }
}

TEST(ChannelDefaults, everyDefaultColourAndRangeIsReadable) {
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        const auto& d = builtinChannelDefaults()[i];
        EXPECT_TRUE(colourFromText(d.colour).has_value()) << channelKey(channelAt(i));
        EXPECT_TRUE(wholeNumber(d.start).has_value()) << channelKey(channelAt(i));
        EXPECT_TRUE(wholeNumber(d.end).has_value()) << channelKey(channelAt(i));
    }
}

} // namespace
} // namespace kesto
