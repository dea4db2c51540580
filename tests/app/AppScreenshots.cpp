// Grabs the main window for the documentation: the live page at the initial size and the big
// display at the initial size and at 1200 x 900, after waiting for live data on COM1 (the
// simulator linked as COM1 in the settings folder). Builds nothing, writes three PNG files.
//
//   app_screenshots OUTDIR [SECONDS] [LANGUAGEFILE]
#include "ProgramWindows.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTDIR [SECONDS] [LANGUAGEFILE]\n", argv[0]);
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    const int waitMs = argc > 2 ? static_cast<int>(std::atof(argv[2]) * 1000) : 3500;
    QDir().mkpath(outDir);

    kesto::MainFrmOptions options;
    options.languageId = 0x0409;
    // Missing file: the built-in English texts.
    options.languageFile = argc > 3 ? argv[3] : (outDir + "/no-language-file").toStdString();
    kesto::ProgramWindows windows(options);
    kesto::TMainFrm& mainFrm = windows.main;
    mainFrm.show();

    int status = 0;
    QTimer::singleShot(waitMs, &mainFrm, [&] {
        auto save = [&](const QString& name) {
            QApplication::processEvents();
            const QString path = outDir + "/" + name;
            if (!mainFrm.grab().save(path)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                status = 1;
            }
        };
        if (!mainFrm.acquisition().link().isOpen()) {
            std::fprintf(stderr, "COM1 is not open: the pictures show no live data\n");
        }
        save("actual.png");
        mainFrm.pageControl()->setCurrentIndex(4);
        save("bigdisplay-small.png");
        mainFrm.resize(1200, 900);
        save("bigdisplay-large.png");
        mainFrm.close();
        QApplication::quit();
    });
    const int rc = QApplication::exec();
    return status != 0 ? status : rc;
}
