// The measurement in the program's windows, from its menu to the protocol, the result window
// and the printed page (all three left in the test's folder to be looked at), and its guard.
#include "acquisition/FrameDecoder.h"
#include "app/LiveTrends.h"
#include "app/ProgramWindows.h"
#include "measurement/ui/ResultTableModel.h"
#include "tests/CoreFakes.h"
#include "tests/QtTestSupport.h"
#include "widgets/TrendPrint.h"
#include "widgets/TrendRecorder.h"

#include <array>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace kesto;

namespace {

QString cell(const ResultTableModel& model, Channel channel, int column) {
    return model.index(static_cast<int>(index(channel)), column).data().toString();
}

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class MeasurementWindowTest : public QObject {
    Q_OBJECT

    test::FakeClock clock_{LocalDateTime{2024, 3, 7, 9, 5, 2}};
    test::FakeSerialLink link_;
    MemoryRegistryStore store_;
    std::unique_ptr<ProgramWindows> program_;
    const QDir out_ = QDir::current();

    QString protocol() const { return out_.filePath("protocol.csv"); }

    // One second: a frame with O2 at `o2Tenths` (none when negative), the refresh, the diagram.
    void second(int o2Tenths) {
        clock_.now.second += 1;
        std::array<std::uint16_t, 13> words{0, 50, 180, 150, 880, 100, 0, 210, 40, 0, 5, 0, 0x80FA};
        words[0] = static_cast<std::uint16_t>(o2Tenths);
        if (o2Tenths >= 0) {
            test::sendBurst(program_->main.acquisition().decoder(), encodeFrame(words),
                            clock_.tick);
        }
        clock_.tick += o2Tenths >= 0 ? 1000 : 6000;
        program_->main.COMTimerGetData();
        program_->main.YTTimerTimer();
        program_->main.liveTrends().trend(0)->sample();
    }

    // "Start measurement..." with `seconds`, customer "Keller, Nord" and technician "Weber".
    void start(int seconds) {
        test::whenModal([seconds](QWidget* dialog) {
            dialog->findChild<QSpinBox*>("SecondsEdit")->setValue(seconds);
            dialog->findChild<QLineEdit*>("CustomerEdit")->setText("Keller, Nord");
            dialog->findChild<QLineEdit*>("TechnicianEdit")->setText("Weber");
            dialog->grab().save(QDir::current().filePath("measure-start.png"));
            QTest::keyClick(dialog, Qt::Key_Return);
        });
        program_->main.findChild<QAction*>("StartMeasurement1")->trigger();
    }

private slots:
    void init() {
        QFile::remove(protocol());
        MainFrmOptions o;
        o.store = &store_;
        o.languageFile = out_.filePath("no-such-language.GER").toStdString();
        o.clock = &clock_;
        o.link = &link_;
        program_ = std::make_unique<ProgramWindows>(o);
        program_->measuring.protocolFile = protocol().toStdString();
        program_->main.show();
        program_->main.findChild<QTimer*>("COMTimer")->stop(); // the test gives the seconds
    }
    void cleanup() { program_.reset(); }

    void startDialogKeepsTheSpacingAtLeastAReading() {
        TMeasureStartFrm& dialog = program_->measureStart;
        dialog.present({{30, 3, 30}, {}});
        dialog.secondsEdit()->setValue(45); // a spacing left equal follows the reading
        QCOMPARE(dialog.spacingEdit()->value(), 45);
        dialog.spacingEdit()->setValue(60);
        dialog.secondsEdit()->setValue(50); // one set apart stays
        QCOMPARE(dialog.choice().plan, (MeasurementPlan{50, 3, 60}));
        dialog.secondsEdit()->setValue(90);
        QCOMPARE(dialog.choice().plan, (MeasurementPlan{90, 3, 90}));
    }

    void measurementEndsInTheProtocolTheResultWindowAndOnePrintedPage() {
        start(3);
        QLabel* status = program_->measuring.statusLabel();
        QCOMPARE(status->text(), QString("Measuring 0 of 3 s, reading 1 of 1"));
        QCOMPARE(program_->main.generalSettings().measureSeconds, 3);
        QCOMPARE(program_->main.generalSettings().technician, std::string("Weber"));
        second(100);
        second(105);
        QCOMPARE(status->text(), QString("Measuring 2 of 3 s, reading 1 of 1"));
        second(110);
        QVERIFY(!status->isVisible());

        TMeasureResultFrm& window = program_->measureResult;
        QVERIFY(window.isVisible() && !window.notice()->isVisible());
        const QStringList o2{"O2", "%", "10.5", "10.0", "11.0", "3"}; // mean, min, max, count
        for (int column = 0; column < o2.size(); ++column) {
            QCOMPARE(cell(window.model(), Channel::O2, column), o2[column]);
        }
        QVERIFY(window.protocolNote()->text().endsWith(protocol()));
        QFile file(protocol());
        const QList<QByteArray> lines =
            file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QList<QByteArray>();
        QCOMPARE(lines.size(), 3); // header, the measurement, nothing after the last CR LF
        QVERIFY2(lines[1].startsWith("07.03.2024,09:05:03,09:05:05,1,3,1,\"Keller, Nord\",,,Weber,"
                                     "10.5,10.0,11.0,"),
                 lines[1].constData());
        QTest::keyClick(window.table(), Qt::Key_Down); // the keyboard walks the table
        QCOMPARE(window.table()->currentIndex().row(), 1);
        QVERIFY(window.grab().save(out_.filePath("measure-result.png")));

        // Printed through the program's printer, here a PDF file: one landscape page.
        QPrinter& printer = program_->services.printing().printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(out_.filePath("measure-print.pdf"));
        QFile::remove(printer.outputFileName());
        window.Print();
        const QString info = run("pdfinfo", {printer.outputFileName()});
        QVERIFY2(
            info.contains(QRegularExpression("Pages: +1\\n(.|\\n)*Page size: +84\\d\\S* x 595")),
            qPrintable(info));
        const QString text = run("pdftotext", {"-layout", printer.outputFileName(), "-"});
        for (const char* expected : {"Keller, Nord", "Weber", "10.5", "09:05:05", "O2"}) {
            QVERIFY2(text.contains(expected), expected);
        }
    }

    void silentLinkAndUnwritableProtocolAreShown() {
        QFile(out_.filePath("plain")).open(QIODevice::WriteOnly);
        program_->measuring.protocolFile = out_.filePath("plain/protocol.csv").toStdString();
        start(2);
        second(100);
        second(-1); // no frame for six seconds: the link is silent
        TMeasureResultFrm& window = program_->measureResult;
        QCOMPARE(window.notice()->text(),
                 QString("Incomplete: the analyzer sent no data for 1 s of the measurement."));
        QVERIFY(window.notice()->isVisible());
        QVERIFY2(window.protocolNote()->text().startsWith("Not saved in the protocol: "),
                 qPrintable(window.protocolNote()->text()));
        QCOMPARE(cell(window.model(), Channel::O2, 5), QString("1"));
    }

    void quittingAndThePortDialogAskFirst() {
        start(30);
        second(100);
        int asked = 0;
        const auto answer = [&asked](QMessageBox::StandardButton button) {
            test::whenModal([&asked, button](QWidget* box) {
                ++asked;
                qobject_cast<QMessageBox*>(box)->button(button)->click();
            });
        };
        answer(QMessageBox::No);
        program_->main.findChild<QAction*>("Kommunikation1")->trigger(); // no port dialog then
        QCOMPARE(asked, 1);
        answer(QMessageBox::No);
        program_->main.close();
        QCOMPARE(asked, 2);
        QVERIFY(program_->main.isVisible());
        QVERIFY(program_->measuring.running());
        answer(QMessageBox::Yes);
        program_->main.close();
        QCOMPARE(asked, 3);
        QVERIFY(!program_->measuring.running());
        QVERIFY(program_->main.isShutDown());
        QVERIFY(!QFile::exists(protocol())); // a cancelled measurement is not kept
    }
};

QTEST_MAIN(MeasurementWindowTest)
#include "MeasurementWindowTest.moc"
