#pragma once

#include "acquisition/Interfaces.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

inline constexpr int kHighestComPort = 255;

// The recording intervals the setup dialog offers, by list position.
inline constexpr std::array<int, 6> kIntervalSeconds{1, 2, 5, 10, 30, 60};
inline constexpr std::array<std::string_view, 6> kIntervalEntries{"1 s",  "2 s",  "5 s",
                                                                  "10 s", "30 s", "60 s"};

// The list position of an interval; one not in the list selects "1 s".
int intervalPosition(int seconds);

// "COM12" -> 12: the digits after the first three characters.
std::optional<int> portNumberOfEntry(std::string_view entry);

// "COM" + n.
std::string portEntry(int port);

// The entry to preselect: the current port when listed, else the first; none for an empty list.
std::optional<int> preselectedPortIndex(const std::vector<int>& listedPorts, int currentPort);

// "Teste 12 von 255", with the language's words.
std::string probeCounterText(const std::string& teste, const std::string& von, int port);

} // namespace kesto

namespace kesto {

struct PortProbeResult {
    PortStatus status = PortStatus::NoDevice;
    std::string devicePath; // the device the number maps to, empty when none
};

// The note the setup dialog shows for ports that exist but may not be opened by this user;
// empty when there are none.
std::string permissionNote(const std::vector<std::pair<int, std::string>>& deniedPorts);

} // namespace kesto
