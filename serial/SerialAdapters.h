#pragma once

#include "serial/PortMap.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kesto {

// Where the system tells about its serial devices. Everything is looked up below one root, "/"
// on a running system; tests and demonstrations point it at a tree of their own.
struct DeviceFolders {
    std::filesystem::path root = "/";

    std::filesystem::path serialByName() const { return root / "dev/serial"; } // by-id, by-path
    std::filesystem::path udevData() const { return root / "run/udev/data"; }  // c<maj>:<min>
    std::filesystem::path sysCharDevices() const { return root / "sys/dev/char"; }

    // "/", or the folder KESTO_DEVICE_ROOT names.
    static DeviceFolders fromEnvironment();
};

// A serial adapter under its stable name: udev's link in /dev/serial/by-id (by-path for a
// device without an id), which follows the adapter whatever ttyUSB number it gets.
struct SerialAdapter {
    std::string stableName; // the link, e.g. /dev/serial/by-id/usb-FTDI_…-if00-port0
    std::string device;     // where it points now, e.g. /dev/ttyUSB1
    std::string maker;
    std::string model;
    std::string serial;

    // "FTDI FT232R USB UART (A12345)"; the link's own name when udev knows nothing of it.
    std::string description() const;
};

// The adapters present now: by-id links first, then by-path links of devices without an id,
// each group in name order. Links whose device has gone are left out.
std::vector<SerialAdapter> listSerialAdapters(const DeviceFolders& folders);

// What a path leads to once every link is followed; the path itself when it leads nowhere.
std::string currentTarget(const std::string& path);

// The COM numbers that reach the adapter: links to its stable name or its device, and the
// default number of its device where no link takes that number. Ascending.
std::vector<int> comNumbersOf(const SerialAdapter& adapter, const PortMap& map);

// Gives the adapter a COM number whose link points at its stable name, so the number follows
// the adapter across replugs. Taken, in this order: a number already linked to the stable name;
// a number linked to the adapter's present device (the link is turned to the stable name); the
// default number of its device when no link takes it; the first number that has neither a link
// nor a default device present. Returns the number, or the reason it could not be given.
struct AdapterAssignment {
    int port = 0;
    std::string error; // empty on success
};
AdapterAssignment assignComNumber(const SerialAdapter& adapter, const PortMap& map);

// A port given on the command line: a COM number, a device path, or an adapter's stable name
// (also its name alone, without the folder).
struct NamedPort {
    std::optional<int> number;
    std::string path;
};
NamedPort resolvePortArgument(const std::string& argument, const DeviceFolders& folders);

} // namespace kesto
