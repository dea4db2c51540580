#include "acquisition/DateTimeFormat.h"
#include "review/ui/uViewFrm.h"
#include "tests/WindowTestSupport.h"
#include "widgets/TrendPrint.h"
#include "widgets/TrendRecorder.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace kesto::test {
namespace {

// A title line and data lines as the recorder writes them: record i one second after
// 05.03.2024 14:07:09, O2 = 20.9 for the first line, then i / 10; CO 50; draught 2.5.
QByteArray recording(int lines, const QByteArray& title = {}) {
    QByteArray text = title.isEmpty()
                          ? QByteArray("dd.mm.yyyy,hh:mm:ss,O2[%],CO2[%],TGas[\xB0"
                                       "C],TRoom[\xB0"
                                       "C],Eta[%],Lambda[],CO[ppm],CO[mg/m3],NO[ppm],NO2[ppm],"
                                       "NOx[mg/m3],SO2[ppm],SO2[mg/m3],CxHy[ppm],CxHy[mg/m3],"
                                       "Draught[hPa],Flow[m/s],H2[ppm],S6[ppm]")
                          : title;
    text += "\r\n";
    for (int i = 0; i < lines; ++i) {
        const int s = 9 + i;
        const QByteArray time = QStringLiteral("14:%1:%2")
                                    .arg(7 + s / 60, 2, 10, QChar('0'))
                                    .arg(s % 60, 2, 10, QChar('0'))
                                    .toLatin1();
        const QByteArray o2 = i == 0 ? "20.9" : QByteArray::number(i / 10.0, 'f', 1);
        text += "05.03.2024," + time + "," + o2 +
                ",0.0,180,21.0,88.0,1.50,50,63,40,5,70,0,0,0,0,2.5,3.7,12,4\r\n";
    }
    return text;
}

LiveDisplay display() {
    return makeDefaultDisplay(builtinChannelDefaults());
}

} // namespace

class ViewFrmTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            return {};
        }
        return path;
    }

    // Shows the viewer on a file, as the main window does, without its modal loop.
    static void open(TViewFrm& v, const QString& file) {
        v.setFileName(file);
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        dateTimePatterns() = DateTimePatterns{};
    }

    void windowHasItsFixedLayoutAndUntranslatedMenu() {
        TViewFrm v;
        open(v, write("layout.CSV", recording(3)));
        QCOMPARE(v.windowTitle(), "Vantro Kesto [" + dir_.filePath("layout.CSV") + "]");
        QCOMPARE(v.size(), QSize(584, 542));
        QCOMPARE(v.minimumSize(), QSize(400, 300));
        QVERIFY(v.windowFlags() & Qt::WindowMaximizeButtonHint);
        QCOMPARE(v.menu()->actions().size(), 1);
        QMenu* file = v.menu()->actions().first()->menu();
        QCOMPARE(v.menu()->actions().first()->text(), QString("&File"));
        QCOMPARE(file->actions().size(), 2);
        QCOMPARE(file->actions()[0]->text(), QString("&Print diagram"));
        QCOMPARE(file->actions()[1]->text(), QString("&Close"));
        QStringList tabs;
        for (int i = 0; i < v.pages()->count(); ++i) {
            tabs << v.pages()->tabText(i);
        }
        QCOMPARE(tabs, QStringList({"   Data   ", " Diagram 1 ", "Diagram 2", "Diagram 3"}));
        QCOMPARE(v.trend(0)->objectName(), QString("AbTrend4"));
        QCOMPARE(v.trend(1)->objectName(), QString("AbTrend5"));
        QCOMPARE(v.trend(2)->objectName(), QString("AbTrend1"));
        QVERIFY(!v.trend(0)->scaleVisible());
        QVERIFY(!v.trend(0)->isRecording());
        QCOMPARE(v.pages()->currentIndex(), 0);
        QCOMPARE(v.swatch(0)->text(), QString("  "));
        file->actions()[1]->trigger();
        QVERIFY(!v.isVisible());
    }

    void tableShowsEveryLineWithTitleRowAndTwoEmptyRows() {
        TViewFrm v;
        open(v, write("table.CSV", recording(4, "dd.mm.yyyy,hh:mm:ss,O2[%],Long title of CO2")));
        QCOMPARE(v.tableRowCount(), 5 + 2);
        QTableView* table = v.table();
        QCOMPARE(table->model()->headerData(0, Qt::Horizontal).toString(), QString("dd.mm.yyyy"));
        QCOMPARE(table->model()->index(0, 2).data().toString(), QString("20.9"));
        QCOMPARE(table->model()->index(3, 1).data().toString(), QString("14:07:12"));
        QCOMPARE(table->model()->index(5, 1).data().toString(), QString());
        const QFontMetrics fm(table->font());
        // Blanks are removed from every line, the title line too.
        QCOMPARE(table->model()->headerData(3, Qt::Horizontal).toString(),
                 QString("LongtitleofCO2"));
        QCOMPARE(table->columnWidth(3), fm.horizontalAdvance("LongtitleofCO2") + 10);
        QCOMPARE(table->columnWidth(0), fm.horizontalAdvance("dd.mm.yyyy") + 10);
        QCOMPARE(table->columnWidth(4), 70); // not reached by the title
        QVERIFY(!table->verticalHeader()->isVisible());
        QCOMPARE(v.trend(0)->recordCount(), std::size_t{4});
    }

    void recordsReachTheThreeDiagramsByTheSlotLayout() {
        TViewFrm v;
        v.applyChannelSettings(display());
        open(v, write("slots.CSV", recording(2)));
        auto at = [&v](int d, std::size_t record, std::size_t slot) {
            return v.trend(d)->model().store().value(record, slot);
        };
        // Diagram 1: O2, CO, TG; diagram 2: LAMBDA, COMG, an empty slot; diagram 3: Zug, S6.
        const QList<float> read{at(0, 0, 0), at(0, 0, 2), at(0, 0, 7), at(1, 0, 3),
                                at(1, 0, 4), at(1, 0, 7), at(2, 1, 0), at(2, 1, 3)};
        QCOMPARE(read, QList<float>({20.9f, 50, 180, 1.5f, 63, 0, 2.5f, 4}));
        QCOMPARE(v.trend(0)->model().store().time(1), toDateTimeValue({2024, 3, 5, 14, 7, 10, 0}));
        QCOMPARE(v.choiceList(1)->count(), 7);
        QCOMPARE(v.choiceList(2)->itemText(1), QString("Flow"));
    }

    void scrollRangeFollowsTheShownDiagramsWidthAndScrollingShiftsByTheDifference() {
        TViewFrm v;
        v.applyChannelSettings(display());
        open(v, write("scroll.CSV", recording(1000)));
        for (int d = 0; d < 3; ++d) {
            v.pages()->setCurrentIndex(d + 1);
            QApplication::processEvents();
            const int w = v.trend(d)->chartWidth();
            QVERIFY(w > 300);
            QCOMPARE(v.scrollBar(d)->maximum(), 1000 - w + 100);
            QCOMPARE(v.scrollBar(d)->minimum(), 0);
        }
        v.pages()->setCurrentIndex(1);
        v.scrollBar(0)->setValue(50);
        QCOMPARE(v.trend(0)->model().firstShown(v.trend(0)->chartWidth()), std::size_t{50});
        v.scrollBar(0)->setValue(20);
        QCOMPARE(v.trend(0)->model().firstShown(v.trend(0)->chartWidth()), std::size_t{20});
        QCOMPARE(v.trend(1)->model().firstShown(v.trend(1)->chartWidth()), std::size_t{0});

        // A narrow window: fewer records than columns + 100 scroll the whole length.
        const int wide = v.trend(0)->chartWidth();
        v.resize(400, 300);
        QApplication::processEvents();
        QCOMPARE(v.scrollBar(0)->maximum(), 1000 - v.trend(0)->chartWidth() + 100);
        QVERIFY(v.trend(0)->chartWidth() < wide);

        // Loading again shows the new file from its first record with the bars at 0.
        v.resize(584, 542);
        v.hide();
        v.setFileName(write("scroll2.CSV", recording(300)));
        v.show();
        QCOMPARE(v.scrollBar(0)->value(), 0);
        QCOMPARE(v.trend(0)->model().firstShown(v.trend(0)->chartWidth()), std::size_t{0});
        v.pages()->setCurrentIndex(1);
        QApplication::processEvents();
        QCOMPARE(v.scrollBar(0)->maximum(), 300); // fewer records than columns - 100
        v.scrollBar(0)->setValue(10);
        QCOMPARE(v.trend(0)->model().firstShown(v.trend(0)->chartWidth()), std::size_t{10});
    }

    void cursorAndChoiceGiveTheReadOutWithSingleBlanks() {
        TViewFrm v;
        v.applyChannelSettings(display());
        open(v, write("readout.CSV", recording(5)));
        v.pages()->setCurrentIndex(1);
        QApplication::processEvents();
        QCOMPARE(v.readOut(0)->text(), QString());

        // A choice before any record was under the cursor leaves it empty.
        v.choiceList(0)->setCurrentIndex(2);
        emit v.choiceList(0)->activated(2);
        QCOMPARE(v.trend(0)->absScaleCh(), 3);
        QCOMPARE(v.readOut(0)->text(), QString());

        v.choiceList(0)->setCurrentIndex(0);
        emit v.choiceList(0)->activated(0);
        v.trend(0)->moveCursorTo(0);
        QCOMPARE(v.readOut(0)->text(), QString("O2 05.03.2024 14:07:09 20.9 %"));
        QCOMPARE(v.swatch(0)->palette().color(QPalette::Window), QColor(0, 255, 255));

        // Off the records the read-out keeps the last record; another channel reads it too.
        v.trend(0)->moveCursorTo(300);
        QCOMPARE(v.readOut(0)->text(), QString("O2 05.03.2024 14:07:09 20.9 %"));
        v.choiceList(0)->setCurrentIndex(2);
        emit v.choiceList(0)->activated(2);
        QCOMPARE(v.readOut(0)->text(), QString("CO 05.03.2024 14:07:09 50 ppm"));
        QCOMPARE(v.swatch(0)->palette().color(QPalette::Window), QColor(192, 192, 192));

        // A new loading empties the read-outs and forgets the record.
        v.hide();
        v.show();
        QCOMPARE(v.readOut(0)->text(), QString());
        QCOMPARE(v.swatch(0)->text(), QString("  "));
        v.trend(0)->moveCursorTo(300);
        QCOMPARE(v.readOut(0)->text(), QString());
    }

    void badFieldStopsLoadingKeepsRowsAndIsReported() {
        QByteArray bytes = recording(3);
        bytes += "05.03.2024,14:08:00,abc,0,0,0,0,0,0,0,0,0,0,0,0,0,0\r\n";
        bytes += recording(2).mid(bytes.indexOf('\n') + 1);
        TViewFrm v;
        open(v, write("bad.CSV", bytes));
        QVERIFY(v.loadError());
        QVERIFY(v.loadError()->contains("'abc'"));
        auto* box = v.findChild<QMessageBox*>("LoadErrorBox");
        QVERIFY(box != nullptr);
        QTRY_VERIFY(box->isVisible());
        QCOMPARE(box->text(), *v.loadError());
        QCOMPARE(v.tableRowCount(), 5 + 1); // title, 3 lines, the bad line, one empty row
        QCOMPARE(v.table()->model()->index(3, 2).data().toString(), QString("abc"));
        QCOMPARE(v.trend(0)->recordCount(), std::size_t{3});
        QVERIFY(v.isVisible());
        box->accept();
    }

    void missingFileOpensEmptyWithTheReason() {
        TViewFrm v;
        open(v, dir_.filePath("no-such-file.CSV"));
        QVERIFY(v.loadError());
        QVERIFY(v.loadError()->contains("no-such-file.CSV"));
        QCOMPARE(v.tableRowCount(), 2);
        QCOMPARE(v.trend(0)->recordCount(), std::size_t{0});
        QCOMPARE(v.scrollBar(0)->maximum(), 0);
    }

    // A loading that takes longer than a blink shows its progress while the window takes
    // input; Esc stops it and shows what was read, closing the window abandons it.
    void slowLoadingShowsProgressEscStopsItAndClosingAbandonsIt() {
        TViewFrm v;
        v.setLoader([](const std::string& path, DateTimePatterns& patterns, int year,
                       LoadProgress* progress) {
            // Reports progress until it is told to stop, then gives the file as far as "read".
            for (std::uint64_t done = 0; done < 1000 && progress->keepGoing(done, 1000); ++done) {
                QThread::msleep(5);
            }
            RecordingLoad load = loadRecordingFile(path, patterns, year);
            load.stopped = true;
            return load;
        });
        open(v, write("slow.CSV", recording(5)));
        QVERIFY(v.loading());
        QVERIFY(v.progress()->isVisible());
        QCOMPARE(v.tableRowCount(), 2);
        QTRY_VERIFY(v.progressBar()->value() > 0);
        QTest::keyClick(&v, Qt::Key_Escape);
        QTRY_VERIFY(!v.loading());
        QVERIFY(v.isVisible());
        QVERIFY(!v.progress()->isVisible());
        QCOMPARE(v.tableRowCount(), 5 + 1 + 2);
        QCOMPARE(v.trend(0)->recordCount(), std::size_t{5});
        QVERIFY(!v.loadError());

        v.hide();
        v.show();
        QVERIFY(v.loading());
        v.close();
        QVERIFY(!v.loading());
        QVERIFY(!v.progress()->isVisible());
        QTest::qWait(100);
        QCOMPARE(v.tableRowCount(), 2);
        QCOMPARE(v.trend(0)->recordCount(), std::size_t{0});
    }

    void printCommandPrintsTheDiagramOfTheActiveTab_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("trend");
        QTest::newRow("data") << 0 << "AbTrend4";
        QTest::newRow("diagram 1") << 1 << "AbTrend4";
        QTest::newRow("diagram 2") << 2 << "AbTrend5";
        QTest::newRow("diagram 3") << 3 << "AbTrend1";
    }

    void printCommandPrintsTheDiagramOfTheActiveTab() {
        QFETCH(int, tab);
        QFETCH(QString, trend);
        TrendPrinting printing;
        printing.printer().setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = dir_.filePath(QStringLiteral("viewer%1.pdf").arg(tab));
        printing.printer().setOutputFileName(pdf);
        TViewFrm v(&printing);
        v.applyChannelSettings(display());
        open(v, write("print.CSV", recording(20)));
        v.pages()->setCurrentIndex(tab);
        QCOMPARE(v.trendToPrint()->objectName(), trend);
        v.findChild<QAction*>("Diagrammdrucken1")->trigger();
        QVERIFY(QFile::exists(pdf));
        QCOMPARE(printing.printComponent().trend(), v.trendToPrint());
    }
};

int runViewFrmTests(int argc, char** argv) {
    ViewFrmTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace kesto::test

#include "ViewFrmTest.moc"
