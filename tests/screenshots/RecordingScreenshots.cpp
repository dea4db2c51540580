// Renders the memory-card conversion window, half-way through a card, to a PNG file.
#include "recording/ui/uMMCToCSVFrm.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>

#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1])
                            : QStringLiteral(KESTO_SCREENSHOT_DIR));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(dir.path()));
        return 1;
    }
    kesto::TMMCtoCSVFrm window;
    window.showProgress();
    window.conversionStarts(24002);
    window.convertingLines(9600, 24002);
    QApplication::processEvents();
    const QString path = dir.filePath(QStringLiteral("mmc-conversion.png"));
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("%s\n", qPrintable(path));
    return 0;
}
