// The memory-card conversion window and the "View MMC data..." command: real card files
// converted into real files, the viewer called on the result, the windows kept running in
// between, and every failure shown with the progress window gone and without the viewer.
#include "app/uMainFrm.h"
#include "recording/ui/MmcCommand.h"
#include "recording/ui/uMMCToCSVFrm.h"
#include "tests/QtTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

using namespace kesto;
using kesto::test::PaintCounter;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QString golden(const char* name) {
    return QStringLiteral(KESTO_GOLDEN_DIR "/") + QLatin1String(name);
}

// A card of `lines` data lines.
QByteArray card(int lines) {
    QByteArray bytes = "Vantro MMC,\r\nDate,Time,O2,CO,\r\n";
    for (int i = 0; i < lines; ++i) {
        bytes += "09.01.2003,10:36:02,6.2,7,12,3,0.1,,,,,,180.5,21.3,-0.12,10.8,91.2,,1.42,,,,,,,,,"
                 "3,,,,,,,,,,,,,,,15,,,,4.5,,,,,,,2,,9,,,,,\r\n";
    }
    return bytes;
}

// What the viewer and the error box saw when they were called.
struct Calls {
    QStringList viewed;
    QByteArray viewedBytes;
    QStringList errors;
    bool progressShownAtCall = false;
};

// A command over real files in a folder of its own, with the viewer and the error box recorded.
struct Fixture {
    QTemporaryDir folder;
    GeneralSettings settings;
    TMMCtoCSVFrm progress;
    ViewMmcCommand command{nullptr, settings, progress};
    Calls calls;
    QString chosen;

    Fixture() {
        command.setTargetFile(path("MMC.CSV"));
        command.chooseFile = [this](const QString&) { return chosen; };
        command.setViewer([this](const QString& file) {
            calls.viewed << file;
            calls.viewedBytes = readAll(file);
            calls.progressShownAtCall = progress.isVisible();
        });
        command.showError = [this](const QString& text) {
            calls.errors << text;
            calls.progressShownAtCall = progress.isVisible();
        };
    }
    QString path(const QString& name) const { return folder.filePath(name); }
    // Runs the menu command and waits until the conversion has ended.
    bool run() {
        QSignalSpy ended(&command, &ViewMmcCommand::conversionEnded);
        command.ViewMMCdata1Click();
        if (!command.running()) {
            return ended.count() > 0;
        }
        return ended.wait(60000);
    }
    QStringList files() const { return QDir(folder.path()).entryList(QDir::Files, QDir::Name); }
};

} // namespace

