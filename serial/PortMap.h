#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kesto {

// Maps the program's COM numbers to serial devices.
//
// A link "comN" (lower-case, a symlink) in the dosdevices folder wins, the way Wine keeps its
// COM ports, so a user (or the analyzer simulator) can put any device behind any number.
// Without a link COM1-COM32 are /dev/ttyS0-31, COM33-COM64 /dev/ttyUSB0-31 and COM65-COM96
// /dev/ttyACM0-31; other numbers have no device.
class PortMap {
public:
    static constexpr int kPortsPerRange = 32;

    explicit PortMap(std::filesystem::path dosDevicesDir) : dir_(std::move(dosDevicesDir)) {}

    // $XDG_CONFIG_HOME/Pellum/dosdevices, with XDG_CONFIG_HOME defaulting to ~/.config.
    static PortMap fromEnvironment();
    static std::filesystem::path defaultDosDevicesDir();

    const std::filesystem::path& dosDevicesDir() const { return dir_; }

    // The link consulted for COM`port` ("…/dosdevices/com7").
    std::filesystem::path linkPath(int port) const;

    // The device behind COM`port`: the link's target (a relative target is taken relative to
    // the dosdevices folder, as the kernel would resolve it), else the default range.
    // std::nullopt when the number has no device at all. The device need not exist.
    std::optional<std::string> devicePath(int port) const;

    // The device of the default ranges alone, ignoring links.
    static std::optional<std::string> defaultDevicePath(int port);

    // Makes COM`port` a link to `target`, creating the folder when needed. An existing link
    // whose target has gone (left behind by a program that was killed) is replaced; any other
    // existing entry is left alone and reported. Returns the reason on failure.
    std::optional<std::string> createLink(int port, const std::filesystem::path& target) const;

    // Removes COM`port`'s link when it still points at `expectedTarget` (another program may
    // have put its own link there meanwhile). Returns true when a link was removed.
    bool removeLink(int port, const std::filesystem::path& expectedTarget) const;

private:
    std::filesystem::path dir_;
};

} // namespace kesto
