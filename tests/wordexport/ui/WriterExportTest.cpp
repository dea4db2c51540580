// "Copy to Writer" against a real headless LibreOffice that this test starts with a profile and
// a pipe of its own. The documents are written here; what the export did is read back by
// saving the document as plain text.
#include "ErrorBoxes.h"
#include "TestOffice.h"
#include "acquisition/ui/uMessageForm.h"
#include "measurement/ui/uMeasureResultFrm.h"
#include "wordexport/ui/ReportExportAction.h"
#include "wordexport/uno/UnoConnection.h"
#include "wordexport/uno/UnoWriter.h"

#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextTable.hpp>
#include <com/sun/star/text/XTextTablesSupplier.hpp>

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <csignal>
#include <future>
#include <memory>
#include <optional>
#include <thread>

namespace kesto::test {
namespace {

// Counts its paint events: proof that the window thread went on painting.
class PaintCounter : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        ++paints;
        QPainter(this).fillRect(rect(), paints % 2 ? Qt::white : Qt::black);
    }
};

// The text of a cell ("D2") of a table of the document.
QString cellText(const css::uno::Reference<css::lang::XComponent>& document, const char* table,
                 const std::string& cell) {
    using css::uno::Reference;
    const Reference<css::text::XTextTable> t(
        Reference<css::text::XTextTablesSupplier>(document, css::uno::UNO_QUERY_THROW)
            ->getTextTables()
            ->getByName(uno::toUno(table)),
        css::uno::UNO_QUERY_THROW);
    return QString::fromStdString(uno::fromUno(
        Reference<css::text::XText>(t->getCellByName(uno::toUno(cell)), css::uno::UNO_QUERY_THROW)
            ->getString()));
}

// A measurement of three seconds, O2 at 10.0, 10.5 and 11.0 %, with customer and technician.
MeasurementResult measured() {
    MeasurementSession session;
    session.arm({3, 1, 3}, {"Keller, Nord", "", "Kessel 2", "J\u00FCrgen Weber"});
    LiveDisplay display = makeDefaultDisplay(builtinChannelDefaults());
    display[index(Channel::O2)].valid = true;
    std::optional<MeasurementResult> result;
    for (int second = 0; second < 3; ++second) {
        display[index(Channel::O2)].value = 10.0f + 0.5f * static_cast<float>(second);
        result = session.onRefresh(display, false, {2024, 3, 7, 9, 5, 3 + second});
    }
    return *result;
}

} // namespace

class WriterExportTest : public QObject {
    Q_OBJECT

private:
    std::optional<TestOffice> office_;
    bool started_ = false;
    QString startFailure_;

    SystemClock clock_;
    std::unique_ptr<TMessageFrm> messages_;
    LiveDisplay display_ = makeDefaultDisplay(builtinChannelDefaults());
    std::unique_ptr<ReportExportAction> action_;

    QString path(const QString& name) const { return office_->folder() + QLatin1Char('/') + name; }

    void setValue(Channel channel, float value) {
        display_[index(channel)].value = value;
        display_[index(channel)].valid = true;
    }

    QPushButton* button() const {
        return messages_->findChild<QPushButton*>(QStringLiteral("Button2"));
    }

    // Clicks "Copy to Writer" and waits until the user has been told the outcome.
    bool clickAndWait() {
        QSignalSpy finished(action_.get(), &ReportExportAction::exportFinished);
        QTest::mouseClick(button(), Qt::LeftButton);
        return finished.wait(120000);
    }

    QStringList takeErrorBoxes() { return test::takeErrorBoxes(*messages_); }

    // The same with the result window's button.
    bool clickAndWait(TMeasureResultFrm& window) {
        if (window.writerExport() == nullptr) {
            window.installWriterExport([this](ExportButton button, ReportExportAction::Values v) {
                return std::make_unique<ReportExportAction>(std::move(button), std::move(v),
                                                            makeUnoWriter(office_->pipe()),
                                                            office_->pipe());
            });
        }
        QSignalSpy finished(window.writerExport(), &ReportExportAction::exportFinished);
        QTest::mouseClick(window.writerButton(), Qt::LeftButton);
        return finished.wait(120000);
    }

private slots:
    void initTestCase() {
        office_.emplace();
        started_ = office_->start();
        startFailure_ = office_->failure();
        if (!started_) {
            qWarning("LibreOffice could not be started: %s", qPrintable(startFailure_));
        }
    }

    void init() {
        if (!started_) {
            QSKIP(qPrintable(QStringLiteral("LibreOffice could not be started: ") + startFailure_));
        }
        messages_ = std::make_unique<TMessageFrm>(clock_);
        messages_->show();
        display_ = makeDefaultDisplay(builtinChannelDefaults());
        action_ = std::make_unique<ReportExportAction>(
            *messages_, display_, makeUnoWriter(office_->pipe()), office_->pipe());
    }

    void cleanup() {
        action_.reset();
        messages_.reset();
        if (office_) {
            office_->closeAll();
        }
    }

