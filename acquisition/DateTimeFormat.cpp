#include "acquisition/DateTimeFormat.h"

#include "platform/LocaleFormats.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace kesto {

namespace {

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Case-insensitive "does `text` start with `prefix` at `pos`".
bool startsWithAt(std::string_view text, std::size_t pos, std::string_view prefix) {
    if (prefix.empty() || pos > text.size() || text.size() - pos < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (lower(text[pos + i]) != lower(prefix[i])) {
            return false;
        }
    }
    return true;
}

std::size_t runLength(std::string_view pattern, std::size_t pos) {
    const char c = lower(pattern[pos]);
    std::size_t n = 1;
    while (pos + n < pattern.size() && lower(pattern[pos + n]) == c) {
        ++n;
    }
    return n;
}

// `value` as printf's "%0*d" writes it: zeros between the sign and the digits up to `width`
// characters in all.
void appendNumber(std::string& out, int value, int width) {
    char digits[16];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const bool negative = value < 0;
    if (negative) {
        out.push_back('-');
    }
    out.append(static_cast<std::size_t>(std::max<std::ptrdiff_t>(width - (end - digits), 0)), '0');
    const char* first = digits + (negative ? 1 : 0);
    out.append(first, end);
}

bool isLeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
    static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return (m == 2 && isLeapYear(y)) ? 29 : kDays[static_cast<std::size_t>(m - 1)];
}

// Days between 1970-01-01 and the civil date (proleptic Gregorian calendar).
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (m <= 2));
}

// 30.12.1899 counted from 1970-01-01.
const long long kDateTimeEpoch = daysFromCivil(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;

// The locale format of one kind (date or time) in the pattern notation.
class LocaleFormatMapper {
public:
    LocaleFormatMapper(std::string_view amPmFormat, bool isDate)
        : amPmFormat_(amPmFormat), isDate_(isDate) {}

    // Maps `format` and returns the pattern.
    std::string run(std::string_view format) {
        std::string out;
        map(out, format, 0);
        closeQuote(out);
        return out;
    }

    std::optional<char> separator() const {
        if (!separator_ && blankAfterField_) {
            return ' ';
        }
        return separator_;
    }

private:
    void map(std::string& out, std::string_view format, int depth) {
        for (std::size_t i = 0; i < format.size(); ++i) {
            const char c = format[i];
            if (c != '%') {
                literal(out, c);
                continue;
            }
            // Skip glibc's flags, width and the E/O modifiers.
            ++i;
            while (i < format.size() && (format[i] == '-' || format[i] == '_' || format[i] == '0' ||
                                         format[i] == '^' || format[i] == '#' || format[i] == 'E' ||
                                         format[i] == 'O' || isDigit(format[i]))) {
                ++i;
            }
            if (i >= format.size()) {
                break;
            }
            switch (format[i]) {
            case 'd':
                field(out, "dd");
                break;
            case 'e':
                field(out, "d");
                break;
            case 'm':
                field(out, "mm");
                break;
            case 'Y':
                field(out, "yyyy");
                break;
            case 'y':
                field(out, "yy");
                break;
            case 'H':
            case 'I':
                field(out, "hh");
                break;
            case 'k':
            case 'l':
                field(out, "h");
                break;
            case 'M':
                field(out, "mm");
                break;
            case 'S':
                field(out, "ss");
                break;
            case 'p':
            case 'P':
                field(out, "AMPM");
                break;
            case 'T':
                map(out, "%H:%M:%S", depth);
                break;
            case 'R':
                map(out, "%H:%M", depth);
                break;
            case 'D':
                map(out, "%m/%d/%y", depth);
                break;
            case 'F':
                map(out, "%Y-%m-%d", depth);
                break;
            case 'r':
                // The 12-hour format may itself say %r; one level is enough.
                if (depth == 0) {
                    map(out, amPmFormat_.empty() ? std::string_view("%I:%M:%S %p") : amPmFormat_,
                        depth + 1);
                }
                break;
            case '%':
                literal(out, '%');
                break;
            case 'n':
            case 't':
                literal(out, ' ');
                break;
            default:
                break; // names of days and months and the like have no place here
            }
        }
    }

    void field(std::string& out, std::string_view text) {
        closeQuote(out);
        out += text;
        afterField_ = true;
    }

    void literal(std::string& out, char c) {
        // The separator is the first punctuation after a field, else a blank.
        if (afterField_ && !separator_) {
            const auto u = static_cast<unsigned char>(c);
            if (c == ' ') {
                blankAfterField_ = true;
            } else if (u < 0x80 && !isAsciiLetter(c) && !isDigit(c)) {
                separator_ = c;
            }
        }
        // Letters and the other kind's separator would be read as pattern characters.
        const bool quote = isAsciiLetter(c) || c == '"' || c == '\'' || (isDate_ && c == ':') ||
                           (!isDate_ && c == '/');
        if (quote && c != '"') {
            if (!quoted_) {
                out += '"';
                quoted_ = true;
            }
            out += c;
            return;
        }
        closeQuote(out);
        if (c != '"') {
            out += c;
        }
    }

    void closeQuote(std::string& out) {
        if (quoted_) {
            out += '"';
            quoted_ = false;
        }
    }

    std::string_view amPmFormat_;
    bool isDate_;
    bool afterField_ = false;
    bool quoted_ = false;
    bool blankAfterField_ = false;
    std::optional<char> separator_;
};

DateTimePatterns& processPatterns() {
    static DateTimePatterns patterns;
    return patterns;
}

// Reads up to `maxDigits` digits at `pos`; returns the value and the digit count.
std::optional<std::pair<int, int>> scanNumber(std::string_view text, std::size_t& pos,
                                              int maxDigits = 4) {
    int value = 0;
    int digits = 0;
    while (pos < text.size() && isDigit(text[pos])) {
        if (digits == maxDigits) {
            return std::nullopt;
        }
        value = value * 10 + (text[pos] - '0');
        ++digits;
        ++pos;
    }
    if (digits == 0) {
        return std::nullopt;
    }
    return std::make_pair(value, digits);
}

void skipBlanks(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && text[pos] == ' ') {
        ++pos;
    }
}

