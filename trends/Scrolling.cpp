#include "trends/Scrolling.h"

#include <algorithm>
#include <climits>

namespace kesto {

int scrollMaximum(std::size_t records, int width) {
    const auto n = static_cast<long long>(std::min<std::size_t>(records, LLONG_MAX / 2));
    const long long fromEnd = n - width + 100;
    return static_cast<int>(std::min(fromEnd > 0 ? fromEnd : n, static_cast<long long>(INT_MAX)));
}

} // namespace kesto
