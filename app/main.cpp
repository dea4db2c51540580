// The program: the windows are created once, in a fixed order, and live until the main window
// closes.
#include "DateTimeFormat.h"
#include "ProgramWindows.h"
#include "ShutdownSignals.h"
#include "ViewOnly.h"

#include <QApplication>
#include <QSessionManager>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace {

// Milliseconds since this process started, from the kernel's process start time.
double msSinceProcessStart() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    std::FILE* f = std::fopen("/proc/self/stat", "r");
    if (f == nullptr) {
        return -1;
    }
    char buf[1024] = {};
    const std::size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    buf[n] = '\0';
    // Field 22 (starttime, clock ticks since boot) follows the command name in parentheses.
    const char* p = std::strrchr(buf, ')');
    if (p == nullptr) {
        return -1;
    }
    unsigned long long start = 0;
    int field = 2;
    for (const char* q = p + 1; *q != '\0'; ++q) {
        if (*q == ' ') {
            ++field;
            if (field == 22) {
                start = std::strtoull(q + 1, nullptr, 10);
                break;
            }
        }
    }
    const double ticks = static_cast<double>(::sysconf(_SC_CLK_TCK));
    const double nowMs = static_cast<double>(now.tv_sec) * 1000.0 + now.tv_nsec / 1e6;
    return nowMs - static_cast<double>(start) * 1000.0 / ticks;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Qt has set the C library's locale from the environment: take its date and time formats.
    kesto::useSystemDateTimePatterns();
    // The application's title; not set as display name, which Qt would append to every
    // window title ("Vantro Kesto V2.310 - Vantro Kesto").
    QApplication::setApplicationName("Vantro Kesto");
    QGuiApplication::setDesktopFileName("kesto");
    QApplication::setOrganizationName("Pellum");
    // The main window's closing ends the program, whatever other window is still open.
    QApplication::setQuitOnLastWindowClosed(false);

    // `kesto --view FILE`: a recording in the viewer, without the main window and its port.
    if (const QString file = kesto::viewFileArgument(QCoreApplication::arguments());
        !file.isEmpty()) {
        return kesto::runViewOnly(file);
    }

    kesto::ProgramWindows windows;
    kesto::TMainFrm& mainFrm = windows.main;

    QObject::connect(&mainFrm, &kesto::TMainFrm::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    // SIGINT, SIGTERM, SIGHUP and the end of the desktop session take the normal way out.
    kesto::ShutdownSignals shutdownSignals;
    QObject::connect(&shutdownSignals, &kesto::ShutdownSignals::shutdownRequested, &mainFrm,
                     [&mainFrm] { mainFrm.close(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &mainFrm,
                     [&mainFrm](QSessionManager&) { mainFrm.close(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &mainFrm,
                     [&mainFrm] { mainFrm.FormHide(); });

    mainFrm.show();

    // For the start-up benchmark: report when the main window has been shown and painted.
    if (qEnvironmentVariableIsSet("KESTO_EXIT_AFTER_SHOW")) {
        QTimer::singleShot(0, &mainFrm, [&mainFrm] {
            std::printf("shown after %.1f ms\n", msSinceProcessStart());
            std::fflush(stdout);
            mainFrm.close();
        });
    }
    return QApplication::exec();
}