    void cleanupTestCase() { office_.reset(); }

    void errorTextsLoseLibreOfficesSourceLocation_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("dropped connection")
            << "Binary URP bridge disposed during call at ./binaryurp/source/bridge.cxx:615"
            << "Binary URP bridge disposed during call";
        QTest::newRow("header") << "no text at /build/sw/inc/unotext.hxx:12"
                                << "no text";
        QTest::newRow("plain text") << "Document is protected"
                                    << "Document is protected";
        QTest::newRow("only a location") << " at ./x.cxx:1"
                                         << " at ./x.cxx:1";
        QTest::newRow("at in the middle") << "Error at ./a.cxx:3 in the call"
                                          << "Error at ./a.cxx:3 in the call";
    }
    void errorTextsLoseLibreOfficesSourceLocation() {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(QString::fromStdString(uno::withoutSourceLocation(message.toStdString())), shown);
    }

    void fillsOnlyTheBookmarksTheDocumentHas() {
        writeReportDocument(path("two.fodt"), {QStringLiteral("Combustion report"),
                                               QStringLiteral("Gas temperature: [{Value3}] °C"),
                                               QStringLiteral("SO2: [{Value12}] ppm")});
        const auto document = office_->load(path("two.fodt"));
        setValue(Channel::O2, 5.2f);
        setValue(Channel::TG, 235.0f);
        setValue(Channel::SO2, 17.0f);
        setValue(Channel::CXHYMG, 44.0f);

        QVERIFY(clickAndWait());
        QCOMPARE(office_->text(document),
                 QStringLiteral("Combustion report\nGas temperature: [235] °C\nSO2: [17] ppm\n"));
        QVERIFY(takeErrorBoxes().isEmpty());
        QVERIFY(messages_->messagesText().isEmpty());
    }

    // The shipped report templates, made a new document as "LibreOffice Writer for Kesto" does:
    // every exported value lands in the value cell of its row of the table "Values".
    void shippedTemplateTakesEveryValueIntoItsTableCell_data() {
        QTest::addColumn<QString>("code");
        QTest::newRow("German") << "GER";
        QTest::newRow("English") << "ENG";
    }
    void shippedTemplateTakesEveryValueIntoItsTableCell() {
        QFETCH(QString, code);
        using css::uno::Reference;
        const auto document = office_->loadTemplate(
            QStringLiteral(KESTO_REPORT_TEMPLATE_DIR "/kesto-report.%1.ott").arg(code));
        for (std::size_t k = 0; k < kReportValueCount; ++k) {
            setValue(reportBookmarks()[k].channel, 11.11f * static_cast<float>(k + 1));
        }
        const ReportValues expected = reportValues(display_);
        QVERIFY(clickAndWait());
        QVERIFY(takeErrorBoxes().isEmpty());
        for (std::size_t k = 0; k < kReportValueCount; ++k) { // row k under the headings
            const std::string row = std::to_string(k + 2);
            QCOMPARE(cellText(document, "Values", "A" + row), QString::number(k + 1));
            QCOMPARE(cellText(document, "Values", "D" + row),
                     QString::fromStdString(expected[k].text));
        }
    }

    // "Copy to Writer" of a measurement's result: the means into the value cells, and its
    // fields in place of the template's placeholders; a field left empty keeps its placeholder.
    void measurementFillsTheShippedTemplatesFieldsAndValues_data() {
        shippedTemplateTakesEveryValueIntoItsTableCell_data();
    }
    void measurementFillsTheShippedTemplatesFieldsAndValues() {
        QFETCH(QString, code);
        const auto document = office_->loadTemplate(
            QStringLiteral(KESTO_REPORT_TEMPLATE_DIR "/kesto-report.%1.ott").arg(code));
        const QString sitePlaceholder = cellText(document, "Details", "B2");
        TMeasureResultFrm window;
        window.showResult(measured(), QString(), std::nullopt);
        QVERIFY(clickAndWait(window));
        const QStringList details{"Keller, Nord", sitePlaceholder, "07.03.2024",
                                  "J\u00FCrgen Weber", "Kessel 2"};
        for (int row = 0; row < details.size(); ++row) {
            QCOMPARE(cellText(document, "Details", "B" + std::to_string(row + 1)), details[row]);
        }
        QCOMPARE(cellText(document, "Values", "D2"), QString("10.5"));
    }

    // A report of one's own with the time and duration too. A second click puts the values
    // behind the first ones again, but the fields stay as they are.
    void measurementFieldsAreReplacedValuesAppended() {
        writeReportDocument(path("own.fodt"), {QStringLiteral("Customer: [{Customer}]"),
                                               QStringLiteral("Time: [{MeasureTime}]"),
                                               QStringLiteral("Duration: [{MeasureDuration}]"),
                                               QStringLiteral("O2: [{Value1}]")});
        const auto document = office_->load(path("own.fodt"));
        TMeasureResultFrm window;
        window.showResult(measured(), QString(), std::nullopt);
        QVERIFY(clickAndWait(window));
        QVERIFY(clickAndWait(window));
        QCOMPARE(office_->text(document),
                 QStringLiteral("Customer: [Keller, Nord]\nTime: [09:05:03 \u2013 09:05:05]\n"
                                "Duration: [1 \u00D7 3 s]\nO2: [10.510.5]\n"));
    }

    void secondExportLandsBehindTheFirst() {
        writeReportDocument(path("o2.fodt"), {QStringLiteral("O2 [{Value1}] %")});
        const auto document = office_->load(path("o2.fodt"));
        setValue(Channel::O2, 20.94f);
        QCOMPARE(display_[index(Channel::O2)].settings.format, std::string("0.0"));

        QVERIFY(clickAndWait());
        QCOMPARE(office_->text(document), QStringLiteral("O2 [20.9] %\n"));
        setValue(Channel::O2, 3.0f);
        QVERIFY(clickAndWait());
        QCOMPARE(office_->text(document), QStringLiteral("O2 [20.93.0] %\n"));
        QVERIFY(takeErrorBoxes().isEmpty());
    }

    void refusesWhatItMustNotChange_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("box");
        QTest::newRow("no document") << "none"
                                     << "No document is open in Writer.";
        QTest::newRow("read-only document") << "read-only"
                                            << "The document is read-only.";
        QTest::newRow("spreadsheet") << "spreadsheet"
                                     << "The current document is not a text document.";
    }
    void refusesWhatItMustNotChange() {
        QFETCH(QString, kind);
        QFETCH(QString, box);
        writeReportDocument(path("locked.fodt"), {QStringLiteral("O2 [{Value1}] %")});
        css::uno::Reference<css::lang::XComponent> document;
        if (kind == QLatin1String("read-only")) {
            document = office_->load(path("locked.fodt"), true);
        } else if (kind == QLatin1String("spreadsheet")) {
            writeSpreadsheet(path("sheet.fods"));
            try {
                office_->loadSpreadsheet(path("sheet.fods"));
            } catch (const std::exception& e) {
                QSKIP(qPrintable(QStringLiteral("no spreadsheet support: ") + e.what()));
            }
        }
        setValue(Channel::O2, 20.94f);

        QVERIFY(clickAndWait());
        QCOMPARE(takeErrorBoxes(), QStringList{box});
        QVERIFY(messages_->messagesText().isEmpty());
        if (document.is()) {
            QCOMPARE(office_->text(document), QStringLiteral("O2 [] %\n"));
        }
        QVERIFY(button()->isEnabled());
    }

    // Runs last: it stops the office and lets it go on again.
    void hangingOfficeIsGivenUpAfterTenSeconds() {
        writeReportDocument(path("hang.fodt"), {QStringLiteral("O2 [{Value1}] %")});
        const auto document = office_->load(path("hang.fodt"));
        setValue(Channel::O2, 20.94f);
        PaintCounter counter;
        counter.resize(40, 40);
        counter.show();
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, &counter, [&counter] { counter.update(); });
        ticker.start(50);
        QSignalSpy released(action_.get(), &ReportExportAction::released);

        office_->pause();
        // Should the click hold the window thread until the office answers, the office is let
        // go after 40 s from here, so that the test fails instead of waiting forever.
        const auto officePid = static_cast<pid_t>(office_->pid());
        std::promise<void> clickReturned;
        std::thread watchdog([officePid, returned = clickReturned.get_future()] {
            if (returned.wait_for(std::chrono::seconds(40)) == std::future_status::timeout) {
                ::kill(officePid, SIGCONT);
            }
        });
        QElapsedTimer elapsed;
        elapsed.start();
        const int paintsBefore = counter.paints;
        const bool finished = clickAndWait();
        const qint64 waitedMs = elapsed.elapsed();
        const int paintsDuring = counter.paints - paintsBefore;
        const QStringList boxes = takeErrorBoxes();
        const bool buttonWhileHung = button()->isEnabled();
        clickReturned.set_value();
        watchdog.join();
        office_->resume();

        QVERIFY(finished);
        QVERIFY2(waitedMs >= 9900, qPrintable(QString::number(waitedMs)));
        QCOMPARE(boxes, QStringList{QStringLiteral("LibreOffice did not answer within 10 s.")});
        // At 20 updates a second a thread held for the 10 s would have painted once or twice.
        QVERIFY2(paintsDuring >= 20, qPrintable(QString::number(paintsDuring)));
        QVERIFY(!buttonWhileHung);

        // Once the office answers, the given-up export takes no further step.
        QVERIFY(released.count() == 1 || released.wait(120000));
        QVERIFY(button()->isEnabled());
        QCOMPARE(office_->text(document), QStringLiteral("O2 [] %\n"));
        QVERIFY(takeErrorBoxes().isEmpty());
    }
};

} // namespace kesto::test

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    kesto::test::WriterExportTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WriterExportTest.moc"