class MmcConversionTest : public QObject {
    Q_OBJECT

private slots:
    void progressWindowLayout() {
        TMMCtoCSVFrm window;
        QCOMPARE(window.objectName(), QStringLiteral("MMCtoCSVFrm"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Converting MMC data"));
        const Qt::WindowFlags flags = window.windowFlags();
        QVERIFY(flags & Qt::WindowStaysOnTopHint);
        QVERIFY(flags & Qt::CustomizeWindowHint);
        QVERIFY(!(flags & Qt::WindowCloseButtonHint));
        QVERIFY(!(flags & Qt::WindowSystemMenuHint));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        // The label above the bar.
        auto* label = window.findChild<QLabel*>(QStringLiteral("Label1"));
        auto* bar = window.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
        QVERIFY(label != nullptr && bar != nullptr);

        window.countingLines(300);
        window.showProgress();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.labelText(), QString());
        QVERIFY(label->geometry().bottom() < bar->geometry().top());
        const QPoint centre = window.screen()->availableGeometry().center();
        QVERIFY((window.frameGeometry().center() - centre).manhattanLength() <= 2);

        // The user cannot close it.
        QVERIFY(!window.close());
        QTest::keyClick(&window, Qt::Key_Escape);
        window.reject();
        QVERIFY(window.isVisible());
        window.hideProgress();
        QVERIFY(!window.isVisible());
    }

    // Into the folder of the data files, which is made when missing.
    void convertsTheChosenCardAndShowsTheResult_data() {
        QTest::addColumn<QString>("target");
        QTest::newRow("existing folder") << "MMC.CSV";
        QTest::newRow("missing folder") << "data/Pellum/KESTO22/MMC.CSV";
    }
    void convertsTheChosenCardAndShowsTheResult() {
        QFETCH(QString, target);
        Fixture f;
        f.command.setTargetFile(f.path(target));
        f.settings.mmcFile = "/old/card.csv";
        QString preset;
        f.command.chooseFile = [&](const QString& p) {
            preset = p;
            return golden("card.csv");
        };
        QVERIFY(f.run());
        QCOMPARE(preset, QStringLiteral("/old/card.csv"));
        QCOMPARE(f.settings.mmcFile, golden("card.csv").toStdString());
        QCOMPARE(f.calls.errors, QStringList());
        QCOMPARE(f.calls.viewed, QStringList{f.path(target)});
        // The viewer sees the finished file, with the progress window gone.
        QCOMPARE(f.calls.viewedBytes, readAll(golden("card-MMC.CSV")));
        QVERIFY(!f.calls.progressShownAtCall);
        QVERIFY(!f.command.running());
        QCOMPARE(QDir(QFileInfo(f.path(target)).path()).entryList(QDir::Files),
                 QStringList{QStringLiteral("MMC.CSV")});
    }

    void cancellingTheDialogDoesNothing() {
        Fixture f;
        f.settings.mmcFile = "/old/card.csv";
        f.chosen.clear();
        QSignalSpy running(&f.command, &ViewMmcCommand::runningChanged);
        f.command.ViewMMCdata1Click();
        QCOMPARE(running.count(), 0);
        QCOMPARE(f.settings.mmcFile, std::string("/old/card.csv"));
        QVERIFY(f.calls.viewed.isEmpty() && f.calls.errors.isEmpty());
        QVERIFY(f.files().isEmpty());
    }

    // The conversion runs in slices from the event loop: timers fire, other windows repaint
    // and the progress window shows how far it got, all before the conversion ends. The card
    // is large enough to take several slices.
    void windowsKeepRunningDuringTheConversion() {
        Fixture f;
        f.chosen = f.path("card.csv");
        writeAll(f.chosen, card(400000));
        QPushButton other;
        QSignalSpy clicked(&other, &QPushButton::clicked);
        other.resize(100, 100);
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        PaintCounter counter;
        other.installEventFilter(&counter);

        int ticksWhileRunning = 0;
        QStringList textsSeen;
        int furthest = 0;
        QTimer ticker;
        ticker.setInterval(1);
        connect(&ticker, &QTimer::timeout, [&] {
            if (f.command.running()) {
                ++ticksWhileRunning;
                other.update();
                if (ticksWhileRunning == 2) { // through the window system: the window is not modal
                    QTest::mouseClick(other.windowHandle(), Qt::LeftButton, {}, {50, 50});
                }
                textsSeen << f.progress.labelText();
                furthest = std::max(furthest, f.progress.position());
            }
        });
        ticker.start();
        const int paintsBefore = counter.paints;
        bool paintedWhileRunning = false;
        QObject::connect(&f.command, &ViewMmcCommand::runningChanged, [&](bool running) {
            if (!running) {
                paintedWhileRunning = counter.paints > paintsBefore;
            }
        });
        QVERIFY(f.run());
        ticker.stop();
        QVERIFY(ticksWhileRunning >= 2);
        QCOMPARE(clicked.count(), 1);
        QVERIFY(paintedWhileRunning);
        QVERIFY(textsSeen.filter(QRegularExpression("^Converting \\d+ of 400002$")).size() >= 1);
        QCOMPARE(f.progress.maximum(), 400002);
        QVERIFY(furthest >= 100 && furthest <= 400000 && furthest % 100 == 0);
        QCOMPARE(f.calls.viewed.size(), 1);
        QCOMPARE(f.calls.viewedBytes.count("\r\n"), 400001);
    }

    void failuresAreShownWithoutTheViewer_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing card") << "missing.csv"
                                      << "MMC.CSV"
                                      << "Cannot open %1/missing.csv: No such file or directory";
        QTest::newRow("unreadable card") << "."
                                         << "MMC.CSV"
                                         << "Cannot read %1/.: Is a directory";
        QTest::newRow("full disk") << "card.csv"
                                   << "/dev/full"
                                   << "Cannot write /dev/full: No space left on device";
    }
    void failuresAreShownWithoutTheViewer() {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(QString, message);
        Fixture f;
        writeAll(f.path("card.csv"), card(300));
        writeAll(f.path("MMC.CSV"), "the previous conversion");
        f.chosen = f.path(source);
        if (target.startsWith('/')) {
            f.command.setTargetFile(target);
        }
        QVERIFY(f.run());
        QCOMPARE(f.calls.errors, QStringList{message.replace("%1", f.folder.path())});
        QVERIFY(!f.calls.progressShownAtCall);
        QVERIFY(f.calls.viewed.isEmpty());
        QVERIFY(!f.command.running());
        // The previous conversion stays; no part file is left.
        QCOMPARE(readAll(f.path("MMC.CSV")), QByteArray("the previous conversion"));
        QCOMPARE(f.files(), (QStringList{QStringLiteral("MMC.CSV"), QStringLiteral("card.csv")}));
    }

