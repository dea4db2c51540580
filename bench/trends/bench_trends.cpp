// The trends and the viewer, without a display (offscreen): painting a full trend, feeding the
// live trends once a second, loading a recording of 60000 and of 1000000 lines into the viewer
// (loader, table model and the three diagrams), and the resident memory of the program with its
// three live trends full.
#include "app/LiveTrends.h"
#include "app/uMainFrm.h"
#include "bench/RecordingSample.h"
#include "platform/qt/ToneBeeper.h"
#include "review/ui/uViewFrm.h"
#include "tests/CoreFakes.h"
#include "widgets/PageControl.h"
#include "widgets/TrendRecorder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

namespace {

using namespace kesto;

class SilentBeeper final : public Beeper {
public:
    void beep() override {}
};

TrendSlots eightSlots() {
    TrendSlots slotSet{};
    const Colour colours[] = {0xFFFF00, 0xFF0000, 0xC0C0C0, 0x800000,
                              0x008080, 0x0000FF, 0x00FFFF, 0x808080};
    for (std::size_t s = 0; s < kTrendSlots; ++s) {
        slotSet[s].firstName = "S" + std::to_string(s + 1);
        slotSet[s].displayName = slotSet[s].firstName;
        slotSet[s].maximum = 100;
        slotSet[s].colour = colours[s];
    }
    return slotSet;
}

SlotValues wavyValues(int i) {
    SlotValues v{};
    for (std::size_t s = 0; s < kTrendSlots; ++s) {
        v[s] = static_cast<float>(50 + 40 * std::sin(i / (40.0 + 13.0 * s)));
    }
    return v;
}

// A live trend 1920 columns wide holding 60000 records, painted whole into an image.
void BM_PaintFullTrend1920(benchmark::State& state) {
    TrendRecorder trend;
    trend.resize(1920 + TrendRecorder::kScaleWidth, 600);
    trend.setSlotSettings(eightSlots());
    trend.setMaxRecords(60000);
    trend.setRecording(true);
    for (int i = 0; i < 60000; ++i) {
        trend.appendRecord(i, wavyValues(i));
    }
    trend.moveCursorTo(900);
    QImage image(trend.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        trend.render(&image);
        benchmark::ClobberMemory();
    }
    state.counters["records"] = static_cast<double>(trend.recordCount());
}
BENCHMARK(BM_PaintFullTrend1920)->Unit(benchmark::kMillisecond);

// One second of the live trends with full stores: the feed from the nineteen bars and each
// trend's own sample (which drops the oldest 60 records once a minute).
void BM_FeedLiveTrendsPerTick(benchmark::State& state) {
    test::FakeClock clock;
    QWidget window;
    std::array<QWidget*, kDiagramCount> pages{};
    for (auto& p : pages) {
        p = new QWidget(&window);
    }
    LiveTrends trends(pages, clock);
    LiveDisplay display = makeDefaultDisplay(builtinChannelDefaults());
    for (int d = 0; d < kDiagramCount; ++d) {
        trends.trend(d)->setRecording(false); // sampled by hand below
        for (int i = 0; i < 60000; ++i) {
            trends.trend(d)->sample();
        }
    }
    window.resize(800, 600);
    window.show();
    int tick = 0;
    for (auto _ : state) {
        for (std::size_t c = 0; c < kChannelCount; ++c) {
            display[c].value = static_cast<float>(tick % 100 + c);
        }
        trends.YTTimerTimer(display);
        for (int d = 0; d < kDiagramCount; ++d) {
            trends.trend(d)->sample();
        }
        ++tick;
    }
}
BENCHMARK(BM_FeedLiveTrendsPerTick)->Unit(benchmark::kMicrosecond);

// A figure of /proc/self/status in megabytes: "VmRSS" now, "VmHWM" at its peak.
double residentMegabytes(const char* field = "VmRSS") {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) {
        return -1;
    }
    char line[256];
    double kb = -1;
    const std::string prefix = std::string(field) + ": %lf kB";
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::sscanf(line, prefix.c_str(), &kb) == 1) {
            break;
        }
    }
    std::fclose(f);
    return kb / 1024.0;
}

// The viewer's whole loading of a recording file: loader, table model, column widths, three
// diagrams and their scroll ranges. 60000 lines (4.8 MB), and recordings of 1000000 lines joined
// (80 MB), with the resident memory after it and at its peak; run the latter alone
// (--benchmark_filter=ViewerLoad/1000000) for the peak.
void BM_ViewerLoad(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("bench.CSV");
    bench::writeRecording(path.toStdString(), static_cast<int>(state.range(0)));
    TViewFrm viewer;
    viewer.applyChannelSettings(makeDefaultDisplay(builtinChannelDefaults()));
    viewer.setFileName(path);
    viewer.show();
    for (auto _ : state) {
        viewer.FormShow();
        // A file that takes longer than a blink goes on loading beside the event loop.
        while (viewer.loading()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
    }
    state.counters["rows"] = viewer.tableRowCount();
    state.counters["records"] = static_cast<double>(viewer.trend(0)->recordCount());
    state.counters["RSS_MB"] = residentMegabytes("VmRSS");
    state.counters["peak_RSS_MB"] = residentMegabytes("VmHWM");
}
BENCHMARK(BM_ViewerLoad)->Arg(60000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The program's main window with its three live trends holding 60000 records each. Run it on
// its own (--benchmark_filter=Resident) for the program's figure.
void BM_ResidentMemoryWithThreeFullLiveTrends(benchmark::State& state) {
    test::FakeClock clock;
    test::FakeSerialLink link;
    link.probeSucceeds = false;
    link.openError = "no line";
    SilentBeeper beeper;
    MemoryRegistryStore store;
    MainFrmOptions o;
    o.languageFile = (QDir::tempPath() + "/kesto-bench-no-language.GER").toStdString();
    o.languageId = 0x0409;
    o.clock = &clock;
    o.link = &link;
    o.beeper = &beeper;
    o.store = &store;
    ProgramServices services(o);
    TMainFrm main(services);
    main.show();
    QApplication::processEvents();
    const double before = residentMegabytes();
    for (auto _ : state) {
        for (int d = 0; d < kDiagramCount; ++d) {
            for (int i = 0; i < 60000; ++i) {
                main.liveTrends().trend(d)->sample();
            }
        }
        for (int page = 1; page <= 3; ++page) {
            main.pageControl()->setCurrentIndex(page);
            QApplication::processEvents();
        }
    }
    state.counters["records"] = static_cast<double>(3 * main.liveTrends().trend(0)->recordCount());
    state.counters["RSS_MB"] = residentMegabytes();
    state.counters["RSS_before_fill_MB"] = before;
    main.close();
}
BENCHMARK(BM_ResidentMemoryWithThreeFullLiveTrends)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
