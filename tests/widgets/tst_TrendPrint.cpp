#include "DateTimeFormat.h"
#include "QtTestSupport.h"
#include "TrendPrint.h"
#include "TrendRecorder.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace kesto;

namespace {

// A trend of diagram 1's first two channels over one hour, O2 falling from 20.9 to 3.1.
void fillTrend(TrendRecorder& t) {
    TrendSlots slotSet{};
    slotSet[0] = {"O2", "Oxygen", 0, 21, "%", "0.0", 0xFFFF00, 1};
    slotSet[1] = {"CO", "Carbon monoxide", 0, 4000, "ppm", "0", 0x0000FF, 1};
    t.setSlotSettings(slotSet);
    const double start = toDateTimeValue({2024, 3, 5, 14, 0, 0, 0});
    for (int i = 0; i <= 3600; ++i) {
        SlotValues v{};
        v[0] = 20.9f - 17.8f * static_cast<float>(i) / 3600.0f;
        v[1] = i == 1800 ? 3999.0f : 120.0f;
        t.appendRecord(start + i / 86400.0, v);
    }
}

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        return QStringLiteral("<%1 failed: %2>").arg(program, p.errorString());
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Pages and page size of a PDF file, as pdfinfo reports them.
struct PdfInfo {
    int pages = 0;
    double width = 0;
    double height = 0;
};

PdfInfo pdfInfo(const QString& file) {
    PdfInfo info;
    for (const QString& line : run("pdfinfo", {file}).split('\n')) {
        if (line.startsWith("Pages:")) {
            info.pages = line.mid(6).trimmed().toInt();
        } else if (line.startsWith("Page size:")) {
            const QStringList parts = line.mid(10).simplified().split(' ');
            if (parts.size() >= 3) {
                info.width = parts[0].toDouble();
                info.height = parts[2].toDouble();
            }
        }
    }
    return info;
}

using kesto::test::whenModal;

} // namespace

class TrendPrintTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        dateTimePatterns() = DateTimePatterns{};
    }

    void printsOneLandscapePageWithLegendAndRestoresTheOrientation_data() {
        QTest::addColumn<int>("orientation");
        QTest::newRow("portrait before") << static_cast<int>(QPageLayout::Portrait);
        QTest::newRow("landscape before") << static_cast<int>(QPageLayout::Landscape);
    }

    void printsOneLandscapePageWithLegendAndRestoresTheOrientation() {
        QFETCH(int, orientation);
        TrendRecorder trend;
        fillTrend(trend);
        const QString file = dir_.filePath(QStringLiteral("page%1.pdf").arg(orientation));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(static_cast<QPageLayout::Orientation>(orientation));
        TrendPrint print;

        const auto error = PrintTrendPage(printer, print, trend);
        QVERIFY2(!error, error ? qPrintable(*error) : "");
        QCOMPARE(static_cast<int>(printer.pageLayout().orientation()), orientation);
        QCOMPARE(print.trend(), &trend);
        // The printable width, and the height less 10 mm, in tenths of a millimetre.
        printer.setPageOrientation(QPageLayout::Landscape);
        const QRectF mm = printer.pageLayout().paintRect(QPageLayout::Millimeter);
        QCOMPARE(print.printWidth(), static_cast<int>(mm.width()) * 10);
        QCOMPARE(print.printHeight(), static_cast<int>(mm.height()) * 10 - 100);

        const PdfInfo info = pdfInfo(file);
        QCOMPARE(info.pages, 1);
        QVERIFY2(info.width > info.height, "not landscape");
        const QString text = run("pdftotext", {"-layout", file, "-"});
        for (const QString& heading : TrendPrint::legendHeadings()) {
            QVERIFY2(text.contains(heading), qPrintable(heading + " missing in:\n" + text));
        }
        for (const char* expected : {"Oxygen", "Carbon monoxide", "ppm",
                                     // O2's extremes with their times, CO's peak
                                     "3.1", "20.9", "05.03.2024 15:00:00", "05.03.2024 14:00:00",
                                     "3999", "05.03.2024 14:30:00"}) {
            QVERIFY2(text.contains(expected),
                     qPrintable(QString(expected) + " missing in:\n" + text));
        }
    }

    void withoutPrinterAsksForAPdfFile() {
        TrendRecorder trend;
        fillTrend(trend);
        TrendPrinting printing;
        printing.printersInstalled = [] { return false; };
        QVERIFY(!printing.hasPrinter());
        const QString file = dir_.filePath("asked.pdf");
        QString title;
        whenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog != nullptr);
            title = dialog->windowTitle();
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(file); // as the user types it
            static_cast<QDialog*>(dialog)->accept();
        });
        printing.printDiagram(nullptr, trend);
        QVERIFY2(title.contains("No printer"), qPrintable(title));
        QVERIFY(QFile::exists(file));
        QCOMPARE(pdfInfo(file).pages, 1);

        // Cancelled: nothing is printed, nothing is reported.
        whenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
        printing.printDiagram(nullptr, trend);
        QVERIFY(!QFile::exists(dir_.filePath("diagram.pdf")));
    }

    void aPdfFileThatCannotBeWrittenIsReported() {
        TrendRecorder trend;
        fillTrend(trend);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName("/nonexistent-folder/kesto/x.pdf");
        TrendPrint print;
        const auto error = PrintTrendPage(printer, print, trend);
        QVERIFY(error);
        QVERIFY(error->contains("/nonexistent-folder/kesto/x.pdf"));
    }
};

int runTrendPrintTests(int argc, char** argv) {
    TrendPrintTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_TrendPrint.moc"
