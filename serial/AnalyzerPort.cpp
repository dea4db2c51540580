#include "serial/AnalyzerPort.h"

#include <QByteArray>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kesto {
namespace {

std::string portName(int port) {
    return "COM" + std::to_string(port);
}

// The kernel keeps nodes for serial ports that have no UART or adapter behind them
// (/dev/ttyS0-31 on most PCs); opening one fails with ENXIO, ENODEV or EIO, which
// QSerialPort reports only as an unknown error. Asked only after QSerialPort failed.
bool deviceIsAbsent(const std::string& devicePath) {
    const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return false;
    }
    return errno == ENXIO || errno == ENODEV || errno == EIO;
}

} // namespace

std::string noDeviceMessage(const std::string& name, const std::string& devicePath) {
    if (devicePath.empty()) {
        return name + ": no device (no serial device is assigned to this number)";
    }
    return name + ": no device (" + devicePath + " does not exist)";
}

std::string permissionMessage(const std::string& name, const std::string& devicePath) {
    return name + ": permission denied on " + devicePath +
           ". To get access to serial ports, add your user to the dialout group "
           "(sudo usermod -aG dialout $USER), then log out and log in again.";
}

std::string busyMessage(const std::string& name, const std::string& devicePath) {
    return name + ": " + devicePath + " is busy (in use by another program)";
}

AnalyzerPort::AnalyzerPort(QObject* parent) : AnalyzerPort(PortMap::fromEnvironment(), parent) {}

AnalyzerPort::AnalyzerPort(PortMap map, QObject* parent)
    : QObject(parent), map_(std::move(map)), port_(this), quietTimer_(this) {
    connect(&port_, &QSerialPort::readyRead, this, &AnalyzerPort::onReadyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, &AnalyzerPort::onErrorOccurred);
    quietTimer_.setSingleShot(true);
    quietTimer_.setTimerType(Qt::PreciseTimer);
    connect(&quietTimer_, &QTimer::timeout, this, &AnalyzerPort::onQuietTimer);
}

AnalyzerPort::~AnalyzerPort() {
    // Nothing is reported while tearing down.
    disconnect(&port_, nullptr, this, nullptr);
    port_.close();
}

ProbeDetails AnalyzerPort::probePath(const std::string& devicePath, const std::string& name) {
    ProbeDetails d;
    d.devicePath = devicePath;
    if (devicePath.empty()) {
        d.result = ProbeResult::NoDevice;
        d.message = noDeviceMessage(name, devicePath);
        return d;
    }
    // Cheap checks first: a missing device must fail at once (the setup dialog tries hundreds
    // of numbers), and the system calls tell permission and absence apart where QSerialPort
    // reports both as a permission error.
    struct stat st {};
    if (::stat(devicePath.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            d.result = ProbeResult::NoDevice;
            d.message = noDeviceMessage(name, devicePath);
        } else if (errno == EACCES) {
            d.result = ProbeResult::PermissionDenied;
            d.message = permissionMessage(name, devicePath);
        } else {
            d.result = ProbeResult::OtherError;
            d.message = name + ": cannot open " + devicePath + ": " + std::strerror(errno);
        }
        return d;
    }
    if (::access(devicePath.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
        d.result = ProbeResult::PermissionDenied;
        d.message = permissionMessage(name, devicePath);
        return d;
    }

    // QSerialPort opens exclusively (TIOCEXCL and a lock file), as the port is held while open.
    QSerialPort port;
    port.setPortName(QString::fromStdString(devicePath));
    if (port.open(QIODevice::ReadWrite)) {
        port.close();
        d.result = ProbeResult::Opened;
        return d;
    }
    switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
        d.result = ProbeResult::NoDevice;
        d.message = noDeviceMessage(name, devicePath);
        break;
    case QSerialPort::PermissionError:
        // Access was granted above, so what refuses us is another program's hold on the port.
        d.result = ProbeResult::Busy;
        d.message = busyMessage(name, devicePath);
        break;
    default:
        if (deviceIsAbsent(devicePath)) {
            d.result = ProbeResult::NoDevice;
            d.message = name + ": no device (" + devicePath + " has no hardware behind it)";
        } else {
            d.result = ProbeResult::OtherError;
            d.message =
                name + ": cannot open " + devicePath + ": " + port.errorString().toStdString();
        }
        break;
    }
    return d;
}

