#include "serial/PortMap.h"

#include <cstdlib>
#include <system_error>

namespace kesto {
namespace fs = std::filesystem;

fs::path PortMap::defaultDosDevicesDir() {
    fs::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
        // Only an absolute XDG_CONFIG_HOME counts; a relative one is to be ignored.
        config = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        config = fs::path(home) / ".config";
    } else {
        config = fs::path("/tmp");
    }
    return config / "Pellum" / "dosdevices";
}

PortMap PortMap::fromEnvironment() {
    return PortMap(defaultDosDevicesDir());
}

fs::path PortMap::linkPath(int port) const {
    return dir_ / ("com" + std::to_string(port));
}

std::optional<std::string> PortMap::defaultDevicePath(int port) {
    if (port < 1) {
        return std::nullopt;
    }
    static constexpr const char* kRanges[] = {"/dev/ttyS", "/dev/ttyUSB", "/dev/ttyACM"};
    const int range = (port - 1) / kPortsPerRange;
    if (range >= 3) {
        return std::nullopt;
    }
    return kRanges[range] + std::to_string((port - 1) % kPortsPerRange);
}

std::optional<std::string> PortMap::devicePath(int port) const {
    if (port >= 1) {
        const fs::path link = linkPath(port);
        std::error_code ec;
        const auto status = fs::symlink_status(link, ec);
        if (!ec && fs::is_symlink(status)) {
            fs::path target = fs::read_symlink(link, ec);
            if (!ec) {
                if (target.is_relative()) {
                    target = dir_ / target;
                }
                return target.lexically_normal().string();
            }
        } else if (!ec && fs::exists(status)) {
            // Not a link but something by that name (a device node, say): use it as it stands.
            return link.string();
        }
    }
    return defaultDevicePath(port);
}

std::optional<std::string> PortMap::createLink(int port, const fs::path& target) const {
    if (port < 1) {
        return "COM" + std::to_string(port) + " is not a valid port number";
    }
    const fs::path link = linkPath(port);
    std::error_code ec;
    fs::create_directories(dir_, ec);
    if (ec) {
        return "cannot create " + dir_.string() + ": " + ec.message();
    }
    const auto status = fs::symlink_status(link, ec);
    if (!ec && fs::exists(status)) {
        const bool stale = fs::is_symlink(status) && !fs::exists(link, ec);
        if (!stale) {
            return "COM" + std::to_string(port) + " is already mapped (" + link.string() +
                   " exists); remove it or choose another number";
        }
        fs::remove(link, ec);
        if (ec) {
            return "cannot remove the stale link " + link.string() + ": " + ec.message();
        }
    }
    fs::create_symlink(target, link, ec);
    if (ec) {
        return "cannot create the link " + link.string() + ": " + ec.message();
    }
    return std::nullopt;
}

bool PortMap::removeLink(int port, const fs::path& expectedTarget) const {
    const fs::path link = linkPath(port);
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(link, ec)) || ec) {
        return false;
    }
    if (fs::read_symlink(link, ec) != expectedTarget || ec) {
        return false;
    }
    return fs::remove(link, ec) && !ec;
}

} // namespace kesto
