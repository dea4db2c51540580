// Recording from the main window: the menu command, the save dialog, the recording timer, the
// interval label, the status line, the messages window and the shutdown.
#include "acquisition/ui/uMessageForm.h"
#include "app/RecordingBinding.h"
#include "app/uMainFrm.h"
#include "config/ui/uSetupFrm.h"
#include "recording/RecordingText.h"
#include "tests/QtTestSupport.h"
#include "tests/recording/BiffReader.h"
#include "tests/recording/RecordingSupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <QAbstractButton>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <sys/stat.h>

using namespace kesto;

namespace {

// O2 10.5 %, CO 50 ppm, T gas 180, lambda 1.50, eta 88.0, CO2 10.0, T room 21.0, NO 40,
// SO2 0, NO2 5, CxHy 0, draught 2.5 hPa.
const std::vector<std::uint8_t> kFrame{0xFF, 0xFF, 0x00, 0x69, 0x00, 0x32, 0x00, 0xB4, 0x00, 0x96,
                                       0x03, 0x70, 0x00, 0x64, 0x00, 0x00, 0x00, 0xD2, 0x00, 0x28,
                                       0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x80, 0xFA, 0xFF, 0xFF};

struct Window {
    test::SetClock clock;
    test::FakeSerialLink link;
    MemoryRegistryStore store;
    std::unique_ptr<TMessageFrm> messages;
    std::unique_ptr<ProgramServices> services;
    std::unique_ptr<TMainFrm> main;

    Window() {
        link.opened = true;
        MainFrmOptions o;
        o.store = &store;
        o.languageFile = (QDir::tempPath() + "/kesto-no-language.GER").toStdString();
        o.languageId = 0x0409;
        o.clock = &clock;
        o.link = &link;
        services = std::make_unique<ProgramServices>(o);
        main = std::make_unique<TMainFrm>(*services);
        messages = std::make_unique<TMessageFrm>(clock);
        main->setMessagesWindow(messages.get());
        main->show();
    }
    ~Window() {
        main->close();
        main.reset();
    }
    QAction* command() const { return main->findChild<QAction*>("Datenaufzeichnen1"); }
    Recorder& recorder() { return main->recording().recorder(); }
    QTimer* timer() const { return main->recordingTimer(); }
    // A frame, the acquisition cycle a second later, then one recording tick.
    void secondWithFrame() {
        kesto::test::sendBurst(main->acquisition().decoder(), kFrame, clock.tick);
        clock.tick += 1000;
        main->COMTimerGetData();
        main->recording().LOGTimerWriteData();
    }
};

// Runs `answer` on the next modal window, which is a T.
template <typename T> void whenModal(std::function<void(T*)> answer) {
    test::whenModal([answer](QWidget* modal) {
        auto* shown = qobject_cast<T*>(modal);
        QVERIFY2(shown != nullptr, modal->metaObject()->className());
        answer(shown);
    });
}

// The user picks a file type in the save dialog's list.
void chooseFileType(QFileDialog* dialog, int index) {
    auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
    QVERIFY(types != nullptr);
    // What the list emits when the user picks an entry.
    types->setCurrentIndex(index);
    emit types->activated(index);
    emit types->textActivated(types->itemText(index));
}

// The user picks a file type, types a name in `folder` and presses Save.
void saveAs(QFileDialog* dialog, int typeIndex, const QString& folder, const QString& name) {
    dialog->setDirectory(folder);
    chooseFileType(dialog, typeIndex);
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText(name);
    static_cast<QDialog*>(dialog)->accept(); // as the Save button does
}

std::string readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

QStringList csvLines(const QString& path) {
    return QString::fromLatin1(QByteArray::fromStdString(readBytes(path)))
        .split("\r\n", Qt::SkipEmptyParts);
}

} // namespace

class RecordingWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;

