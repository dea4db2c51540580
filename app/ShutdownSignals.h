#pragma once

#include <QObject>

class QSocketNotifier;

namespace kesto {

// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal on the event loop, so that a program stopped
// from a terminal or by the session runs its normal shutdown instead of dying mid-write. The
// signal handler only writes the signal number into a socket pair; everything else happens on
// the UI thread. One instance per process.
class ShutdownSignals : public QObject {
    Q_OBJECT

public:
    explicit ShutdownSignals(QObject* parent = nullptr);
    ~ShutdownSignals() override;

    bool isInstalled() const { return notifier_ != nullptr; }

signals:
    void shutdownRequested(int signalNumber);

private:
    void readSignal();

    QSocketNotifier* notifier_ = nullptr;
};

} // namespace kesto
