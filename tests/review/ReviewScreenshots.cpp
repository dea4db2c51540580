// Renders the messages, version and progress windows to PNG files, with a fixed clock and frames
// fed through the real decoder, so the pictures can be regenerated after a layout change.
#include "Acquisition.h"
#include "FrameDecoder.h"
#include "TestSupport.h"
#include "uFortschrittFrm.h"
#include "uMessageForm.h"
#include "uVersionFrm.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>

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
    decoder.onBytes(rejected);
    for (int second = 55; second < 58; ++second) {
        clock.tick += 1000;
        clock.now.second = second;
        decoder.onBytes(accepted);
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
    return ok ? 0 : 1;
}
