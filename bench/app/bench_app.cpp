// Speed of the main window: start-up (in-process and as a whole program) and the cost of one
// acquisition cycle with all its widgets; `kesto --view` on a large recording. Runs without a
// display (offscreen).
#include "app/uMainFrm.h"
#include "bench/RecordingSample.h"
#include "config/ui/uSetupFrm.h"
#include "platform/qt/ToneBeeper.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace {

class BenchClock final : public kesto::Clock {
public:
    std::uint32_t tick = 100000;
    std::uint32_t tickMs() const override { return tick; }
    kesto::LocalDateTime localNow() const override { return {}; }
};

// A line that is never open: start-up does not touch a serial device.
class ClosedLink final : public kesto::SerialLink {
public:
    bool probe(int) override { return false; }
    std::optional<std::string> open(int) override { return "no line"; }
    std::optional<std::string> openPath(const std::string&) override { return "no line"; }
    void close() override {}
    bool isOpen() const override { return false; }
    void flushInput() override {}
};

class SilentBeeper final : public kesto::Beeper {
public:
    void beep() override {}
};

struct Fakes {
    BenchClock clock;
    ClosedLink link;
    SilentBeeper beeper;
    kesto::MemoryRegistryStore store; // never the user's settings
    kesto::MainFrmOptions options() {
        kesto::MainFrmOptions o;
        o.languageFile = (QDir::tempPath() + "/kesto-bench-no-language.GER").toStdString();
        o.languageId = 0x0409;
        o.clock = &clock;
        o.link = &link;
        o.beeper = &beeper;
        o.store = &store;
        return o;
    }
};

// Two frames with different readings, so that every cycle changes the values shown.
std::vector<std::uint8_t> frame(std::uint8_t o2) {
    return {0xFF, 0xFF, 0x00, o2,   0x00, 0x32, 0x00, 0xB4, 0x00, 0x96,
            0x03, 0x70, 0x00, 0x64, 0x00, 0x00, 0x00, 0xD2, 0x00, 0x28,
            0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x80, 0xFA, 0xFF, 0xFF};
}

void BM_ConstructAndShowMainWindow(benchmark::State& state) {
    Fakes fakes;
    for (auto _ : state) {
        kesto::ProgramServices services(fakes.options());
        kesto::TMainFrm window(services);
        window.show();
        QApplication::processEvents(); // first paint
        benchmark::DoNotOptimize(window.isVisible());
        window.close();
    }
}
BENCHMARK(BM_ConstructAndShowMainWindow)->Unit(benchmark::kMillisecond);

// The environment of a program run without a display, with `home` as its home folder.
QProcessEnvironment programEnvironment(const QTemporaryDir& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.path() + "/.config");
    env.insert("XDG_DATA_HOME", home.path() + "/.local/share");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("KESTO_EXIT_AFTER_SHOW", "1");
    return env;
}

// Runs `program` once per iteration until it reports its window shown; the counter "shown_ms"
// is the average of the milliseconds it reports, "peak_RSS_MB" the largest resident memory it
// reports, if it does.
void runUntilShown(benchmark::State& state, const QString& program, const QStringList& arguments,
                   const QProcessEnvironment& env, int timeoutMs) {
    double shownTotal = 0;
    double peakKb = -1;
    for (auto _ : state) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        if (!process.waitForFinished(timeoutMs)) {
            state.SkipWithError("the program did not end");
            break;
        }
        const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
        const auto at = out.indexOf("shown after ");
        if (at < 0) {
            state.SkipWithError("the program did not report its window shown");
            break;
        }
        shownTotal += out.mid(at + 12).section(' ', 0, 0).toDouble();
        if (const auto peak = out.indexOf("peak resident "); peak >= 0) {
            peakKb = std::max(peakKb, out.mid(peak + 14).section(' ', 0, 0).toDouble());
        }
    }
    state.counters["shown_ms"] = benchmark::Counter(shownTotal, benchmark::Counter::kAvgIterations);
    if (peakKb >= 0) {
        state.counters["peak_RSS_MB"] = peakKb / 1024.0;
    }
}

