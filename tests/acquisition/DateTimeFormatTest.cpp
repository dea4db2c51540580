#include "acquisition/DateTimeFormat.h"

#include <gtest/gtest.h>

#include <clocale>
#include <optional>
#include <string>

namespace kesto {
namespace {

bool operator==(const LocalDateTime& a, const LocalDateTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute && a.second == b.second && a.millisecond == b.millisecond;
}

std::string show(const LocalDateTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, t.millisecond);
    return buf;
}

// glibc's LC_TIME formats of a few locales, and what they become.
struct LocaleCase {
    const char* name;
    const char* dFmt;
    const char* tFmt;
    const char* tFmtAmPm;
    const char* am;
    const char* pm;
    const char* shortDate;
    const char* longTime;
    char dateSeparator;
    char timeSeparator;
};

TEST(DateTimePatterns, mapsLocaleFormatsToPatterns) {
    const LocaleCase cases[] = {
        {"de_DE", "%d.%m.%Y", "%T", "", "", "", "dd.mm.yyyy", "hh:mm:ss", '.', ':'},
        {"en_US", "%m/%d/%Y", "%r", "%I:%M:%S %p", "AM", "PM", "mm/dd/yyyy", "hh:mm:ss AMPM", '/',
         ':'},
        {"C", "%m/%d/%y", "%H:%M:%S", "%I:%M:%S %p", "AM", "PM", "mm/dd/yy", "hh:mm:ss", '/', ':'},
        {"sv_SE", "%Y-%m-%d", "%H.%M.%S", "", "", "", "yyyy-mm-dd", "hh.mm.ss", '-', '.'},
        {"%D and %F", "%D", "%R", "", "", "", "mm/dd/yy", "hh:mm", '/', ':'},
        // Literal letters are quoted so that they are not taken for pattern letters.
        {"letters", "%d de %m", "%Hh%M", "", "", "", "dd \"de\" mm", "hh\"h\"mm", ' ', ':'},
        {"flags", "%-d.%Om.%EY", "%k:%M", "", "", "", "dd.mm.yyyy", "h:mm", '.', ':'},
    };
    for (const LocaleCase& c : cases) {
        const DateTimePatterns p =
            patternsFromLocaleFormats(c.dFmt, c.tFmt, c.tFmtAmPm, c.am, c.pm);
        EXPECT_EQ(p.shortDate, c.shortDate) << c.name;
        EXPECT_EQ(p.longTime, c.longTime) << c.name;
        EXPECT_EQ(p.dateSeparator, c.dateSeparator) << c.name;
        EXPECT_EQ(p.timeSeparator, c.timeSeparator) << c.name;
        EXPECT_EQ(p.amText, c.am) << c.name;
    }
}

TEST(DateTimePatterns, formatsPatterns) {
    DateTimePatterns p;
    p.dateSeparator = '-';
    p.timeSeparator = '.';
    const LocalDateTime morning{2003, 1, 9, 0, 6, 2, 45};
    const LocalDateTime evening{2026, 12, 8, 23, 59, 58, 500};
    struct Case {
        const char* pattern;
        LocalDateTime t;
        const char* text;
    };
    const Case cases[] = {
        {"dd.mm.yyyy", morning, "09.01.2003"},
        {"d.m.yy", morning, "9.1.03"},
        {"mm/dd/yyyy", evening, "12-08-2026"}, // "/" is the date separator
        {"hh:mm:ss", morning, "00.06.02"},     // ":" the time separator; "mm" after "hh" minutes
        {"h:nn:ss.zzz", morning, "0.06.02.045"},
        {"hh:mm:ss AMPM", morning, "12.06.02 AM"},
        {"hh:mm:ss AMPM", evening, "11.59.58 PM"},
        {"h:mm am/pm", evening, "11.59 pm"},
        {"mm:ss", evening, "59.58"}, // minutes before seconds
        {"yyyy\"y\"mm'm'", evening, "2026y12m"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatDateTime(c.pattern, c.t, p), c.text) << c.pattern;
    }
}

TEST(DateTimePatterns, processPatternsStartStableAndFollowTheLocale) {
    const LocalDateTime t{2024, 3, 5, 14, 7, 9, 0};
    EXPECT_EQ(dateText(t), "05.03.2024");
    EXPECT_EQ(timeText(t), "14:07:09");

    const DateTimePatterns saved = dateTimePatterns();
    ASSERT_NE(std::setlocale(LC_TIME, "C"), nullptr);
    useSystemDateTimePatterns();
    EXPECT_EQ(dateText(t), "03/05/24");
    EXPECT_EQ(timeText(t), "14:07:09");
    dateTimePatterns().shortDate = "dd.mm.yyyy";
    EXPECT_EQ(dateText(t), "05.03.2024");
    dateTimePatterns() = saved;
}

// What a parse gave, as "yyyy-mm-dd hh:mm:ss.zzz", or "rejected".
std::string parsed(const std::optional<LocalDateTime>& t) {
    return t ? show(*t) : "rejected";
}

TEST(DateTimePatterns, parsesDates) {
    DateTimePatterns dmy;
    DateTimePatterns mdy;
    mdy.shortDate = "mm/dd/yyyy";
    mdy.dateSeparator = '/';
    DateTimePatterns ymd;
    ymd.shortDate = "yyyy-mm-dd";
    ymd.dateSeparator = '-';
    struct Case {
        const char* text;
        const DateTimePatterns* patterns;
        const char* date;
    };
    const Case cases[] = {
        {"09.01.2003", &dmy, "2003-01-09"},
        {" 9.1.2003 ", &dmy, "2003-01-09"},
        {"01/09/2003", &mdy, "2003-01-09"},
        {"2003-01-09", &ymd, "2003-01-09"},
        {"9.1.", &dmy, "2026-01-09"}, // no year: this year
        {"12/08", &mdy, "2026-12-08"},
        {"08.12.46", &dmy, "1946-12-08"}, // two-digit years: 1946..2045 in 2026
        {"08.12.45", &dmy, "2045-12-08"},
        {"8.12.7", &dmy, "2007-12-08"},
        {"01.01.00", &dmy, "2000-01-01"},
        {"29.02.2024", &dmy, "2024-02-29"},
        {"29.02.2023", &dmy, "rejected"},
        {"31.04.2024", &dmy, "rejected"},
        {"00.01.2024", &dmy, "rejected"},
        {"01.13.2024", &dmy, "rejected"},
        {"09/01/2003", &dmy, "rejected"}, // wrong separator
        {"09.01.2003x", &dmy, "rejected"},
        {"09..2003", &dmy, "rejected"},
        {"2003", &dmy, "rejected"},
        {"", &dmy, "rejected"},
        {"1.2.3.4", &dmy, "rejected"},
        {"1.2.99999", &dmy, "rejected"},
    };
    for (const Case& c : cases) {
        // The date part only: what else the result holds is left open.
        EXPECT_EQ(parsed(parseDate(c.text, *c.patterns, 2026)).substr(0, 10), c.date) << c.text;
    }
}

TEST(DateTimePatterns, parsesTimes) {
    DateTimePatterns de;
    de.amText = "";
    de.pmText = "";
    DateTimePatterns dots;
    dots.timeSeparator = '.';
    struct Case {
        const char* text;
        const DateTimePatterns* patterns;
        const char* time;
    };
    const Case cases[] = {
        {"10:36:02", &de, "10:36:02.000"},   {"10:36", &de, "10:36:00.000"},
        {"10:36:02AM", &de, "10:36:02.000"}, {"10:36:02 pm", &de, "22:36:02.000"},
        {"12:00:00AM", &de, "00:00:00.000"}, {"12:00:00PM", &de, "12:00:00.000"},
        {"PM 1:05:00", &de, "13:05:00.000"}, {"10.36.02", &dots, "10:36:02.000"},
        {"10:36:02", &dots, "10:36:02.000"}, // ":" always separates
        {"23:59:59.5", &de, "23:59:59.500"}, {"24:00:00", &de, "rejected"},
        {"13:00:00PM", &de, "rejected"},     {"10:60:00", &de, "rejected"},
        {"10:36:61", &de, "rejected"},       {"10", &de, "rejected"},
        {"10:36:02 x", &de, "rejected"},     {"", &de, "rejected"},
        {"100:00", &de, "rejected"},
    };
    for (const Case& c : cases) {
        const std::string t = parsed(parseTime(c.text, *c.patterns));
        // The time part only: what else the result holds is left open.
        EXPECT_EQ(t == "rejected" ? t : t.substr(11), c.time) << c.text;
    }
}

TEST(DateTimePatterns, dateTimeValuesCountDaysFrom30December1899) {
    struct Case {
        LocalDateTime t;
        double value;
    };
    const Case cases[] = {
        {{1899, 12, 30, 0, 0, 0, 0}, 0.0},    {{1900, 1, 1, 0, 0, 0, 0}, 2.0},
        {{1900, 3, 1, 0, 0, 0, 0}, 61.0}, // 1900 was no leap year
        {{2003, 1, 9, 12, 0, 0, 0}, 37630.5}, {{1899, 12, 29, 18, 0, 0, 0}, -0.25},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(toDateTimeValue(c.t), c.value) << show(c.t);
        EXPECT_TRUE(fromDateTimeValue(c.value) == c.t) << show(fromDateTimeValue(c.value));
    }
    // Every second of a day and a leap day survive the round trip exactly.
    for (int s = 0; s < 86400; s += 7) {
        const LocalDateTime t{2024, 2, 29, s / 3600, s / 60 % 60, s % 60, 0};
        EXPECT_TRUE(fromDateTimeValue(toDateTimeValue(t)) == t) << show(t);
    }
}

} // namespace
} // namespace kesto
