// Renders the messages, version, progress and viewer windows to PNG files, with a fixed clock and
// frames fed through the real decoder, so the pictures can be regenerated after a layout change.
// The viewer shows half an hour of the simulator's boiler, refreshed as the live display does
// and written as a recording, and the progress of a file that takes a while to load.
#include "acquisition/Acquisition.h"
#include "acquisition/DisplayRefresh.h"
#include "acquisition/FrameDecoder.h"
#include "acquisition/NumberFormat.h"
#include "acquisition/ui/uMessageForm.h"
#include "app/uVersionFrm.h"
#include "config/ui/uFortschrittFrm.h"
#include "review/ui/uViewFrm.h"
#include "tests/WindowTestSupport.h"
#include "tools/SimFrames.h"
#include "widgets/TrendRecorder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPixmap>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

bool save(QWidget& window, const QDir& dir, const char* name) {
    QApplication::processEvents();
    const QString path = dir.filePath(QString::fromLatin1(name));
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// Half an hour of the simulator's boiler, one line a second, as the recorder writes it.
QByteArray simulatedRecording(const QByteArray& title) {
    using namespace kesto;
    test::FixedClock clock;
    ReceivedTexts texts{};
    FrameDecoder decoder(texts, clock);
    sim::BoilerModel boiler(7, sim::NearZero::Calm);
    LiveDisplay display = makeDefaultDisplay(builtinChannelDefaults());
    MeanValues means;
    ReferenceSettings references{};
    QByteArray out = title + "\r\n";
    for (int second = 0; second < 1800; ++second) {
        clock.tick += 1000;
        test::sendBurst(decoder, sim::buildFrame(sim::encodeWords(boiler.at(second)), 16), clock.tick);
        RefreshLiveDisplay(texts, RefreshOptions{}, means, references, display);
        const int s = 9 * 3600 + 12 * 60 + second;
        QByteArray line = QStringLiteral("07.03.2024,%1:%2:%3")
                              .arg(s / 3600, 2, 10, QChar('0'))
                              .arg(s / 60 % 60, 2, 10, QChar('0'))
                              .arg(s % 60, 2, 10, QChar('0'))
                              .toLatin1();
        for (const ChannelDisplay& c : display) {
            line += "," + QByteArray::fromStdString(formatNumber(c.value, c.settings.format));
        }
        out += line + "\r\n";
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The messages window resolves KESTO.LOG in the home folder; keep it away from the user's.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QApplication app(argc, argv);

    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1])
                            : QStringLiteral(KESTO_SCREENSHOT_DIR));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(dir.path()));
        return 1;
    }

    kesto::test::FixedClock clock;
    clock.now = {2024, 3, 7, 9, 14, 52, 0};
    kesto::TMessageFrm messages(clock);
    // As in the program built with the LibreOffice SDK: "Copy to Writer" can be clicked.
    messages.setWordExport([] {});
    messages.show();
    messages.addMessage(kesto::kNoDataMessage);
    clock.now.second = 53;
    messages.addMessage(kesto::kNoDataMessage);

    kesto::ReceivedTexts texts{};
    kesto::FrameDecoder decoder(texts, clock, &messages, &messages.frameLog());
    const std::vector<std::uint8_t> rejected = {
        0xFF, 0xFF, 0x00, 0xD4, 0x00, 0x32, 0x00, 0xB4, 0x00, 0x96, 0x03, 0x70, 0x00, 0x64, 0x00,
        0x00, 0x00, 0xD2, 0x00, 0x28, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x80, 0xFA, 0xFF, 0xFF};
    const std::vector<std::uint8_t> accepted = {
        0xFF, 0xFF, 0x00, 0x69, 0x00, 0x32, 0x00, 0xB4, 0x00, 0x96, 0x03, 0x70,
        0x00, 0x64, 0x00, 0x00, 0x00, 0xD2, 0x00, 0x28, 0x00, 0x00, 0x00, 0x05,
        0x00, 0x00, 0x80, 0xFA, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF};
    clock.now.second = 54;
    kesto::test::sendBurst(decoder, rejected, clock.tick);
    for (int second = 55; second < 58; ++second) {
        clock.tick += 1000;
        clock.now.second = second;
        kesto::test::sendBurst(decoder, accepted, clock.tick);
    }
    messages.showCounters(decoder.counters());

    kesto::TVersionFrm version;
    version.setTitleSource([] { return QStringLiteral("Vantro Kesto V2.310"); });
    version.show();

    kesto::TFortschrittFrm progress;
    progress.showProgress();
    progress.setStep(37);

    bool ok = save(messages, dir, "messages.png");
    ok = save(version, dir, "version.png") && ok;
    ok = save(progress, dir, "progress.png") && ok;

    QTemporaryDir recordings;
    const QString file = recordings.filePath("BOILER.CSV");
    QFile csv(file);
    if (!csv.open(QIODevice::WriteOnly) ||
        csv.write(simulatedRecording(
            "dd.mm.yyyy,hh:mm:ss,O2[%],CO2[%],TGas[\xB0"
            "C],TRoom[\xB0"
            "C],Eta[%],Lambda[],CO[ppm],"
            "CO[mg/m3],NO[ppm],NO2[ppm],NOx[mg/m3],SO2[ppm],SO2[mg/m3],CxHy[ppm],CxHy[mg/m3],"
            "Draught[hPa],Flow[m/s],H2[ppm],S6[ppm]")) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
    }
    csv.close();
    kesto::TViewFrm viewer;
    viewer.applyChannelSettings(kesto::makeDefaultDisplay(kesto::builtinChannelDefaults()));
    viewer.setFileName(file);
    viewer.show();
    ok = save(viewer, dir, "viewer-data.png") && ok;
    viewer.pages()->setCurrentIndex(1);
    QApplication::processEvents();
    viewer.scrollBar(0)->setValue(400);
    viewer.trend(0)->moveCursorTo(260);
    ok = save(viewer, dir, "viewer-diagram.png") && ok;

    // A file that takes longer than a blink: its progress, caught at 40 %.
    kesto::TViewFrm loading;
    loading.setLoader([](const std::string&, kesto::DateTimePatterns&, int,
                         kesto::LoadProgress* progress) {
        while (progress->keepGoing(400, 1000)) {
            QThread::msleep(10);
        }
        return kesto::RecordingLoad{};
    });
    loading.setFileName(recordings.filePath("MONTH.CSV"));
    loading.show();
    QElapsedTimer shown;
    shown.start();
    while (shown.elapsed() < 2 * 100) { // the progress bar's first steps
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    ok = save(loading, dir, "viewer-loading.png") && ok;
    loading.close();
    return ok ? 0 : 1;
}
