#include "app/ShutdownSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kesto {

namespace {

std::array<int, 2> gSocketPair{-1, -1};
constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGHUP};

extern "C" void onShutdownSignal(int signalNumber) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    // Async-signal-safe; a full pipe means a request is already pending.
    [[maybe_unused]] const auto written = ::write(gSocketPair[0], &byte, 1);
    errno = saved;
}

} // namespace

ShutdownSignals::ShutdownSignals(QObject* parent) : QObject(parent) {
    if (gSocketPair[0] >= 0) {
        return; // another instance owns the handlers
    }
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0) {
        return;
    }
    gSocketPair = {fds[0], fds[1]};
    notifier_ = new QSocketNotifier(gSocketPair[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ShutdownSignals::readSignal);

    struct sigaction action {};
    action.sa_handler = onShutdownSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int s : kSignals) {
        ::sigaction(s, &action, nullptr);
    }
}

ShutdownSignals::~ShutdownSignals() {
    if (notifier_ == nullptr) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int s : kSignals) {
        ::sigaction(s, &action, nullptr);
    }
    ::close(gSocketPair[0]);
    ::close(gSocketPair[1]);
    gSocketPair = {-1, -1};
}

void ShutdownSignals::readSignal() {
    unsigned char byte = 0;
    while (::read(gSocketPair[1], &byte, 1) == 1) {
        emit shutdownRequested(byte);
    }
}

} // namespace kesto