// An AM/PM marker at `pos`: 0 for AM, 12 for PM, nothing when there is none.
std::optional<int> scanAmPm(std::string_view text, std::size_t& pos,
                            const DateTimePatterns& patterns) {
    struct Marker {
        std::string_view text;
        int offset;
    };
    const std::array<Marker, 6> markers{
        {{patterns.amText, 0}, {patterns.pmText, 12}, {"AM", 0}, {"PM", 12}, {"A", 0}, {"P", 12}}};
    for (const Marker& m : markers) {
        if (startsWithAt(text, pos, m.text)) {
            pos += m.text.size();
            return m.offset;
        }
    }
    return std::nullopt;
}

} // namespace

DateTimePatterns patternsFromLocaleFormats(std::string_view dateFormat, std::string_view timeFormat,
                                           std::string_view timeFormatAmPm, std::string_view am,
                                           std::string_view pm) {
    DateTimePatterns p;
    LocaleFormatMapper dateMapper(timeFormatAmPm, true);
    p.shortDate = dateMapper.run(dateFormat);
    p.dateSeparator = dateMapper.separator().value_or('/');
    LocaleFormatMapper timeMapper(timeFormatAmPm, false);
    p.longTime = timeMapper.run(timeFormat);
    p.timeSeparator = timeMapper.separator().value_or(':');
    p.amText = std::string(am);
    p.pmText = std::string(pm);
    if (p.shortDate.empty()) {
        p.shortDate = "mm/dd/yy";
    }
    if (p.longTime.empty()) {
        p.longTime = "hh:mm:ss";
    }
    return p;
}

DateTimePatterns systemDateTimePatterns() {
    const LocaleTimeFormats f = localeTimeFormats();
    return patternsFromLocaleFormats(f.date, f.time, f.timeAmPm, f.am, f.pm);
}

DateTimePatterns& dateTimePatterns() {
    return processPatterns();
}

void useSystemDateTimePatterns() {
    processPatterns() = systemDateTimePatterns();
}

