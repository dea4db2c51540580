#include "acquisition/DateTimeFormat.h"
#include "tests/QtTestSupport.h"
#include "widgets/TrendPrint.h"
#include "widgets/TrendRecorder.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <functional>
#include <unistd.h>
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

// Pages and page size of a PDF file as pdfinfo reports them, turned as the page is shown.
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
        } else if (line.startsWith("Page rot:") && line.mid(9).trimmed().toInt() % 180 != 0) {
            std::swap(info.width, info.height); // the size comes first
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
        QTest::addColumn<bool>("cups");
        for (const bool cups : {false, true}) {
            const char* prefix = cups ? "CUPS, " : "PDF file, ";
            QTest::addRow("%sportrait before", prefix) << int(QPageLayout::Portrait) << cups;
            QTest::addRow("%slandscape before", prefix) << int(QPageLayout::Landscape) << cups;
        }
    }

    // The file rows print into a PDF file. The CUPS rows go through the tests' own scheduler
    // (test-cups.sh) as the user does: "Change printer..." lists its PDF printer and it is
    // chosen; the print is one job, which the printer turns into a PDF file.
    void printsOneLandscapePageWithLegendAndRestoresTheOrientation() {
        QFETCH(int, orientation);
        QFETCH(bool, cups);
        TrendRecorder trend;
        fillTrend(trend);
        QString file = dir_.filePath(QStringLiteral("page%1.pdf").arg(orientation));
        TrendPrinting printing;
        QPrinter& printer = printing.printer();
        const QDir cupsDir(qEnvironmentVariable("KESTO_TEST_CUPS"));
        if (!cups) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(file);
        } else if (::geteuid() != 0) {
            QSKIP("no CUPS of the tests' own: it needs root");
        } else {
            QVERIFY2(cupsDir.exists("cups.sock"), "the tests' own CUPS did not start");
            QStringList listed;
            whenModal([&listed](QWidget* modal) {
                if (auto* printers = modal->findChild<QComboBox*>("printers")) {
                    for (int i = 0; i < printers->count(); ++i) {
                        listed << printers->itemText(i);
                    }
                    printers->setCurrentIndex(printers->findText("KestoPDF"));
                }
                static_cast<QDialog*>(modal)->accept();
            });
            printing.choosePrinter(nullptr);
            QVERIFY2(listed.contains("KestoPDF"), qPrintable(listed.join(", ")));
            QCOMPARE(printer.printerName(), QStringLiteral("KestoPDF"));
            QVERIFY(printing.hasPrinter());
        }
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(static_cast<QPageLayout::Orientation>(orientation));
        TrendPrint& print = printing.printComponent();
        const QDir spool(cupsDir.filePath("spool"));
        const qsizetype jobsBefore = spool.entryList({"d*"}, QDir::Files).size();

        const auto error = PrintTrendPage(printer, print, trend);
        QVERIFY2(!error, error ? qPrintable(*error) : "");
        QCOMPARE(static_cast<int>(printer.pageLayout().orientation()), orientation);
        QCOMPARE(print.trend(), &trend);
        // The printable width, and the height less 10 mm, in tenths of a millimetre.
        printer.setPageOrientation(QPageLayout::Landscape);
        const QRectF mm = printer.pageLayout().paintRect(QPageLayout::Millimeter);
        QCOMPARE(print.printWidth(), static_cast<int>(mm.width()) * 10);
        QCOMPARE(print.printHeight(), static_cast<int>(mm.height()) * 10 - 100);

        QString document = file;
        if (cups) {
            // One job, kept by the scheduler; its document is what the printer got. Ghostscript
            // behind the printer keeps the glyphs but not their text: the text is read there.
            QTRY_COMPARE_WITH_TIMEOUT(run("lpstat", {"-o"}), QString(), 120000);
            const QStringList jobs = spool.entryList({"d*"}, QDir::Files);
            QCOMPARE(jobs.size(), jobsBefore + 1);
            document = spool.filePath(jobs.constLast());
            file = QDir(cupsDir.filePath("out")).entryInfoList({"*.pdf"}, QDir::Files, QDir::Time)
                       .constFirst()
                       .filePath();
        }
        const PdfInfo info = pdfInfo(file);
        QCOMPARE(info.pages, 1);
        QVERIFY2(info.width > info.height, "not landscape");
        const QString text = run("pdftotext", {"-layout", document, "-"});
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
        // No CUPS reachable: no printer.
        QFile pid(QDir(qEnvironmentVariable("KESTO_TEST_CUPS")).filePath("state/cupsd.pid"));
        if (pid.open(QIODevice::ReadOnly)) {
            ::kill(pid.readAll().trimmed().toInt(), SIGTERM);
        }
        QTRY_VERIFY(QPrinterInfo::availablePrinterNames().isEmpty());
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

#include "TrendPrintTest.moc"
