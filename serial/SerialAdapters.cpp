#include "serial/SerialAdapters.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <system_error>

namespace kesto {
namespace fs = std::filesystem;
namespace {

constexpr int kHighestPort = 255;

std::string trimmed(std::string s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) {
        s.pop_back();
    }
    std::size_t start = 0;
    while (start < s.size() && std::isspace(static_cast<unsigned char>(s[start]))) {
        ++start;
    }
    return s.substr(start);
}

// udev's *_ENC values carry blanks and other bytes as \xNN.
std::string decodeUdevEscapes(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x' &&
            std::isxdigit(static_cast<unsigned char>(s[i + 2])) &&
            std::isxdigit(static_cast<unsigned char>(s[i + 3]))) {
            out.push_back(static_cast<char>(std::stoi(s.substr(i + 2, 2), nullptr, 16)));
            i += 3;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

std::string underscoresToBlanks(std::string s) {
    std::replace(s.begin(), s.end(), '_', ' ');
    return s;
}

std::string firstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return trimmed(line);
}

// "188:0" for a character device; empty for anything else.
std::string deviceNumber(const std::string& device) {
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) {
        return {};
    }
    return std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev));
}

// The E: lines of udev's database entry of the device.
std::map<std::string, std::string> udevProperties(const DeviceFolders& folders,
                                                  const std::string& number) {
    std::map<std::string, std::string> props;
    std::ifstream in(folders.udevData() / ("c" + number));
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("E:", 0) == 0) {
            if (const auto eq = line.find('='); eq != std::string::npos) {
                props[line.substr(2, eq - 2)] = line.substr(eq + 1);
            }
        }
    }
    return props;
}

std::string udevText(const std::map<std::string, std::string>& props, const std::string& key) {
    if (const auto it = props.find(key + "_ENC"); it != props.end()) {
        return trimmed(decodeUdevEscapes(it->second));
    }
    if (const auto it = props.find(key); it != props.end()) {
        return trimmed(underscoresToBlanks(it->second));
    }
    if (const auto it = props.find(key + "_FROM_DATABASE"); it != props.end()) {
        return trimmed(it->second);
    }
    return {};
}

// Without udev's database: the USB device above the tty in sysfs has the same strings.
void readSysfs(const DeviceFolders& folders, const std::string& number, SerialAdapter& a) {
    std::error_code ec;
    fs::path dir = fs::canonical(folders.sysCharDevices() / number, ec);
    for (int depth = 0; !ec && depth < 12 && dir.has_relative_path(); ++depth) {
        if (fs::exists(dir / "idVendor", ec)) {
            a.maker = firstLine(dir / "manufacturer");
            a.model = firstLine(dir / "product");
            a.serial = firstLine(dir / "serial");
            return;
        }
        dir = dir.parent_path();
    }
}

SerialAdapter describe(const fs::path& link, const std::string& device,
                       const DeviceFolders& folders) {
    SerialAdapter a;
    a.stableName = link.string();
    a.device = device;
    const std::string number = deviceNumber(device);
    if (number.empty()) {
        return a;
    }
    const auto props = udevProperties(folders, number);
    a.maker = udevText(props, "ID_VENDOR");
    a.model = udevText(props, "ID_MODEL");
    if (const auto it = props.find("ID_SERIAL_SHORT"); it != props.end()) {
        a.serial = trimmed(it->second);
    }
    if (a.maker.empty() && a.model.empty()) {
        readSysfs(folders, number, a);
    }
    return a;
}

// The links of one folder with the devices they lead to now, in name order.
std::vector<std::pair<fs::path, std::string>> linksIn(const fs::path& dir) {
    std::vector<std::pair<fs::path, std::string>> links;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        std::error_code e;
        if (!entry.is_symlink(e)) {
            continue;
        }
        const fs::path target = fs::canonical(entry.path(), e);
        if (!e) {
            links.emplace_back(entry.path(), target.string());
        }
    }
    std::sort(links.begin(), links.end());
    return links;
}

bool hasLink(const PortMap& map, int port) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(map.linkPath(port), ec));
}

// What COM`port`'s own link says, unresolved; empty without a link.
std::string linkTarget(const PortMap& map, int port) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(map.linkPath(port), ec))) {
        return {};
    }
    return map.devicePath(port).value_or(std::string{});
}

} // namespace

