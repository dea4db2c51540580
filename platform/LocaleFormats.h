#pragma once

#include <string>

namespace kesto {

// The date and time formats of the C library's current LC_TIME locale, in strftime notation
// ("%d.%m.%Y", "%H:%M:%S", "%I:%M:%S %p") with the texts of the AM and PM markers.
struct LocaleTimeFormats {
    std::string date;
    std::string time;
    std::string timeAmPm;
    std::string am;
    std::string pm;
};

LocaleTimeFormats localeTimeFormats();

} // namespace kesto
