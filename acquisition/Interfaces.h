#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kesto {

// Local calendar time, as the messages window and the recording stamp it.
struct LocalDateTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// The time sources of the program; tests inject their own.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds of a monotonic clock as an unsigned 32-bit number; wraps every 49.7 days.
    virtual std::uint32_t tickMs() const = 0;
    virtual LocalDateTime localNow() const = 0;
};

// The real clock: steady clock for ticks, the system's local time for dates.
class SystemClock final : public Clock {
public:
    std::uint32_t tickMs() const override;
    LocalDateTime localNow() const override;
};

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

// Appends raw-frame lines to the log file; returns the reason when a line could not be written.
class FrameLog {
public:
    virtual ~FrameLog() = default;
    virtual std::optional<std::string> append(std::string_view line) = 0;
};

// The log file in the user's home folder (or wherever the path points).
class FileFrameLog final : public FrameLog {
public:
    explicit FileFrameLog(std::string path) : path_(std::move(path)) {}
    std::optional<std::string> append(std::string_view line) override;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

} // namespace kesto
