#include "DateTimeFormat.h"
#include "QtTestSupport.h"
#include "TestCups.h"
#include "TrendPrint.h"
#include "TrendRecorder.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <utility>

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

// Pages and page size of a PDF file as pdfinfo reports them, the page's rotation applied.
struct PdfInfo {
    int pages = 0;
    double width = 0;
    double height = 0;
};

PdfInfo pdfInfo(const QString& file) {
    PdfInfo info;
    int rotation = 0;
    for (const QString& line : run("pdfinfo", {file}).split('\n')) {
        if (line.startsWith("Pages:")) {
            info.pages = line.mid(6).trimmed().toInt();
        } else if (line.startsWith("Page rot:")) {
            rotation = line.mid(9).trimmed().toInt();
        } else if (line.startsWith("Page size:")) {
            const QStringList parts = line.mid(10).simplified().split(' ');
            if (parts.size() >= 3) {
                info.width = parts[0].toDouble();
                info.height = parts[2].toDouble();
            }
        }
    }
    if (rotation % 180 != 0) {
        std::swap(info.width, info.height);
    }
    return info;
}

// What is wrong with the page printed from fillTrend's trend: empty when `file` is one
// landscape page and the text of `document` (the same file, or the one the print job brought)
// holds the legend's headings, both channels and their extremes.
QString printedPageProblem(const QString& file, const QString& document) {
    const PdfInfo info = pdfInfo(file);
    if (info.pages != 1 || info.width <= info.height) {
        return QStringLiteral("%1: %2 pages of %3 x %4, not one landscape page")
            .arg(file)
            .arg(info.pages)
            .arg(info.width)
            .arg(info.height);
    }
    const QString text = run("pdftotext", {"-layout", document, "-"});
    QStringList expected = TrendPrint::legendHeadings();
    // O2's extremes with their times, CO's peak
    expected << "Oxygen" << "Carbon monoxide" << "ppm" << "3.1" << "20.9" << "05.03.2024 15:00:00"
             << "05.03.2024 14:00:00" << "3999" << "05.03.2024 14:30:00";
    for (const QString& e : expected) {
        if (!text.contains(e)) {
            return e + " missing in:\n" + text;
        }
    }
    return QString();
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

        const QString problem = printedPageProblem(file, file);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    // Through the tests' own CUPS and its PDF printer, as the user does it: "Change printer..."
    // lists the printer and it is chosen; "Print diagram" sends one job that comes out as one
    // landscape page with the legend; the orientation is the one chosen before.
    void printsThroughCups_data() { printsOneLandscapePageWithLegendAndRestoresTheOrientation_data(); }

    void printsThroughCups() {
        QFETCH(int, orientation);
        test::TestCups& cups = test::testCups();
        if (!cups.running()) {
            if (cups.unavailable()) {
                QSKIP(qPrintable(cups.failure()));
            }
            QFAIL(qPrintable(cups.failure()));
        }
        TrendRecorder trend;
        fillTrend(trend);
        TrendPrinting printing;
        QVERIFY(printing.hasPrinter());
        QStringList listed;
        whenModal([&](QWidget* modal) {
            auto* printers = modal->findChild<QComboBox*>("printers");
            QVERIFY(printers != nullptr);
            for (int i = 0; i < printers->count(); ++i) {
                listed << printers->itemText(i);
            }
            printers->setCurrentIndex(printers->findText(test::TestCups::printerName));
            static_cast<QDialog*>(modal)->accept();
        });
        printing.choosePrinter(nullptr);
        QVERIFY2(listed.contains(test::TestCups::printerName), qPrintable(listed.join(", ")));
        QCOMPARE(printing.printer().printerName(), test::TestCups::printerName);

        printing.printer().setPageOrientation(static_cast<QPageLayout::Orientation>(orientation));
        const QStringList before = cups.printedFiles();
        const int jobsBefore = cups.waitForCompletedJobs(30000);
        printing.printDiagram(nullptr, trend);
        QCOMPARE(static_cast<int>(printing.printer().pageLayout().orientation()), orientation);
        QVERIFY2(cups.waitForCompletedJobs(120000) == jobsBefore + 1, qPrintable(cups.log()));
        QStringList after = cups.printedFiles();
        QCOMPARE(after.size(), before.size() + 1);
        after.removeIf([&before](const QString& f) { return before.contains(f); });
        // The backend's Ghostscript keeps the glyphs but not their text: the text is read from
        // the document the job brought.
        const QString problem =
            printedPageProblem(after.constLast(), cups.jobDocuments().constLast());
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    void withoutPrinterAsksForAPdfFile() {
        TrendRecorder trend;
        fillTrend(trend);
        // No CUPS reachable: no printer.
        test::testCups().stop();
        QVERIFY(QPrinterInfo::availablePrinterNames().isEmpty());
        TrendPrinting printing;
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
