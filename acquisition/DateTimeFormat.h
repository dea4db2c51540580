#pragma once

#include "acquisition/Interfaces.h"

#include <optional>
#include <string>
#include <string_view>

namespace kesto {

// Date and time texts of the program.
//
// Patterns use this notation: "d"/"dd" day, "m"/"mm" month (minutes when it follows an hour
// or precedes a second), "yy"/"yyyy" year, "h"/"hh" hour, "n"/"nn" minutes, "s"/"ss" seconds,
// "z"/"zzz" milliseconds, "AMPM" the locale's AM or PM text (and a 12-hour clock), "am/pm" and
// "a/p" likewise with fixed texts, "/" the date separator, ":" the time separator, text in single
// or double quotes literally; any other character stands for itself. Letters are matched in any
// case.
struct DateTimePatterns {
    std::string shortDate = "dd.mm.yyyy";
    std::string longTime = "hh:mm:ss";
    char dateSeparator = '.';
    char timeSeparator = ':';
    std::string amText = "AM";
    std::string pmText = "PM";
};

// The locale's LC_TIME formats (`D_FMT`, `T_FMT`, `T_FMT_AMPM`, `AM_STR`, `PM_STR`) in the
// pattern notation above: %d→dd, %m→mm, %Y→yyyy, %y→yy, %H and %I→hh, %M→mm, %S→ss, %p→AMPM,
// %T→hh:mm:ss, %D→mm/dd/yy, %r→ the T_FMT_AMPM format mapped the same way. The separators are
// the first character between two fields of the date and of the time format ('/' and ':' where
// there is none). An empty T_FMT_AMPM stands for "%I:%M:%S %p".
DateTimePatterns patternsFromLocaleFormats(std::string_view dateFormat, std::string_view timeFormat,
                                           std::string_view timeFormatAmPm, std::string_view am,
                                           std::string_view pm);

// The process's current LC_TIME locale, read with nl_langinfo (the platform seam).
DateTimePatterns systemDateTimePatterns();

// The process-wide patterns every date and time text of the program uses. Until
// `useSystemDateTimePatterns` runs they are the defaults of `DateTimePatterns` ("dd.mm.yyyy",
// "hh:mm:ss"), so a test or tool that never asks for the system's gets stable texts. One
// thread only (the user-interface thread).
DateTimePatterns& dateTimePatterns();
// Takes the patterns of the process's LC_TIME locale; the programs call this at start-up, after
// the locale is set from the environment.
void useSystemDateTimePatterns();

// Formats `t` with `pattern`, separators and AM/PM texts from `patterns`.
std::string formatDateTime(std::string_view pattern, const LocalDateTime& t,
                           const DateTimePatterns& patterns);
// `t` in the process-wide short date and long time patterns.
std::string dateText(const LocalDateTime& t);
std::string timeText(const LocalDateTime& t);

// Reads a date in the order of the short date pattern (the order of its first "d", "m" and "y"),
// parts split by the date separator. Two parts take the current year; a year of one or two digits
// falls into the hundred years that begin 80 years before `currentYear`. Leading and trailing
// blanks are skipped; anything else that is not part of the date makes it fail. Checks the
// calendar (no 31 April, 29 February only in leap years).
std::optional<LocalDateTime> parseDate(std::string_view text, const DateTimePatterns& patterns,
                                       int currentYear);
// Reads hours, minutes and optional seconds (and optional ".zzz" milliseconds), split by the time
// separator or ':', with an optional AM/PM marker before or after (the locale's texts or
// "AM"/"PM"/"A"/"P", any case, blanks optional). Hours 0-23, or 1-12 with a marker.
std::optional<LocalDateTime> parseTime(std::string_view text, const DateTimePatterns& patterns);

// Date-times as days since 30 December 1899 with the time as the fraction of the day, the form
// trend records keep. 0 is 30.12.1899 00:00:00.
double toDateTimeValue(const LocalDateTime& t);
LocalDateTime fromDateTimeValue(double value);

} // namespace kesto
