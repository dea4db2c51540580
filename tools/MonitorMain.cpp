// kesto-monitor: the program's acquisition on the console, for checking a line without the
// window. See --help.

#include "acquisition/Acquisition.h"
#include "acquisition/DateTimeFormat.h"
#include "measurement/LimitAlarms.h"
#include "serial/AnalyzerPort.h"
#include "serial/SerialAdapters.h"
#include "tools/ConsoleMeasurement.h"
#include "tools/ConsoleRecorder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The messages window as if it were open: every message becomes a "! " line.
class ConsoleMessages final : public kesto::MessageWindow {
public:
    explicit ConsoleMessages(bool showFrames) : showFrames_(showFrames) {}
    bool isVisible() const override { return true; }
    void addMessage(std::string_view text) override {
        std::printf("! %.*s\n", static_cast<int>(text.size()), text.data());
        std::fflush(stdout);
    }
    bool writeToLogfile() const override { return false; }
    void showFrame(std::string_view, std::string_view line, int) override {
        if (showFrames_) {
            std::printf("> %.*s\n", static_cast<int>(line.size()), line.data());
            std::fflush(stdout);
        }
    }

private:
    bool showFrames_;
};

// No sound on the console; the state is kept for the summary.
class SilentAlarm final : public kesto::Alarm {
public:
    void setAlarmTimer(bool on) override { on_ = on; }
    bool alarmTimerOn() const override { return on_; }
    void beep() override { ++beeps_; }

private:
    bool on_ = false;
    int beeps_ = 0;
};

int g_signalFd[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    // Only async-signal-safe work here; the event loop picks the byte up.
    [[maybe_unused]] const auto n = ::write(g_signalFd[1], &c, 1);
}

std::string refreshLine(const kesto::LiveAcquisition& acq) {
    std::string line = kesto::timeText(acq.clock().localNow());
    for (std::size_t i = 0; i < kesto::kChannelCount; ++i) {
        const auto& d = acq.display()[i];
        line.push_back(' ');
        line.append(kesto::channelKey(kesto::channelAt(i)));
        line.push_back('=');
        line.append(d.valid ? d.valueText() : std::string("-"));
    }
    return line;
}