// From spawning `program` to its main window shown, as the program itself measures it
// (milliseconds since the kernel started the process); the iteration time also includes the
// program's shutdown. `language` is the system language the program sees.
void processStartToMainWindowShown(benchmark::State& state, const QString& program,
                                   const QString& language) {
    QTemporaryDir home;
    const QString dosDevices = home.path() + "/.config/Pellum/dosdevices";
    QDir().mkpath(dosDevices);
    QFile::link(home.path() + "/no-such-device", dosDevices + "/com1");
    QProcessEnvironment env = programEnvironment(home);
    env.remove("LC_ALL");
    env.remove("LC_MESSAGES");
    env.insert("LANG", language);
    runUntilShown(state, program, {}, env, 10000);
}

// The program of this build tree, with English texts.
void BM_ProcessStartToMainWindowShown(benchmark::State& state) {
    processStartToMainWindowShown(state, KESTO_PROGRAM, "en_US.UTF-8");
}
BENCHMARK(BM_ProcessStartToMainWindowShown)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);

// The installed program, as the package puts it on a machine (a stripped Release build), with
// the German texts from its data folder: $KESTO_INSTALLED_PROGRAM, else /usr/bin/kesto.
void BM_InstalledProgramStartToMainWindowShown(benchmark::State& state) {
    const QString program =
        qEnvironmentVariable("KESTO_INSTALLED_PROGRAM", QStringLiteral("/usr/bin/kesto"));
    if (!QFileInfo(program).isExecutable()) {
        state.SkipWithError("no installed program: set KESTO_INSTALLED_PROGRAM");
        return;
    }
    processStartToMainWindowShown(state, program, "de_DE.UTF-8");
}
BENCHMARK(BM_InstalledProgramStartToMainWindowShown)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);

// `kesto --view FILE` on recordings of 1000000 lines joined (80 MB): from spawning the program
// to the viewer shown with the file loaded, and the program's largest resident memory until
// then, as the program measures them.
void BM_ViewOnly1000000LinesShown(benchmark::State& state) {
    QTemporaryDir home;
    const QString file = home.filePath("month.CSV");
    kesto::bench::writeRecording(file.toStdString(), 1000000);
    runUntilShown(state, KESTO_PROGRAM, {"--view", file}, programEnvironment(home), 60000);
}
BENCHMARK(BM_ViewOnly1000000LinesShown)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

// One acquisition cycle: a frame decoded, link supervision, refresh, derived values, and every
// label, bar and big-display cell brought up to date. `repaint` adds the painting that follows.
void refreshCycle(benchmark::State& state, bool repaint) {
    Fakes fakes;
    kesto::ProgramServices services(fakes.options());
    kesto::TMainFrm window(services);
    window.show();
    QApplication::processEvents();
    const std::vector<std::vector<std::uint8_t>> frames{frame(0x69), frame(0x3C)};
    std::size_t n = 0;
    for (auto _ : state) {
        window.acquisition().onBytes(frames[n++ % 2]);
        fakes.clock.tick += 1000;
        window.COMTimerGetData();
        if (repaint) {
            QApplication::processEvents();
        }
    }
    window.close();
}
void BM_FullRefreshOfAllWidgets(benchmark::State& state) {
    refreshCycle(state, false);
}
void BM_FullRefreshAndRepaint(benchmark::State& state) {
    refreshCycle(state, true);
}
BENCHMARK(BM_FullRefreshOfAllWidgets)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullRefreshAndRepaint)->Unit(benchmark::kMicrosecond);

// The setup dialog's probe of COM1 to COM255 through the port map, with the 3 ms gap after
// each number, as the user waits for it before the dialog appears.
void BM_ProbeAllComPorts(benchmark::State& state) {
    Fakes fakes;
    kesto::ProgramServices services(fakes.options());
    kesto::TMainFrm window(services);
    kesto::TSetupFrm setup(window.generalSettings(), window.setupServices());
    for (auto _ : state) {
        setup.ProbePorts();
        benchmark::DoNotOptimize(setup.listedPorts().size());
    }
}
BENCHMARK(BM_ProbeAllComPorts)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The port map and settings of a throw-away folder, never the user's.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
