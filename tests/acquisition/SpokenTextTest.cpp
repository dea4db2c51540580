#include "acquisition/SpokenText.h"

#include <gtest/gtest.h>

namespace kesto {
namespace {

TEST(SpokenText, captionsLoseOuterBlanksAndBlankUnitBrackets) {
    const struct {
        const char* caption;
        const char* spoken;
    } cases[] = {
        {"CO [mg/m3] ", "CO [mg/m3]"}, // the start-up caption
        {"CO [mg/m3]", "CO [mg/m3]"},  // after the property dialog
        {"Lambda [ ] ", "Lambda"},     // unit of one blank
        {"Lambda []", "Lambda"},       // unit emptied in the dialog
        {"  T Gas [\u00B0C]  ", "T Gas [\u00B0C]"},
        {"[%] ", "[%]"}, // display name emptied
        {" [ ] ", ""},
        {"   ", ""},
        {"", ""},
        {"Sensor [a] [ ]", "Sensor [a]"}, // only the last bracket is the unit
        {"Draught ]", "Draught ]"},       // no bracket opened
        {"Zug [hPa", "Zug [hPa"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(spokenLabel(c.caption), c.spoken) << '"' << c.caption << '"';
    }
}

} // namespace
} // namespace kesto