    void openDialog2PresetsTheRememberedFile() {
        Fixture f;
        const QString remembered = f.path("CARD.CSV");
        writeAll(remembered, "x");

        QString name;
        QStringList filters;
        QStringList selected;
        const auto answer = [&](bool accept) {
            QTimer::singleShot(0, [&, accept] {
                auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog != nullptr);
                name = dialog->objectName();
                filters = dialog->nameFilters();
                selected = dialog->selectedFiles();
                accept ? static_cast<QDialog*>(dialog)->accept() : dialog->reject();
            });
        };
        answer(true);
        QCOMPARE(f.command.OpenDialog2(remembered), remembered);
        QCOMPARE(name, QStringLiteral("OpenDialog2"));
        QCOMPARE(filters, QStringList{QStringLiteral("CSV files (*.CSV)")});
        QCOMPARE(selected, QStringList{remembered});

        // A remembered file that is gone is not preset; cancelling returns nothing.
        answer(false);
        QCOMPARE(f.command.OpenDialog2(f.path("GONE.CSV")), QString());
        QVERIFY(!selected.contains(f.path("GONE.CSV")));
    }

    // In the main window: offered once the viewer is attached, not while converting, and a
    // conversion running at program end is abandoned.
    void mainWindowCommand() {
        MemoryRegistryStore store;
        MainFrmOptions options;
        options.store = &store;
        options.languageFile = (QDir::tempPath() + "/kesto-test-no-language.GER").toStdString();
        options.languageId = 0x0409;
        ProgramServices services(options);
        auto main = std::make_unique<TMainFrm>(services);
        TMMCtoCSVFrm progress;
        main->show();
        auto* action = main->findChild<QAction*>(QStringLiteral("ViewMMCdata1"));
        QVERIFY(action != nullptr);
        QVERIFY(!action->isEnabled());
        main->setMmcWindow(&progress);
        QVERIFY(!action->isEnabled()); // no viewer yet

        QStringList viewed;
        main->setRecordingViewer([&](const QString& file) { viewed << file; });
        QVERIFY(action->isEnabled());

        QTemporaryDir folder;
        const QString source = folder.filePath("card.csv");
        writeAll(source, card(20000));
        ViewMmcCommand* command = main->mmcCommand();
        command->setTargetFile(folder.filePath("MMC.CSV"));
        command->chooseFile = [&](const QString&) { return source; };
        command->showError = [](const QString& text) { QFAIL(qPrintable(text)); };

        QSignalSpy ended(command, &ViewMmcCommand::conversionEnded);
        action->trigger();
        QVERIFY(command->running());
        QVERIFY(!action->isEnabled());
        QVERIFY(progress.isVisible());
        QVERIFY(ended.wait(60000));
        QVERIFY(action->isEnabled());
        QCOMPARE(viewed, QStringList{folder.filePath("MMC.CSV")});

        // Program end while converting: the conversion goes, the previous file stays, and the
        // chosen card is saved as the remembered one. The card is large enough to be still
        // converting a few milliseconds on.
        writeAll(source, card(400000));
        writeAll(folder.filePath("MMC.CSV"), "the previous conversion");
        action->trigger();
        QVERIFY(command->running());
        QTest::qWait(5);
        main->close();
        QVERIFY(!command->running());
        QVERIFY(!progress.isVisible());
        QCOMPARE(readAll(folder.filePath("MMC.CSV")), QByteArray("the previous conversion"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files, QDir::Name),
                 (QStringList{QStringLiteral("MMC.CSV"), QStringLiteral("card.csv")}));
        QCOMPARE(viewed.size(), 1);
        QCOMPARE(store.readString("File", "MMC", ""), source.toStdString());
        main.reset();
    }
};

int runMmcConversionTest(int argc, char** argv) {
    MmcConversionTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MmcConversionTest.moc"
