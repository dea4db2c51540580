// The program: the windows are created once, in a fixed order, and live until the main window
// closes.
#include "acquisition/DateTimeFormat.h"
#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/ProgramInfo.h"
#include "app/ProgramWindows.h"
#include "app/ShutdownSignals.h"
#include "app/ViewOnly.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QSessionManager>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <optional>
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

// The largest resident memory of this process so far, in kilobytes (VmHWM).
long peakResidentKb() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    long kb = -1;
    char line[256];
    while (f != nullptr && std::fgets(line, sizeof line, f) != nullptr) {
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) {
            break;
        }
    }
    if (f != nullptr) {
        std::fclose(f);
    }
    return kb;
}

// Prints the command line's answer and gives the exit code, or nothing when the program runs.
std::optional<int> answered(const kesto::CommandLine& commandLine) {
    if (!commandLine.exitCode) {
        return std::nullopt;
    }
    std::fputs(commandLine.output.toLocal8Bit().constData(),
               *commandLine.exitCode == 0 ? stdout : stderr);
    return commandLine.exitCode;
}

} // namespace

int main(int argc, char* argv[]) {
    // Help and version are answered before the window system is reached, so they work on a
    // terminal without a display. Anything else waits until Qt has taken out its own options
    // (-platform, -style, ...).
    QStringList rawArguments;
    for (int i = 0; i < argc; ++i) {
        rawArguments << QString::fromLocal8Bit(argv[i]);
    }
    if (const kesto::CommandLine early = kesto::parseCommandLine(rawArguments, QDir::currentPath());
        early.exitCode == 0) {
        return *answered(early);
    }

    kesto::Application app(argc, argv);
    const kesto::CommandLine commandLine =
        kesto::parseCommandLine(QCoreApplication::arguments(), QDir::currentPath());
    if (const std::optional<int> exitCode = answered(commandLine)) {
        return *exitCode;
    }
    const kesto::ProgramOptions& options = commandLine.options;

    // Qt has set the C library's locale from the environment: take its date and time formats.
    kesto::useSystemDateTimePatterns();

    // The application's title; not set as display name, which Qt would append to every
    // window title ("Vantro Kesto V2.310 - Vantro Kesto").
    QApplication::setApplicationName("Vantro Kesto");
    // The desktop entry's name: desktops match the window to its entry and icon by it.
    QGuiApplication::setDesktopFileName(QStringLiteral(KESTO_APP_ID));
    // The installed icon, for window managers that take it from the window (X11); none when
    // the program runs from its build folder.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(KESTO_APP_ID)));
    QApplication::setOrganizationName("Pellum");
    // The main window's closing ends the program, whatever other window is still open.
    QApplication::setQuitOnLastWindowClosed(false);

    // `kesto --view FILE`: a recording in the viewer, without the main window and its port.
    if (options.viewFile) {
        // For the viewer's benchmark: report when the file is shown, then end.
        std::function<void()> whenShown;
        if (qEnvironmentVariableIsSet("KESTO_EXIT_AFTER_SHOW")) {
            whenShown = [] {
                std::printf("shown after %s ms\npeak resident %ld kB\n",
                            qPrintable(QString::number(msSinceProcessStart(), 'f', 1)),
                            peakResidentKb());
                std::fflush(stdout);
            };
        }
        return kesto::runViewOnly(*options.viewFile, whenShown);
    }

    kesto::ProgramWindows windows;
    kesto::TMainFrm& mainFrm = windows.main;

    QObject::connect(&mainFrm, &kesto::TMainFrm::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    // SIGINT, SIGTERM, SIGHUP and the end of the desktop session take the normal way out. No
    // one is there to answer a question: a running measurement is dropped.
    const auto endFromOutside = [&windows] {
        windows.measuring.cancel();
        windows.main.close();
    };
    kesto::ShutdownSignals shutdownSignals;
    QObject::connect(&shutdownSignals, &kesto::ShutdownSignals::shutdownRequested, &mainFrm,
                     endFromOutside);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &mainFrm,
                     [endFromOutside](QSessionManager&) { endFromOutside(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &mainFrm,
                     [&mainFrm] { mainFrm.FormHide(); });

    mainFrm.show();

    // For the start-up benchmark and the check of an installed program: report when the main
    // window has been shown and painted, and which language file it read, then end.
    if (qEnvironmentVariableIsSet("KESTO_EXIT_AFTER_SHOW")) {
        QTimer::singleShot(0, &mainFrm, [&mainFrm] {
            // QString::number, not printf: a point whatever the locale's decimal separator.
            std::printf("shown after %s ms\nlanguage file %s\n",
                        qPrintable(QString::number(msSinceProcessStart(), 'f', 1)),
                        mainFrm.languageFile().c_str());
            std::fflush(stdout);
            mainFrm.close();
        });
    }
    return QApplication::exec();
}
