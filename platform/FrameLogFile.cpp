#include "platform/FrameLogFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace kesto {

std::optional<std::string> FileFrameLog::append(std::string_view line) {
    std::ofstream out(path_, std::ios::app | std::ios::binary);
    if (!out) {
        return "cannot open " + path_ + ": " + std::strerror(errno);
    }
    out << line << "\r\n";
    out.flush();
    if (!out) {
        return "cannot write " + path_ + ": " + std::strerror(errno);
    }
    return std::nullopt;
}

} // namespace kesto