ProbeDetails AnalyzerPort::probeDetailed(int port) const {
    return probePath(map_.devicePath(port).value_or(std::string{}), portName(port));
}

bool AnalyzerPort::probe(int port) {
    return probeDetailed(port).result == ProbeResult::Opened;
}

std::optional<std::string> AnalyzerPort::open(int port) {
    const auto path = map_.devicePath(port);
    if (!path) {
        return noDeviceMessage(portName(port), {});
    }
    return openDevice(*path, portName(port));
}

std::optional<std::string> AnalyzerPort::openPath(const std::string& devicePath) {
    return openDevice(devicePath, devicePath);
}

std::optional<std::string> AnalyzerPort::openDevice(const std::string& devicePath,
                                                    const std::string& name) {
    close();
    devicePath_ = devicePath;
    name_ = name;

    configuring_ = true;
    port_.setPortName(QString::fromStdString(devicePath));
    port_.setBaudRate(kBaudRate);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    port_.setReadBufferSize(kReadBufferBytes);
    if (!port_.open(QIODevice::ReadWrite)) {
        const auto qtError = port_.error();
        const std::string qtText = port_.errorString().toStdString();
        port_.clearError();
        configuring_ = false;
        // Ask the file system why, for a message that says what to do.
        ProbeDetails d = probePath(devicePath, name);
        if (d.result != ProbeResult::Opened && d.result != ProbeResult::OtherError) {
            return d.message;
        }
        if (qtError == QSerialPort::PermissionError) {
            return busyMessage(name, devicePath);
        }
        return name + ": cannot open " + devicePath + ": " + qtText;
    }
    // The analyzer needs neither line; a pseudo-terminal has none and refuses both requests,
    // which does no harm.
    port_.setDataTerminalReady(false);
    port_.setRequestToSend(false);
    port_.clearError();
    configuring_ = false;
    sinceBytes_.start();
    quietTimer_.start(kQuietAfterBytesMs);
    return std::nullopt;
}

void AnalyzerPort::close() {
    quietTimer_.stop();
    if (port_.isOpen()) {
        port_.close();
    }
}

bool AnalyzerPort::isOpen() const {
    return port_.isOpen();
}

void AnalyzerPort::flushInput() {
    if (port_.isOpen()) {
        // Both the driver's queue and whatever QSerialPort has read ahead into its buffer.
        port_.clear(QSerialPort::Input);
    }
}

void AnalyzerPort::onReadyRead() {
    const QByteArray data = port_.readAll();
    if (data.isEmpty()) {
        return;
    }
    bytesRead_ += static_cast<std::uint64_t>(data.size());
    sinceBytes_.start();
    quietTimer_.start(kQuietAfterBytesMs);
    if (handler_) {
        handler_(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(data.data()),
                                               static_cast<std::size_t>(data.size())));
    }
    emit bytesReceived(data);
}

bool AnalyzerPort::bytesWaiting() const {
    if (port_.bytesAvailable() > 0) {
        return true;
    }
    int waiting = 0;
    return port_.handle() >= 0 && ::ioctl(port_.handle(), FIONREAD, &waiting) == 0 && waiting > 0;
}

void AnalyzerPort::onQuietTimer() {
    if (!port_.isOpen()) {
        return;
    }
    if (bytesWaiting()) {
        // The event loop was held up: read what came meanwhile, which restarts the wait.
        if (port_.bytesAvailable() > 0) {
            onReadyRead();
        } else {
            port_.waitForReadyRead(0);
        }
        if (!quietTimer_.isActive()) {
            quietTimer_.start(kQuietAfterBytesMs);
        }
        return;
    }
    const qint64 left = kQuietAfterBytesMs - sinceBytes_.elapsed();
    if (left > 0) {
        quietTimer_.start(static_cast<int>(left));
        return;
    }
    if (quietHandler_) {
        quietHandler_();
    }
}

void AnalyzerPort::onErrorOccurred(QSerialPort::SerialPortError error) {
    if (configuring_ || error == QSerialPort::NoError) {
        return;
    }
    // A vanished device keeps signalling readiness; left open, the port would spin the event
    // loop. Unplugging shows as a resource error, on some drivers as a read error.
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError) {
        // QSerialPort's own text names whatever call failed last, which says little here.
        const QString text = QString::fromStdString(name_) +
                             QStringLiteral(": connection lost (device removed or line closed)");
        port_.clearError();
        close();
        emit connectionLost(text);
    }
}

} // namespace kesto