// One line per adapter: its COM numbers ("-" when none), what it is, its stable name and the
// device it leads to now, separated by tabs.
int listAdapters() {
    const kesto::PortMap map = kesto::PortMap::fromEnvironment();
    const auto adapters = kesto::listSerialAdapters(kesto::DeviceFolders::fromEnvironment());
    if (adapters.empty()) {
        std::fprintf(stderr, "kesto-monitor: no serial adapters found\n");
    }
    for (const auto& a : adapters) {
        std::string numbers;
        for (const int n : kesto::comNumbersOf(a, map)) {
            numbers += (numbers.empty() ? "COM" : ",COM") + std::to_string(n);
        }
        std::printf("%s\t%s\t%s\t%s\n", numbers.empty() ? "-" : numbers.c_str(),
                    a.description().c_str(), a.stableName.c_str(), a.device.c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Qt has set the C library's locale from the environment: take its date and time formats.
    kesto::useSystemDateTimePatterns();
    QCoreApplication::setApplicationName(QStringLiteral("kesto-monitor"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs the program's acquisition on a serial line and prints, once a second, the time\n"
        "and the nineteen channels as KEY=VALUE (VALUE in the channel's default number format,\n"
        "'-' when invalid). Messages the program would show in its messages window are printed\n"
        "as lines starting with '! '. Decoder counters go to stderr at the end.\n"
        "With --high and --low (repeatable), a value past its limit is an alarm: one '! ' line\n"
        "when it begins ('! CO [ppm] above the limit 100: 160') and one when the value is back\n"
        "within the limit by more than 1 % of the channel's scale span.\n"
        "With --record, the program's recording runs as well: the file (.csv or .xls) is\n"
        "replaced, one data set is written every interval, and the file is finished when the\n"
        "monitor ends; the status line goes to stderr. Data sets that cannot be written wait\n"
        "and are written when the file can be written again; those still waiting at the end go\n"
        "to a rescue file in $XDG_DATA_HOME/Pellum/KESTO22/, named after the recording.\n"
        "With --wait, a port that cannot be opened is tried again about every two seconds, as\n"
        "the program does, and '! COMn: port opened' is printed once it opens.\n"
        "With --measure, the program's averaged measurement runs from the first refresh that\n"
        "shows a valid value: at its end a line '= KEY mean=X min=Y max=Z n=COUNT' for each\n"
        "of the nineteen channels in order (X, Y, Z in the channel's default number format,\n"
        "'-' when COUNT is 0), then '= measurement complete' or '= measurement incomplete';\n"
        "with --protocol it is appended to FILE as the program's protocol. The monitor ends\n"
        "with the measurement.\n"
        "Exit status: 0 after the given time or on SIGINT/SIGTERM, 1 bad options, 2 the port\n"
        "could not be opened (without --wait), 3 the recording file could not be created,\n"
        "4 data sets of the recording had to go to the rescue file (or were lost) or its end\n"
        "could not be written; with --measure: 0 complete, 5 incomplete (also when --seconds\n"
        "or a signal ends it first), 6 the protocol file could not be written."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("COM number (through the port map), device path, or an adapter's stable "
                       "name (see --list) to read."),
        QStringLiteral("N|PATH|NAME"));
    const QCommandLineOption listOption(
        QStringLiteral("list"),
        QStringLiteral("Print the serial adapters with their COM numbers, then end."));
    const QCommandLineOption secondsOption(
        QStringLiteral("seconds"),
        QStringLiteral("Stop after S refreshes, one a second (default: run until stopped)."),
        QStringLiteral("S"));
    const QCommandLineOption noReferenceOption(
        QStringLiteral("no-reference"),
        QStringLiteral("Untick all seven reference-oxygen entries (no correction)."));
    const QCommandLineOption meanOption(QStringLiteral("mean"),
                                        QStringLiteral("Show running mean values."));
    const QCommandLineOption tgasDecimalsOption(
        QStringLiteral("tgas-decimals"),
        QStringLiteral("The gas temperature arrives in tenths of a degree."));
    const QCommandLineOption framesOption(
        QStringLiteral("frames"), QStringLiteral("Print each frame found, as '> time hex'."));
    const QCommandLineOption recordOption(
        QStringLiteral("record"),
        QStringLiteral("Record into FILE as the program does: CSV or XLS by its extension."),
        QStringLiteral("FILE"));
    const QCommandLineOption intervalOption(
        QStringLiteral("interval"), QStringLiteral("Recording interval in seconds (default 1)."),
        QStringLiteral("S"), QStringLiteral("1"));
    const QCommandLineOption waitOption(
        QStringLiteral("wait"),
        QStringLiteral("Wait for a port that is missing or busy (an adapter plugged in later)."));
    const QCommandLineOption measureOption(
        QStringLiteral("measure"),
        QStringLiteral("An averaged measurement of readings of S seconds (1 to 600)."),
        QStringLiteral("S"));
    const QCommandLineOption readingsOption(
        QStringLiteral("readings"),
        QStringLiteral("Readings of the measurement (1 to 10, default 1)."), QStringLiteral("N"),
        QStringLiteral("1"));
    const QCommandLineOption spacingOption(
        QStringLiteral("spacing"),
        QStringLiteral("Seconds from the start of one reading to the next (default: --measure)."),
        QStringLiteral("S"));
    const QCommandLineOption protocolOption(
        QStringLiteral("protocol"),
        QStringLiteral("Append the measurement to FILE, as the program's protocol."),
        QStringLiteral("FILE"));
    // A channel's alarm limits in its unit, each option repeatable.
    const QCommandLineOption highOption(QStringLiteral("high"),
                                        QStringLiteral("Upper alarm limit, KEY=VALUE (CO=200)."),
                                        QStringLiteral("KEY=VALUE"));
    const QCommandLineOption lowOption(QStringLiteral("low"),
                                       QStringLiteral("Lower alarm limit, KEY=VALUE (O2=4.0)."),
                                       QStringLiteral("KEY=VALUE"));
    parser.addOptions({portOption, listOption, secondsOption, noReferenceOption, meanOption,
                       tgasDecimalsOption, framesOption, recordOption, intervalOption,
                       waitOption, measureOption, readingsOption, spacingOption,
                       protocolOption, highOption, lowOption});
    parser.process(app);

    if (parser.isSet(listOption) && !parser.isSet(portOption)) {
        return listAdapters();
    }
    if (!parser.isSet(portOption) || !parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr,
                     "kesto-monitor: --port N|PATH|NAME or --list is required (see --help)\n");
        return 1;
    }
    int seconds = 0;
    if (parser.isSet(secondsOption)) {
        bool ok = false;
        seconds = parser.value(secondsOption).toInt(&ok);
        if (!ok || seconds < 1) {
            std::fprintf(stderr, "kesto-monitor: --seconds needs a whole number of at least 1\n");
            return 1;
        }
    }

    const std::string recordFile = parser.value(recordOption).toStdString();
    bool intervalOk = false;
    const int interval = parser.value(intervalOption).toInt(&intervalOk);
    if (!intervalOk || interval < 1 || interval > 86400) {
        std::fprintf(stderr, "kesto-monitor: --interval needs whole seconds from 1 to 86400\n");
        return 1;
    }
    if (parser.isSet(recordOption) && !kesto::ConsoleRecorder::formatForFile(recordFile)) {
        std::fprintf(stderr, "kesto-monitor: --record needs a file name ending in .csv or .xls\n");
        return 1;
    }
    std::optional<kesto::MeasurementPlan> plan;
    if (parser.isSet(measureOption)) {
        using P = kesto::MeasurementPlan;
        const auto number = [&parser](const QCommandLineOption& o, int fallback, int low,
                                      int high) -> std::optional<int> {
            bool ok = true;
            const int v = parser.isSet(o) ? parser.value(o).toInt(&ok) : fallback;
            return ok && v >= low && v <= high ? std::optional<int>(v) : std::nullopt;
        };
        const auto seconds = number(measureOption, 0, P::kMinSeconds, P::kMaxSeconds);
        const auto readings = number(readingsOption, 1, P::kMinReadings, P::kMaxReadings);
        const auto spacing =
            number(spacingOption, seconds.value_or(0), seconds.value_or(1), P::kMaxSpacing);
        if (!seconds || !readings || !spacing) {
            std::fprintf(stderr, "kesto-monitor: --measure needs 1 to 600 s, --readings 1 to 10, "
                                 "--spacing at least --measure and at most 3600 s\n");
            return 1;
        }
        plan = P{*seconds, *readings, *spacing};
    } else if (parser.isSet(readingsOption) || parser.isSet(spacingOption) ||
               parser.isSet(protocolOption)) {
        std::fprintf(stderr, "kesto-monitor: --readings, --spacing and --protocol go with "
                             "--measure\n");
        return 1;
    }

    kesto::SystemClock clock;
    kesto::AnalyzerPort port;
    ConsoleMessages messages(parser.isSet(framesOption));
    SilentAlarm alarm;
    kesto::LiveAcquisition acq(clock, port, messages, alarm);
    acq.options().useMeanValue = parser.isSet(meanOption);
    acq.options().tgasDecimals = parser.isSet(tgasDecimalsOption);
    if (parser.isSet(noReferenceOption)) {
        for (auto& entry : acq.references()) {
            entry.checked = false;
        }
    }
    for (const bool high : {true, false}) {
        for (const QString& given : parser.values(high ? highOption : lowOption)) {
            const auto limit = kesto::parseLimitOption(given.toStdString());
            if (!limit) {
                std::fprintf(
                    stderr, "kesto-monitor: --%s needs KEY=VALUE, a channel key and a number: %s\n",
                    high ? "high" : "low", qPrintable(given));
                return 1;
            }
            auto& settings = acq.display()[kesto::index(limit->channel)].settings;
            (high ? settings.alarmAbove : settings.alarmBelow) = limit->limit;
        }
    }
    acq.ResetMeanValues();
    port.setBytesHandler([&acq](std::span<const std::uint8_t> bytes) { acq.onBytes(bytes); });
    port.setQuietHandler([&acq] { acq.onLineQuiet(); });
    // A line that goes away (adapter pulled out) is reopened when it comes back, as in the
    // program.
    QObject::connect(&port, &kesto::AnalyzerPort::connectionLost,
                     [&acq](const QString& message) { acq.markPortLost(message.toStdString()); });

    // Open as the program does; where it would stay silent, say why.
    const kesto::NamedPort target = kesto::resolvePortArgument(
        parser.value(portOption).toStdString(), kesto::DeviceFolders::fromEnvironment());
    std::optional<std::string> error;
    if (target.number) {
        const int number = *target.number;
        const auto probe = port.probeDetailed(number);
        if (probe.result != kesto::ProbeResult::Opened) {
            error = probe.message;
        } else {
            error = acq.OpenAnalyzerPort(number);
        }
    } else {
        error = acq.OpenAnalyzerPath(target.path);
    }
    if (error && !parser.isSet(waitOption)) {
        std::fprintf(stderr, "kesto-monitor: %s\n", error->c_str());
        return 2;
    }
    if (error) {
        std::fprintf(stderr, "kesto-monitor: %s; waiting for it\n", error->c_str());
        acq.awaitPort(target.number ? kesto::PortTarget(*target.number)
                                    : kesto::PortTarget(target.path));
    } else {
        // A stable name with the device it leads to now.
        const std::string now = kesto::currentTarget(port.devicePath());
        std::fprintf(stderr, "kesto-monitor: reading %s%s\n", port.devicePath().c_str(),
                     now == port.devicePath() ? "" : (" (" + now + ")").c_str());
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFd) == 0) {
        struct sigaction sa {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &sa, nullptr);
        ::sigaction(SIGTERM, &sa, nullptr);
    }
    QSocketNotifier signalNotifier(g_signalFd[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [&] {
        char c = 0;
        [[maybe_unused]] const auto n = ::read(g_signalFd[0], &c, 1);
        app.quit();
    });

    std::optional<kesto::ConsoleMeasurement> measurement;
    if (plan) {
        measurement.emplace(*plan, parser.value(protocolOption).toStdString());
    }
    // The program's built-in English texts, as the monitor's other messages.
    const kesto::LanguageTexts texts;
    int refreshes = 0;
    QTimer comTimer;
    comTimer.setInterval(1000);
    QObject::connect(&comTimer, &QTimer::timeout, &app, [&] {
        acq.COMTimerGetData();
        for (const std::string& line : kesto::updateLimitAlarms(acq.display(), texts).messages) {
            messages.addMessage(line);
        }
        std::printf("%s\n", refreshLine(acq).c_str());
        std::fflush(stdout);
        const bool measured = measurement && measurement->onRefresh(acq);
        if (measured || (seconds > 0 && ++refreshes >= seconds)) {
            comTimer.stop();
            app.quit();
        }
    });
    comTimer.start();

    // Started after the refresh timer, so that each recording tick follows a refresh.
    std::unique_ptr<kesto::ConsoleRecorder> recording;
    if (parser.isSet(recordOption)) {
        recording = std::make_unique<kesto::ConsoleRecorder>(acq, messages, interval);
        if (!recording->start(recordFile)) {
            acq.CloseAnalyzerPort();
            return 3;
        }
    }

    app.exec();

    int status = 0;
    if (recording) {
        recording->stop();
        status = recording->exitStatus();
    }
    if (measurement) {
        // Ended by --seconds or a signal before its time: what was measured, incomplete.
        measurement->stop();
        status = measurement->exitStatus() != 0 ? measurement->exitStatus() : status;
    }
    acq.CloseAnalyzerPort();
    const auto& c = acq.decoder().counters();
    std::fprintf(stderr,
                 "kesto-monitor: %llu bytes received, %llu frames found, %llu accepted, "
                 "%llu rejected, %llu bytes discarded\n",
                 static_cast<unsigned long long>(c.bytesReceived),
                 static_cast<unsigned long long>(c.framesFound),
                 static_cast<unsigned long long>(c.framesAccepted),
                 static_cast<unsigned long long>(c.framesRejected),
                 static_cast<unsigned long long>(c.bytesDiscarded));
    return status;
}