std::string formatDateTime(std::string_view pattern, const LocalDateTime& t,
                           const DateTimePatterns& patterns) {
    // A pattern with an AM/PM marker shows hours on a 12-hour clock.
    bool twelveHour = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (startsWithAt(pattern, i, "ampm") || startsWithAt(pattern, i, "am/pm") ||
            startsWithAt(pattern, i, "a/p")) {
            twelveHour = true;
        }
    }
    std::string out;
    bool lastWasHour = false;
    for (std::size_t i = 0; i < pattern.size();) {
        const char c = pattern[i];
        const char lc = lower(c);
        if (c == '"' || c == '\'') {
            const std::size_t end = pattern.find(c, i + 1);
            const std::size_t stop = end == std::string_view::npos ? pattern.size() : end;
            out.append(pattern.substr(i + 1, stop - i - 1));
            i = stop == pattern.size() ? stop : stop + 1;
            continue;
        }
        if (startsWithAt(pattern, i, "ampm")) {
            out += t.hour < 12 ? patterns.amText : patterns.pmText;
            i += 4;
            continue;
        }
        if (startsWithAt(pattern, i, "am/pm")) {
            const bool upper = pattern[i] == 'A';
            out += t.hour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
            i += 5;
            continue;
        }
        if (startsWithAt(pattern, i, "a/p")) {
            const bool upper = pattern[i] == 'A';
            out += t.hour < 12 ? (upper ? "A" : "a") : (upper ? "P" : "p");
            i += 3;
            continue;
        }
        const std::size_t n = isAsciiLetter(c) ? runLength(pattern, i) : 1;
        switch (lc) {
        case 'd':
            appendNumber(out, t.day, n >= 2 ? 2 : 1);
            break;
        case 'y':
            if (n <= 2) {
                appendNumber(out, ((t.year % 100) + 100) % 100, 2);
            } else {
                appendNumber(out, t.year, 4);
            }
            break;
        case 'm': {
            // Minutes right after an hour or right before seconds, else the month.
            std::size_t next = i + n;
            while (next < pattern.size() && !isAsciiLetter(pattern[next])) {
                ++next;
            }
            const bool minutes =
                lastWasHour || (next < pattern.size() && lower(pattern[next]) == 's');
            appendNumber(out, minutes ? t.minute : t.month, n >= 2 ? 2 : 1);
            break;
        }
        case 'h': {
            int hour = t.hour;
            if (twelveHour) {
                hour %= 12;
                if (hour == 0) {
                    hour = 12;
                }
            }
            appendNumber(out, hour, n >= 2 ? 2 : 1);
            break;
        }
        case 'n':
            appendNumber(out, t.minute, n >= 2 ? 2 : 1);
            break;
        case 's':
            appendNumber(out, t.second, n >= 2 ? 2 : 1);
            break;
        case 'z':
            appendNumber(out, t.millisecond, n >= 3 ? 3 : 1);
            break;
        case '/':
            out += patterns.dateSeparator;
            break;
        case ':':
            out += patterns.timeSeparator;
            break;
        default:
            out.append(pattern.substr(i, n));
            break;
        }
        if (isAsciiLetter(c)) {
            lastWasHour = lc == 'h';
        }
        i += n;
    }
    return out;
}

std::string dateText(const LocalDateTime& t) {
    return formatDateTime(processPatterns().shortDate, t, processPatterns());
}

std::string timeText(const LocalDateTime& t) {
    return formatDateTime(processPatterns().longTime, t, processPatterns());
}

std::optional<LocalDateTime> parseDate(std::string_view text, const DateTimePatterns& patterns,
                                       int currentYear) {
    // The order of day, month and year in the short date pattern.
    enum class Order { DMY, MDY, YMD };
    Order order = Order::MDY;
    for (const char c : patterns.shortDate) {
        const char lc = lower(c);
        if (lc == 'd') {
            order = Order::DMY;
            break;
        }
        if (lc == 'm') {
            order = Order::MDY;
            break;
        }
        if (lc == 'y') {
            order = Order::YMD;
            break;
        }
    }

    std::size_t pos = 0;
    skipBlanks(text, pos);
    std::array<std::pair<int, int>, 3> parts{};
    int count = 0;
    while (count < 3) {
        const auto number = scanNumber(text, pos);
        if (!number) {
            return std::nullopt;
        }
        parts[static_cast<std::size_t>(count++)] = *number;
        if (pos < text.size() && text[pos] == patterns.dateSeparator) {
            ++pos;
            if (pos >= text.size() || !isDigit(text[pos])) {
                break; // a separator may end the date ("8.12.2026.")
            }
            continue;
        }
        break;
    }
    skipBlanks(text, pos);
    if (pos != text.size() || count < 2) {
        return std::nullopt;
    }

    int day = 0;
    int month = 0;
    std::pair<int, int> year{currentYear, 4};
    if (count == 2) {
        if (order == Order::DMY) {
            day = parts[0].first;
            month = parts[1].first;
        } else {
            month = parts[0].first;
            day = parts[1].first;
        }
    } else {
        switch (order) {
        case Order::DMY:
            day = parts[0].first;
            month = parts[1].first;
            year = parts[2];
            break;
        case Order::MDY:
            month = parts[0].first;
            day = parts[1].first;
            year = parts[2];
            break;
        case Order::YMD:
            year = parts[0];
            month = parts[1].first;
            day = parts[2].first;
            break;
        }
    }
    int fullYear = year.first;
    if (year.second <= 2) {
        const int windowStart = currentYear - 80;
        fullYear = windowStart - ((windowStart % 100) + 100) % 100 + year.first;
        if (fullYear < windowStart) {
            fullYear += 100;
        }
    }
    if (fullYear < 1 || month < 1 || month > 12 || day < 1 || day > daysInMonth(fullYear, month)) {
        return std::nullopt;
    }
    LocalDateTime t;
    t.year = fullYear;
    t.month = month;
    t.day = day;
    return t;
}

