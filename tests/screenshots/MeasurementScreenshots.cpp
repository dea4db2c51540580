// Not a test: renders the measurement's start dialog, its result window and its printed page
// into PNG files for the README (docs/screenshots). Three readings of 30 s, a minute apart, of
// the simulator's boiler, fed through the real decoder and display refresh.
#include "acquisition/DateTimeFormat.h"
#include "measurement/ui/uMeasureResultFrm.h"
#include "measurement/ui/uMeasureStartFrm.h"
#include "tests/screenshots/SimulatedBoiler.h"
#include "widgets/TrendRecorder.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTimer>

#include <cstdio>

using namespace kesto;

namespace {

bool save(const QImage& image, const QDir& dir, const char* name) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    if (!image.save(path)) {
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
    QApplication app(argc, argv);
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1])
                            : QStringLiteral(KESTO_SCREENSHOT_DIR));
    QDir().mkpath(dir.path());

    const TMeasureStartFrm::Choice choice{{30, 3, 60},
                                          {"Keller GmbH, Hauptstr. 5", "Boiler room, basement",
                                           "Gas boiler 24 kW", "J\u00FCrgen Weber"}};
    TMeasureStartFrm start;
    QTimer::singleShot(0, &start, [&] {
        save(start.grab().toImage(), dir, "measurement-start.png");
        start.reject();
    });
    start.ask(choice);

    // The boiler, second by second, into the session and diagram 1.
    test::SimulatedBoiler boiler;
    TrendRecorder diagram;
    diagram.setSlotSettings(diagramSlotSettings(0, makeDefaultDisplay(builtinChannelDefaults())));
    MeasurementSession session;
    session.arm(choice.plan, choice.fields);
    std::optional<MeasurementResult> result;
    for (int second = 0; !result; ++second) {
        const LiveDisplay& display = boiler.next();
        const LocalDateTime now =
            fromDateTimeValue(toDateTimeValue({2024, 3, 7, 9, 12, 0}) + second / 86400.0);
        ChannelValues values{};
        for (std::size_t i = 0; i < kChannelCount; ++i) {
            values[i] = display[i].value;
        }
        diagram.appendRecord(toDateTimeValue(now), diagramSlotValues(0, values));
        result = session.onRefresh(display, false, now);
    }

    TMeasureResultFrm window(nullptr, &diagram);
    window.showResult(*result,
                      QStringLiteral("/home/juergen/.local/share/Pellum/KESTO22/protocol.csv"),
                      std::nullopt);
    QApplication::processEvents();
    bool ok = save(window.grab().toImage(), dir, "measurement-result.png");

    // The printed page: A4 landscape at 100 dots an inch, with 10 mm margins.
    QImage page(1169, 827, QImage::Format_RGB32);
    page.setDotsPerMeterX(3937);
    page.setDotsPerMeterY(3937);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.translate(39.4, 39.4);
    drawMeasurementPage(painter, QRectF(0, 0, 277, 190), *result, LanguageTexts{},
                        measurementTrend(diagram, result->start, result->end));
    painter.end();
    ok = save(page, dir, "measurement-print.png") && ok;
    return ok ? 0 : 1;
}
