#pragma once

#include <QString>

#include <string>

namespace kesto {

// The core's texts are UTF-8.
inline QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace kesto