DeviceFolders DeviceFolders::fromEnvironment() {
    DeviceFolders f;
    if (const char* root = std::getenv("KESTO_DEVICE_ROOT"); root != nullptr && *root == '/') {
        f.root = root;
    }
    return f;
}

std::string SerialAdapter::description() const {
    std::string text = maker;
    if (!model.empty()) {
        text += (text.empty() ? "" : " ") + model;
    }
    if (text.empty()) {
        text = fs::path(stableName).filename().string();
    }
    if (!serial.empty()) {
        text += " (" + serial + ")";
    }
    return text;
}

std::vector<SerialAdapter> listSerialAdapters(const DeviceFolders& folders) {
    std::vector<SerialAdapter> adapters;
    std::set<std::string> devices;
    for (const char* kind : {"by-id", "by-path"}) {
        for (const auto& [link, device] : linksIn(folders.serialByName() / kind)) {
            // by-path only for what has no id; a device with two ids is listed once.
            if (devices.insert(device).second) {
                adapters.push_back(describe(link, device, folders));
            }
        }
    }
    return adapters;
}

std::string currentTarget(const std::string& path) {
    std::error_code ec;
    const fs::path target = fs::canonical(path, ec);
    return ec ? path : target.string();
}

std::vector<int> comNumbersOf(const SerialAdapter& adapter, const PortMap& map) {
    std::vector<int> numbers;
    for (int port = 1; port <= kHighestPort; ++port) {
        const auto path = map.devicePath(port);
        if (!path) {
            continue;
        }
        if (*path == adapter.stableName || currentTarget(*path) == adapter.device) {
            numbers.push_back(port);
        }
    }
    return numbers;
}

AdapterAssignment assignComNumber(const SerialAdapter& adapter, const PortMap& map) {
    std::optional<int> sameDevice;
    for (int port = 1; port <= kHighestPort; ++port) {
        const std::string target = linkTarget(map, port);
        if (target == adapter.stableName) {
            return {port, {}};
        }
        if (!target.empty() && !sameDevice && currentTarget(target) == adapter.device) {
            sameDevice = port;
        }
    }
    std::optional<int> port = sameDevice;
    if (port) {
        std::error_code ec;
        const fs::path old = fs::read_symlink(map.linkPath(*port), ec);
        if (ec || !map.removeLink(*port, old)) {
            return {0, "cannot replace the link " + map.linkPath(*port).string()};
        }
    }
    for (int p = 1; p <= kHighestPort && !port; ++p) {
        if (!hasLink(map, p) && PortMap::defaultDevicePath(p) == adapter.device) {
            port = p; // the number the adapter has today keeps meaning it
        }
    }
    for (int p = 1; p <= kHighestPort && !port; ++p) {
        std::error_code ec;
        const auto fallback = PortMap::defaultDevicePath(p);
        if (!hasLink(map, p) && (!fallback || !fs::exists(*fallback, ec))) {
            port = p; // takes no device away from a number
        }
    }
    if (!port) {
        return {0, "no free COM number is left"};
    }
    if (auto error = map.createLink(*port, adapter.stableName)) {
        return {0, *error};
    }
    return {*port, {}};
}

NamedPort resolvePortArgument(const std::string& argument, const DeviceFolders& folders) {
    std::string digits = argument;
    if (digits.size() > 3 && (digits[0] == 'C' || digits[0] == 'c') &&
        (digits[1] == 'O' || digits[1] == 'o') && (digits[2] == 'M' || digits[2] == 'm')) {
        digits = digits.substr(3);
    }
    if (!digits.empty() && digits.size() <= 4 &&
        std::all_of(digits.begin(), digits.end(),
                    [](unsigned char c) { return std::isdigit(c); })) {
        const int n = std::stoi(digits);
        if (n >= 1) {
            return {n, {}};
        }
    }
    if (!argument.empty() && argument.find('/') == std::string::npos) {
        for (const char* kind : {"by-id", "by-path"}) {
            const fs::path link = folders.serialByName() / kind / argument;
            std::error_code ec;
            if (fs::is_symlink(fs::symlink_status(link, ec))) {
                return {std::nullopt, link.string()};
            }
        }
    }
    return {std::nullopt, argument};
}

} // namespace kesto
