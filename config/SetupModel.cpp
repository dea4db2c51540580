#include "config/SetupModel.h"

#include "acquisition/LiveValues.h"

namespace kesto {

int intervalPosition(int seconds) {
    for (std::size_t i = 0; i < kIntervalSeconds.size(); ++i) {
        if (kIntervalSeconds[i] == seconds) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

std::optional<int> portNumberOfEntry(std::string_view entry) {
    if (entry.size() <= 3) {
        return std::nullopt;
    }
    return wholeNumber(std::string(entry.substr(3)));
}

std::string portEntry(int port) { return "COM" + std::to_string(port); }

std::optional<int> preselectedPortIndex(const std::vector<int>& listedPorts, int currentPort) {
    if (listedPorts.empty()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < listedPorts.size(); ++i) {
        if (listedPorts[i] == currentPort) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

std::string probeCounterText(const std::string& teste, const std::string& von, int port) {
    return teste + " " + std::to_string(port) + " " + von + " " +
           std::to_string(kHighestComPort);
}

} // namespace kesto

namespace kesto {

std::string permissionNote(const std::vector<std::pair<int, std::string>>& deniedPorts) {
    if (deniedPorts.empty()) {
        return {};
    }
    std::string ports;
    for (const auto& [port, path] : deniedPorts) {
        if (!ports.empty()) {
            ports += ", ";
        }
        ports += portEntry(port) + " (" + path + ")";
    }
    return "Not listed, no permission to open: " + ports +
           ". To get access, add your user to the group \"dialout\" "
           "(sudo usermod -aG dialout $USER) and log in again.";
}

} // namespace kesto
