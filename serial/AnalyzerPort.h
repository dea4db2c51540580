#pragma once

#include "acquisition/Interfaces.h"
#include "serial/PortMap.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace kesto {

// What trying a port found out, for the setup dialog's port list and for clear messages.
using ProbeResult = PortStatus;

struct ProbeDetails {
    ProbeResult result = ProbeResult::OtherError;
    std::string devicePath; // empty when the number has no device
    std::string message;    // empty when opened; else a sentence for the user
};

// The analyzer's serial line on QSerialPort: 1200 baud, 8N1, no flow control, DTR and RTS off.
// Received bytes are handed on from the data-available event on the thread of the event loop;
// nothing here blocks.
//
// An adapter that is unplugged (or a pseudo-terminal whose master closes) makes QSerialPort
// report a resource or read error and leave the port open; the port is then closed here,
// `connectionLost` is emitted, and the link supervision reports the silence that follows.
class AnalyzerPort final : public QObject, public SerialLink {
    Q_OBJECT

public:
    using BytesHandler = std::function<void(std::span<const std::uint8_t>)>;
    using QuietHandler = std::function<void()>;

    static constexpr qint32 kBaudRate = 1200;
    // The analyzer's receive buffer size; QSerialPort buffers unlimited otherwise.
    static constexpr qint64 kReadBufferBytes = 4096;
    // How long the line must stay silent before the quiet handler runs: the decoder's quiet
    // time and a margin for coarse timers.
    static constexpr int kQuietAfterBytesMs = 60;

    explicit AnalyzerPort(QObject* parent = nullptr);
    explicit AnalyzerPort(PortMap map, QObject* parent = nullptr);
    ~AnalyzerPort() override;

    // The data-available event: called with every chunk read, before `bytesReceived`.
    void setBytesHandler(BytesHandler handler) { handler_ = std::move(handler); }
    // Called once the open line has been silent for `kQuietAfterBytesMs` after the last bytes
    // (or after opening), and only when nothing waits in the driver: a late reader never
    // takes a pause in its own reading for a pause on the line.
    void setQuietHandler(QuietHandler handler) { quietHandler_ = std::move(handler); }

    const PortMap& portMap() const { return map_; }

    // SerialLink
    bool probe(int port) override;
    std::optional<std::string> open(int port) override;
    void close() override;
    bool isOpen() const override;
    void flushInput() override;

    // Tries COM`port` and tells why it could not be opened.
    ProbeDetails probeDetailed(int port) const;
    // The same for a device path; `name` is how messages call the port ("COM3", or the path).
    static ProbeDetails probePath(const std::string& devicePath, const std::string& name);

    // Opens a device by path rather than by number (the console monitor takes either).
    std::optional<std::string> openPath(const std::string& devicePath) override;

    // The device currently (or last) opened; empty before the first open.
    const std::string& devicePath() const { return devicePath_; }

    // Frames and counters aside, how many bytes the port delivered since it was created.
    std::uint64_t bytesRead() const { return bytesRead_; }

signals:
    void bytesReceived(const QByteArray& bytes);
    // The port failed while open (adapter unplugged, line gone) and has been closed.
    void connectionLost(const QString& message);

private:
    void onReadyRead();
    void onQuietTimer();
    bool bytesWaiting() const;
    void onErrorOccurred(QSerialPort::SerialPortError error);
    std::optional<std::string> openDevice(const std::string& devicePath, const std::string& name);

    PortMap map_;
    QSerialPort port_;
    BytesHandler handler_;
    QuietHandler quietHandler_;
    QTimer quietTimer_;
    QElapsedTimer sinceBytes_;
    std::string devicePath_;
    std::string name_;
    bool configuring_ = false;
    std::uint64_t bytesRead_ = 0;
};

// "COM7: no device (/dev/ttyS6 does not exist)" and the like, for a failed open.
std::string noDeviceMessage(const std::string& name, const std::string& devicePath);
std::string permissionMessage(const std::string& name, const std::string& devicePath);
std::string busyMessage(const std::string& name, const std::string& devicePath);

} // namespace kesto
