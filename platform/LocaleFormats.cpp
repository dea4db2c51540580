#include "platform/LocaleFormats.h"

#include <langinfo.h>

namespace kesto {

LocaleTimeFormats localeTimeFormats() {
    return {nl_langinfo(D_FMT), nl_langinfo(T_FMT), nl_langinfo(T_FMT_AMPM), nl_langinfo(AM_STR),
            nl_langinfo(PM_STR)};
}

} // namespace kesto
