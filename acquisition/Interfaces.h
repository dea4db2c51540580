#pragma once

#include "platform/Clock.h"
#include "platform/FrameLogFile.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kesto {

// The diagnostics window as the acquisition sees it.
class MessageWindow {
public:
    virtual ~MessageWindow() = default;
    virtual bool isVisible() const = 0;
    // Shows the window if hidden and appends one date- and time-stamped line.
    virtual void addMessage(std::string_view text) = 0;
    virtual bool writeToLogfile() const = 0;
    // The frame monitor: ruler text, frame line (time, blank, hex digits), number of hex digits.
    virtual void showFrame(std::string_view ruler, std::string_view line, int hexDigits) = 0;
};

// What trying a port found out.
enum class PortStatus {
    Opened,           // opened for reading and writing, exclusively, and closed again
    NoDevice,         // the number has no device or the device does not exist
    PermissionDenied, // the device exists but this user may not open it
    Busy,             // another program has it open (exclusive open or lock file)
    OtherError,       // anything else
};

// The serial line as the acquisition sees it.
class SerialLink {
public:
    virtual ~SerialLink() = default;
    // Tries to open COM`port` for reading and writing and closes it again at once.
    virtual bool probe(int port) = 0;
    // Opens COM`port`; on failure returns the reason.
    virtual std::optional<std::string> open(int port) = 0;
    // Opens a device by its path rather than by COM number; on failure returns the reason.
    virtual std::optional<std::string> openPath(const std::string& devicePath) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Discards whatever waits in the receive buffer.
    virtual void flushInput() = 0;
};

// The no-data alarm: the window's alarm timer and the tone.
class Alarm {
public:
    virtual ~Alarm() = default;
    virtual void setAlarmTimer(bool on) = 0;
    virtual bool alarmTimerOn() const = 0;
    virtual void beep() = 0; // 1000 Hz for 200 ms, never blocking
};

} // namespace kesto