std::optional<LocalDateTime> parseTime(std::string_view text, const DateTimePatterns& patterns) {
    std::size_t pos = 0;
    skipBlanks(text, pos);
    std::optional<int> amPm = scanAmPm(text, pos, patterns);
    skipBlanks(text, pos);

    const auto isSeparator = [&](std::size_t at) {
        return at < text.size() && (text[at] == patterns.timeSeparator || text[at] == ':');
    };
    const auto hour = scanNumber(text, pos, 2);
    if (!hour || !isSeparator(pos)) {
        return std::nullopt;
    }
    ++pos;
    const auto minute = scanNumber(text, pos, 2);
    if (!minute) {
        return std::nullopt;
    }
    std::pair<int, int> second{0, 0};
    std::pair<int, int> millisecond{0, 0};
    if (isSeparator(pos)) {
        ++pos;
        const auto s = scanNumber(text, pos, 2);
        if (!s) {
            return std::nullopt;
        }
        second = *s;
        if (pos < text.size() && text[pos] == '.' && pos + 1 < text.size() &&
            isDigit(text[pos + 1])) {
            ++pos;
            const auto ms = scanNumber(text, pos, 3);
            if (!ms) {
                return std::nullopt;
            }
            millisecond = *ms;
        }
    }
    skipBlanks(text, pos);
    if (!amPm) {
        amPm = scanAmPm(text, pos, patterns);
        skipBlanks(text, pos);
    }
    if (pos != text.size()) {
        return std::nullopt;
    }

    int h = hour->first;
    if (amPm) {
        if (h > 12) {
            return std::nullopt;
        }
        h = (h == 12 ? 0 : h) + *amPm;
    }
    if (h > 23 || minute->first > 59 || second.first > 59) {
        return std::nullopt;
    }
    LocalDateTime t{1899, 12, 30, h, minute->first, second.first, 0};
    t.millisecond = millisecond.second == 0   ? 0
                    : millisecond.second == 1 ? millisecond.first * 100
                    : millisecond.second == 2 ? millisecond.first * 10
                                              : millisecond.first;
    return t;
}

double toDateTimeValue(const LocalDateTime& t) {
    const long long days =
        daysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) -
        kDateTimeEpoch;
    const double ms = ((t.hour * 60.0 + t.minute) * 60.0 + t.second) * 1000.0 + t.millisecond;
    return static_cast<double>(days) + ms / kMsPerDay;
}

LocalDateTime fromDateTimeValue(double value) {
    if (!std::isfinite(value)) {
        value = 0;
    }
    auto days = static_cast<long long>(std::floor(value));
    auto ms = std::llround((value - static_cast<double>(days)) * kMsPerDay);
    if (ms >= static_cast<long long>(kMsPerDay)) {
        ++days;
        ms = 0;
    }
    LocalDateTime t;
    civilFromDays(days + kDateTimeEpoch, t.year, t.month, t.day);
    t.millisecond = static_cast<int>(ms % 1000);
    ms /= 1000;
    t.second = static_cast<int>(ms % 60);
    ms /= 60;
    t.minute = static_cast<int>(ms % 60);
    t.hour = static_cast<int>(ms / 60);
    return t;
}

} // namespace kesto
