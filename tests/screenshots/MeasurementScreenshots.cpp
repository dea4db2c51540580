// Not a test: renders the measurement's start dialog, its result window and its printed page
// into PNG files for the README (docs/screenshots). Three readings of 30 s, a minute apart, of
// a boiler in steady operation.
#include "acquisition/DateTimeFormat.h"
#include "measurement/ui/uMeasureResultFrm.h"
#include "measurement/ui/uMeasureStartFrm.h"
#include "widgets/TrendRecorder.h"

#include <QApplication>
#include <QDir>
#include <QPainter>

#include <array>
#include <cmath>
#include <cstdio>

using namespace kesto;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1])
                            : QStringLiteral(KESTO_SCREENSHOT_DIR));
    QDir().mkpath(dir.path());
    bool ok = true;
    const auto save = [&dir, &ok](const QImage& image, const char* name) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        const bool saved = image.save(path);
        ok = ok && saved;
        std::printf("%s%s\n", saved ? "" : "cannot write ", qPrintable(path));
    };

    const TMeasureStartFrm::Choice choice{{30, 3, 60},
                                          {"Keller GmbH, Hauptstr. 5", "Boiler room, basement",
                                           "Gas boiler 24 kW", "J\u00FCrgen Weber"}};
    TMeasureStartFrm start;
    start.present(choice);
    start.show();
    save(start.grab().toImage(), "measurement-start.png");

    // The boiler, second by second, into the session and diagram 1: each channel near its
    // steady value, with a slow swing of a few percent.
    const std::array<double, kChannelCount> steady{5.2, 8.8, 165, 20.1, 92.6, 1.33, 11,  14, 49, 3,
                                                   107, 1,   3,   5,    11,   0,    4.2, 2,  0};
    LiveDisplay display = makeDefaultDisplay(builtinChannelDefaults());
    // Limits a technician might set: CO's mean lies above its limit, O2's within.
    display[index(Channel::CO)].settings.alarmAbove = 10.0;
    display[index(Channel::O2)].settings.alarmBelow = 4.0;
    TrendRecorder diagram;
    diagram.setSlotSettings(diagramSlotSettings(0, display));
    MeasurementSession session;
    session.arm(choice.plan, choice.fields);
    std::optional<MeasurementResult> result;
    for (int second = 0; !result; ++second) {
        const LocalDateTime now =
            fromDateTimeValue(toDateTimeValue({2024, 3, 7, 9, 12, 0}) + second / 86400.0);
        ChannelValues values{};
        for (std::size_t i = 0; i < kChannelCount; ++i) {
            const double swing = 0.04 * std::sin(second / 9.0 + static_cast<double>(i));
            display[i].value = values[i] = static_cast<float>(steady[i] * (1 + swing));
            display[i].valid = true;
        }
        diagram.appendRecord(toDateTimeValue(now), diagramSlotValues(0, values));
        result = session.onRefresh(display, false, now);
    }

    TMeasureResultFrm window(nullptr, &diagram);
    window.showResult(*result,
                      QStringLiteral("/home/juergen/.local/share/Pellum/KESTO22/protocol.csv"),
                      std::nullopt);
    QApplication::processEvents();
    save(window.grab().toImage(), "measurement-result.png");

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
    save(page, "measurement-print.png");
    return ok ? 0 : 1;
}
