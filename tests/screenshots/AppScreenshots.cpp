// Grabs the main window for the documentation: the live page at the initial size and the big
// display at the initial size and at 1200 x 900, after waiting for live data on COM1 (the
// simulator linked as COM1 in the settings folder); then, with DIAGRAM_SECONDS, the three
// diagram pages once the live trends have recorded that long; last, with limits the simulator
// passes, alarm-actual, -bigdisplay and -diagram1. Builds nothing, writes PNG files.
//
//   app_screenshots OUTDIR [SECONDS] [LANGUAGEFILE|-] [DIAGRAM_SECONDS]
#include "app/LiveTrends.h"
#include "app/ProgramWindows.h"
#include "widgets/PageControl.h"
#include "widgets/TrendRecorder.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTDIR [SECONDS] [LANGUAGEFILE|-] [DIAGRAM_SECONDS]\n",
                     argv[0]);
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    const int waitMs = argc > 2 ? static_cast<int>(std::atof(argv[2]) * 1000) : 3500;
    const int diagramMs = argc > 4 ? static_cast<int>(std::atof(argv[4]) * 1000) : 0;
    QDir().mkpath(outDir);

    kesto::MainFrmOptions options;
    options.languageId = 0x0409;
    // Missing file: the built-in English texts.
    options.languageFile = argc > 3 && std::string(argv[3]) != "-"
                               ? argv[3]
                               : (outDir + "/no-language-file").toStdString();
    kesto::ProgramWindows windows(options);
    kesto::TMainFrm& mainFrm = windows.main;
    mainFrm.show();

    int status = 0;
    const auto save = [&](const QString& name) {
        QApplication::processEvents();
        const QString path = outDir + "/" + name;
        if (!mainFrm.grab().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            status = 1;
        }
    };
    // O2 below 5.5 % and CO above 10 ppm, then a refresh later the pictures in alarm.
    const auto alarmPictures = [&] {
        kesto::LiveDisplay& display = mainFrm.acquisition().display();
        display[kesto::index(kesto::Channel::O2)].settings.alarmBelow = 5.5;
        display[kesto::index(kesto::Channel::CO)].settings.alarmAbove = 10.0;
        mainFrm.ApplyChannelsToTrends();
        QTimer::singleShot(1500, &mainFrm, [&] {
            for (const auto& [page, name] :
                 {std::pair{0, "actual"}, {4, "bigdisplay"}, {1, "diagram1"}}) {
                mainFrm.pageControl()->setCurrentIndex(page);
                save(QStringLiteral("alarm-%1.png").arg(name));
            }
            mainFrm.close();
            QApplication::quit();
        });
    };
    QTimer::singleShot(waitMs, &mainFrm, [&] {
        if (!mainFrm.acquisition().link().isOpen()) {
            std::fprintf(stderr, "COM1 is not open: the pictures show no live data\n");
        }
        save("actual.png");
        mainFrm.pageControl()->setCurrentIndex(4);
        save("bigdisplay-small.png");
        mainFrm.resize(1200, 900);
        save("bigdisplay-large.png");
        mainFrm.resize(710, 590);
        if (diagramMs <= waitMs) {
            alarmPictures();
            return;
        }
        QTimer::singleShot(diagramMs - waitMs, &mainFrm, [&] {
            kesto::LiveTrends& trends = mainFrm.liveTrends();
            // Diagram 2 reads out lambda, diagram 3 the flow; the cursor stands two thirds in.
            const int picks[] = {0, 3, 1};
            for (int d = 0; d < 3; ++d) {
                mainFrm.pageControl()->setCurrentIndex(d + 1);
                QApplication::processEvents();
                kesto::TrendRecorder* trend = trends.trend(d);
                trends.choiceList(d)->setCurrentIndex(picks[d]);
                trends.ComboBoxChange(d);
                trend->moveCursorTo(trend->model().shownCount(trend->chartWidth()) * 2 / 3);
                save(QStringLiteral("diagram%1.png").arg(d + 1));
            }
            alarmPictures();
        });
    });
    const int rc = QApplication::exec();
    return status != 0 ? status : rc;
}