private slots:
    void initTestCase() { QVERIFY(folder_.isValid()); }

    void recordsFromTheMenuWhatTheScreenShows_data() {
        QTest::addColumn<int>("typeIndex");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expectedFile");
        QTest::newRow("CSV") << 0 << "messung"
                             << "messung.CSV";
        QTest::newRow("XLS") << 1 << "kessel"
                             << "kessel.XLS";
        QTest::newRow("XLS, extension typed") << 1 << "k2.xls"
                                              << "k2.xls";
    }
    void recordsFromTheMenuWhatTheScreenShows() {
        QFETCH(int, typeIndex);
        QFETCH(QString, typed);
        QFETCH(QString, expectedFile);
        Window w;
        w.recorder().setIntervalMs(1000);
        QCOMPARE(w.command()->text(), QString("Record data..."));

        bool offeredBothTypes = false;
        whenModal<QFileDialog>([&](QFileDialog* dialog) {
            QCOMPARE(dialog->objectName(), QString("SaveDialog1"));
            offeredBothTypes = dialog->nameFilters() == RecordingBinding::kSaveFilters;
            saveAs(dialog, typeIndex, folder_.path(), typed);
        });
        w.command()->trigger();
        QVERIFY(offeredBothTypes);
        const QString path = folder_.path() + "/" + expectedFile;
        QCOMPARE(QString::fromStdString(w.recorder().RecordingFileName()), path);
        QCOMPARE(w.main->generalSettings().saveFormat, typeIndex + 1);
        QCOMPARE(w.command()->text(), QString("Stop data recording"));
        QVERIFY(w.timer()->isActive());
        QCOMPARE(w.timer()->interval(), 1000);

        for (int i = 0; i < 3; ++i) {
            w.secondWithFrame();
        }
        QCOMPARE(w.main->findChild<QLabel*>("Label10")->text(), QString("1000"));
        QTRY_COMPARE(w.main->statusText(),
                     " Logging DS:3 to " + QFileInfo(expectedFile).fileName().toUpper());

        // The values recorded are the bars' texts.
        QStringList shown;
        for (const ChannelDisplay& d : w.main->acquisition().display()) {
            shown << QString::fromStdString(d.valueText());
        }
        QCOMPARE(shown.mid(0, 3), QStringList({"10.5", "10.0", "180"}));
        if (typeIndex == 0) {
            const QStringList lines = csvLines(path);
            QCOMPARE(lines.size(), 3); // header, then two data lines
            QCOMPARE(lines.last().split(',').mid(0, 2), QStringList({"05.03.2024", "14:07:09"}));
            QCOMPARE(lines.last().split(',').mid(2), shown);
        } else {
            const test::BiffSheet sheet = test::readBiff(readBytes(path));
            QVERIFY2(sheet.valid, sheet.error.c_str()); // complete while still recording
            QCOMPARE(sheet.rowCount(), 4);
            for (std::size_t i = 0; i < kChannelCount; ++i) {
                const auto& cell = sheet.cells.at({3, static_cast<int>(i) + 2});
                QVERIFY(std::holds_alternative<double>(cell));
                QCOMPARE(std::get<double>(cell),
                         FieldNumber(shown[static_cast<int>(i)].toStdString()).value());
            }
        }

        w.command()->trigger(); // stop
        QCOMPARE(w.command()->text(), QString("Record data..."));
        QVERIFY(!w.timer()->isActive());
        QCOMPARE(w.main->statusText(), QString(" "));
    }

    void fileTypeChosenAndCancelledIsStillTheSaveFormat() {
        Window w;
        QCOMPARE(w.main->generalSettings().saveFormat, 1);
        QString suffixAfterChoice;
        QString preselectedNext;
        whenModal<QFileDialog>([&](QFileDialog* dialog) {
            chooseFileType(dialog, 1);
            suffixAfterChoice = dialog->defaultSuffix();
            dialog->reject();
        });
        w.command()->trigger();
        QCOMPARE(w.main->generalSettings().saveFormat, 2);
        QCOMPARE(suffixAfterChoice, QString("XLS"));
        QVERIFY(!w.recorder().recording());
        QCOMPARE(w.command()->text(), QString("Record data..."));
        // The next time the dialog opens with that type.
        whenModal<QFileDialog>([&](QFileDialog* dialog) {
            preselectedNext = dialog->selectedNameFilter();
            dialog->reject();
        });
        w.command()->trigger();
        QCOMPARE(preselectedNext, RecordingBinding::kSaveFilters[1]);
    }

    void aZeroIntervalNeverRunsTheTimerAndTheSetupSetsItsPeriod() {
        Window w; // the stored interval is 0 s until the setup dialog confirms one
        QVERIFY(w.recorder().start((folder_.path() + "/zero.xls").toStdString(), 2));
        QVERIFY(w.recorder().recording());
        QVERIFY(!w.timer()->isActive());
        QCOMPARE(w.command()->text(), QString("Stop data recording"));
        w.main->setupServices().setRecordingInterval(5000);
        QVERIFY(w.timer()->isActive());
        QCOMPARE(w.timer()->interval(), 5000);
        w.recorder().stop();
    }

    void aFileThatCannotBeCreatedIsReportedAndNothingStarts() {
        Window w;
        w.recorder().setIntervalMs(1000);
        // A pipe nobody reads: it is not deleted, and it cannot be opened for writing without
        // waiting for a reader, which the recorder never does. The dialog asks before an
        // existing name is used.
        const QString path = folder_.path() + "/pipe.XLS";
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        QString question;
        QString error;
        whenModal<QFileDialog>([&](QFileDialog* dialog) {
            whenModal<QMessageBox>([&](QMessageBox* ask) {
                question = ask->text();
                ask->button(QMessageBox::Yes)->click();
                whenModal<QMessageBox>([&](QMessageBox* box) {
                    error = box->text();
                    box->accept();
                });
            });
            saveAs(dialog, 1, folder_.path(), "pipe.XLS");
        });
        w.command()->trigger();
        QVERIFY2(question.contains("pipe.XLS"), qPrintable(question));
        QCOMPARE(error,
                 "Cannot create " + path + ": " + QString::fromLocal8Bit(std::strerror(ENXIO)));
        QVERIFY(!w.recorder().recording());
        QVERIFY(!w.timer()->isActive());
        QCOMPARE(w.command()->text(), QString("Record data..."));
        QFile::remove(path);
    }

    void aTickThatCannotWriteShowsWhyAndTellsTheMessagesWindowOnce() {
        const QString rescue =
            QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME")) + "/Pellum/KESTO22/full-rescued.CSV";
        QFile::remove(rescue);
        Window w;
        w.recorder().setIntervalMs(1000);
        QVERIFY(w.recorder().start("/dev/full", 1));
        for (int i = 0; i < 3; ++i) {
            w.secondWithFrame();
        }
        QTRY_VERIFY2(w.main->statusText().startsWith(" Logging DS:0 to FULL, 3 waiting (cannot "
                                                     "write /dev/full"),
                     qPrintable(w.main->statusText()));
        QVERIFY(w.messages->isVisible());
        const QString text = w.messages->messagesText();
        QCOMPARE(text.count("cannot write /dev/full"), 1);
        QCOMPARE(w.recorder().DataSetCounter(), 0);
        QVERIFY(w.recorder().recording()); // the data sets wait and are tried again
        // Stopped while they wait: a box names the rescue file.
        w.recorder().stop();
        QMessageBox* box = nullptr;
        QTRY_VERIFY((box = w.main->findChild<QMessageBox*>("RecordingNotice")) != nullptr);
        QCOMPARE(box->text(),
                 "3 data sets could not be written to /dev/full; they are in " + rescue);
        QCOMPARE(csvLines(rescue).size(), 4); // the header and the three data sets
    }

    void closingDuringAnXlsRecordingFinishesTheFileWithoutFreezing() {
        const QString path = folder_.path() + "/closing.xls";
        QElapsedTimer elapsed;
        bool eventLoopRan = false;
        bool commandDisabled = false; // from the start of the program's end
        {
            Window w;
            w.recorder().setIntervalMs(1000);
            QVERIFY(w.recorder().start(path.toStdString(), 2));
            w.secondWithFrame();
            QTimer::singleShot(100, [&] {
                eventLoopRan = true;
                commandDisabled = !w.command()->isEnabled();
            });
            elapsed.start();
            w.main->close();
            QVERIFY(!w.recorder().recording());
        }
        QVERIFY(eventLoopRan);
        QVERIFY(commandDisabled);
        QVERIFY(elapsed.elapsed() >= 450);
        const test::BiffSheet sheet = test::readBiff(readBytes(path));
        QVERIFY(sheet.valid);
        QVERIFY(!sheet.trailing);
        QCOMPARE(sheet.rowCount(), 2);
    }
};

int runRecordingWindowTest(int argc, char** argv) {
    RecordingWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "RecordingWindowTest.moc"
