#include "config/Encoding.h"

#include <gtest/gtest.h>

namespace kesto {
namespace {

TEST(Encoding, everyWindows1252ByteSurvivesTheRoundTripThroughUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    const std::string utf8 = windows1252ToUtf8(all);
    EXPECT_TRUE(isValidUtf8(utf8));
    EXPECT_EQ(utf8ToWindows1252(utf8), all);
}

TEST(Encoding, mapsTheCharactersThatDifferFromLatin1) {
    struct Case {
        std::string byte;
        std::string utf8;
    };
    const Case cases[] = {
        {"\xB0", "\xC2\xB0"},     // degree sign
        {"\x80", "\xE2\x82\xAC"}, // euro sign
        {"\x84", "\xE2\x80\x9E"}, // low double quote
        {"\x8A", "\xC5\xA0"},     // S caron
        {"\x99", "\xE2\x84\xA2"}, // trade mark
        {"\x9F", "\xC5\xB8"},     // Y diaeresis
        {"\xDF", "\xC3\x9F"},     // sharp s
        {"\x81", "\xC2\x81"},     // undefined in 1252: the C1 control
    };
    for (const auto& c : cases) {
        EXPECT_EQ(windows1252ToUtf8(c.byte), c.utf8);
        EXPECT_EQ(utf8ToWindows1252(c.utf8), c.byte);
    }
}

TEST(Encoding, writesQuestionMarksForWhatWindows1252CannotHold) {
    EXPECT_EQ(utf8ToWindows1252("a\xE2\x86\x92z"), "a?z"); // arrow
    EXPECT_EQ(utf8ToWindows1252("\xF0\x9F\x98\x80"), "?"); // emoji, one character
    EXPECT_EQ(utf8ToWindows1252("x\xC3"), "x?");           // cut sequence
    EXPECT_FALSE(fitsWindows1252("\xE2\x86\x92"));
    EXPECT_TRUE(fitsWindows1252("Gr\xC3\xB6\xC3\x9F"
                                "e \xE2\x82\xAC"));
}

TEST(Encoding, rejectsMalformedUtf8) {
    for (const std::string bad :
         {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xB0", "\xC3", "\xFF"}) {
        EXPECT_FALSE(isValidUtf8(bad)) << bad;
    }
    EXPECT_TRUE(isValidUtf8("\xF4\x8F\xBF\xBF"));
}

TEST(Encoding, decodesFileTextByByteOrderMarkThenByValidity) {
    EXPECT_EQ(decodeFileText("\xB0"
                             "C"),
              "\xC2\xB0"
              "C"); // Windows-1252
    EXPECT_EQ(decodeFileText("\xC2\xB0"
                             "C"),
              "\xC2\xB0"
              "C"); // UTF-8
    EXPECT_EQ(decodeFileText("\xEF\xBB\xBF"
                             "a\xC2\xB0"),
              "a\xC2\xB0");
    EXPECT_EQ(decodeFileText("\xEF\xBB\xBF"
                             "a\xB0"),
              "a\xC2\xB0"); // a mark on 1252 text
    EXPECT_EQ(decodeFileText(std::string("\xFF\xFE"
                                         "A\0\xB0\0",
                                         6)),
              "A\xC2\xB0");
    EXPECT_EQ(decodeFileText(std::string("\xFE\xFF\0A\x20\xAC", 6)), "A\xE2\x82\xAC");
    // A surrogate pair, and a lone surrogate that becomes the replacement character.
    EXPECT_EQ(decodeFileText(std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6)), "\xF0\x9F\x98\x80");
    EXPECT_EQ(decodeFileText(std::string("\xFF\xFE\x00\xDE", 4)), "\xEF\xBF\xBD");
}

} // namespace
} // namespace kesto
