#include "acquisition/DateTimeFormat.h"
#include "acquisition/ui/uMessageForm.h"
#include "app/Application.h"
#include "app/LiveTrends.h"
#include "app/RecordingBinding.h"
#include "app/ShutdownSignals.h"
#include "app/ViewOnly.h"
#include "app/uMainFrm.h"
#include "app/uVersionFrm.h"
#include "config/ui/uFortschrittFrm.h"
#include "config/ui/uPropertyFrm.h"
#include "config/ui/uSetupFrm.h"
#include "platform/qt/ToneBeeper.h"
#include "recording/ui/MmcCommand.h"
#include "recording/ui/uMMCToCSVFrm.h"
#include "review/ui/uViewFrm.h"
#include "serial/AnalyzerPort.h"
#include "tests/CoreFakes.h"
#include "tests/QtTestSupport.h"
#include "widgets/AlarmLook.h"
#include "widgets/BarGauge.h"
#include "widgets/BigDisplayGrid.h"
#include "widgets/PageControl.h"
#include "widgets/TrendPrint.h"
#include "widgets/TrendRecorder.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <clocale>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>
#include <vector>

using namespace kesto;

namespace {

// A clock the test sets by hand, first at 5 March 2024, 14:07:09.
class FakeClock final : public test::FakeClock {
public:
    FakeClock() : test::FakeClock({2024, 3, 5, 14, 7, 9, 0}) {}
};

class CountingBeeper final : public Beeper {
public:
    int count = 0;
    void beep() override { ++count; }
};

// One 13-word analyzer frame: O2 10.5 %, CO 50 ppm, T gas 180, lambda 1.50, eta 88.0,
// CO2 10.0, T room 21.0, NO 40, SO2 0, NO2 5, CxHy 0, draught 2.5 hPa.
const std::vector<std::uint8_t> kFrame{0xFF, 0xFF, 0x00, 0x69, 0x00, 0x32, 0x00, 0xB4, 0x00, 0x96,
                                       0x03, 0x70, 0x00, 0x64, 0x00, 0x00, 0x00, 0xD2, 0x00, 0x28,
                                       0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x80, 0xFA, 0xFF, 0xFF};

QString dosDevicesDir() {
    return QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + "/Pellum/dosdevices";
}

// COM1 leads to `target` (a path that need not exist).
void linkCom1(const QString& target) {
    QDir().mkpath(dosDevicesDir());
    const QString link = dosDevicesDir() + "/com1";
    QFile::remove(link);
    QVERIFY(QFile::link(target, link));
}

// The main window with its secondary windows, created in the program's order.
struct Program {
    FakeClock clock;
    CountingBeeper beeper;
    MemoryRegistryStore ownStore;
    std::unique_ptr<TVersionFrm> version;
    std::unique_ptr<TMessageFrm> messages;
    std::unique_ptr<TFortschrittFrm> progress;
    std::unique_ptr<ProgramServices> services;
    std::unique_ptr<TMainFrm> main;

    explicit Program(const QString& languageFile = {}, RegistryStore* store = nullptr) {
        MainFrmOptions o;
        o.store = store != nullptr ? store : &ownStore;
        o.languageFile = languageFile.isEmpty()
                             ? (QDir::tempPath() + "/kesto-test-no-such-language.GER").toStdString()
                             : languageFile.toStdString();
        o.languageId = 0x0409;
        o.clock = &clock;
        o.beeper = &beeper;
        services = std::make_unique<ProgramServices>(o);
        main = std::make_unique<TMainFrm>(*services);
        version = std::make_unique<TVersionFrm>();
        messages = std::make_unique<TMessageFrm>(clock, nullptr, QDir::homePath() + "/KESTO.LOG");
        progress = std::make_unique<TFortschrittFrm>();
        main->setVersionWindow(version.get());
        main->setMessagesWindow(messages.get());
        main->setProgressWindow(progress.get());
        main->show();
    }
    ~Program() {
        main->close();
        main.reset();
    }

    template <typename T> T* find(const QString& name) const { return main->findChild<T*>(name); }
    void feed(const std::vector<std::uint8_t>& bytes) {
        kesto::test::sendBurst(main->acquisition().decoder(), bytes, clock.tick);
    }
    // A frame arrives now, and the next acquisition cycle runs a second later.
    void frameThenCycle(const std::vector<std::uint8_t>& frame = kFrame) {
        feed(frame);
        clock.tick += 1000;
        main->COMTimerGetData();
    }
    // Waits for frames from a real line while the hand-set clock follows the time that passes,
    // so the decoder sees the line go quiet after a frame.
    bool waitForAcceptedFrames(std::uint64_t n) {
        for (int i = 0; i < 250; ++i) {
            if (main->acquisition().decoder().counters().framesAccepted >= n) {
                return true;
            }
            idle(20);
        }
        return false;
    }
    // The line stays idle for a while (after opening: the decoder is in step with it).
    void idle(int ms) {
        for (int t = 0; t < ms; t += 20) {
            clock.tick += 20;
            QTest::qWait(20);
        }
    }
    // The link has been silent for longer than the no-data time.
    void silentCycle() {
        clock.tick += 6000;
        main->COMTimerGetData();
    }
};

QStringList channelKeys() {
    QStringList keys;
    for (const auto& info : channelTable()) {
        keys << QString::fromStdString(std::string(info.key));
    }
    return keys;
}

int countRed(const QImage& image, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 150 && c.green() < 80 && c.blue() < 80) {
                ++count;
            }
        }
    }
    return count;
}

using kesto::test::whenModal;

// Runs `answer` once `target` is the active modal window.
void whenModalIs(QWidget* target, std::function<void()> answer) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, target, answer] {
        if (QApplication::activeModalWidget() == target) {
            timer->stop();
            timer->deleteLater();
            answer();
        }
    });
    timer->start();
}

// A pseudo-terminal standing in for an analyzer: the slave is the device, the master the
// analyzer's side.
struct Pty {
    int master = -1;
    int slave = -1;
    QString path;
    Pty() {
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) {
            termios raw{};
            ::tcgetattr(slave, &raw);
            ::cfmakeraw(&raw);
            ::tcsetattr(slave, TCSANOW, &raw);
            path = QString::fromLocal8Bit(name);
        }
    }
    ~Pty() {
        ::close(master);
        ::close(slave);
    }
    bool send(const std::vector<std::uint8_t>& bytes) const {
        return ::write(master, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
};

void linkCom(int port, const QString& target) {
    QDir().mkpath(dosDevicesDir());
    const QString link = dosDevicesDir() + QStringLiteral("/com%1").arg(port);
    QFile::remove(link);
    QVERIFY(QFile::link(target, link));
}

} // namespace

class MainFrmTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;

private slots:
    void initTestCase() {
        QVERIFY(home_.isValid());
        qputenv("HOME", home_.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (home_.path() + "/.config").toLocal8Bit());
        // No serial device behind COM1 unless a test links one.
        linkCom1(home_.path() + "/no-such-device");
    }

    void init() { linkCom1(home_.path() + "/no-such-device"); }

    void startsWithEveryChannelGreyedAndZeroInItsFormat_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("cell");
        QTest::newRow("O2") << 0 << 0 << "O2 [%] ~0.0";
        QTest::newRow("LAMBDA") << 1 << 0 << "Lambda [ ] ~0.00";
        QTest::newRow("TG") << 3 << 0 << "T Gas [\u00B0C] ~0";
        QTest::newRow("COMG") << 1 << 1 << "CO [mg/m3] ~0";
        QTest::newRow("Zug") << 3 << 3 << "Draught [hPa] ~0";
        QTest::newRow("Flow") << 0 << 4 << "Flow [m/s] ~0.0";
        QTest::newRow("empty last cell") << 3 << 4 << "";
    }
    void startsWithEveryChannelGreyedAndZeroInItsFormat() {
        QFETCH(int, column);
        QFETCH(int, row);
        Program p;
        p.main->COMTimerGetData();
        for (const QString& key : channelKeys()) {
            QVERIFY2(!p.find<QLabel>(key + "Label")->isEnabled(), qPrintable(key));
            QCOMPARE(p.find<BarGauge>(key + "Bar")->value(), 0.0f);
        }
        QTEST(p.main->bigDisplay()->cellText(column, row), "cell");
    }

    void startUpShowsDefaultsAndLanguageIdentifier() {
        Program p;
        QCOMPARE(p.main->windowTitle(), QString("Vantro Kesto V2.310"));
        QCOMPARE(p.main->statusText(), QString(" LID:1033"));
        QCOMPARE(p.main->pageControl()->currentIndex(), 0);
        for (int n = 1; n <= 7; ++n) {
            QCOMPARE(p.find<QLineEdit>(QString("Edit%1").arg(n))->text(), QString("3.0"));
            QVERIFY(p.find<QCheckBox>(QString("CheckBox%1").arg(n))->isChecked());
            QCOMPARE(p.find<QCheckBox>(QString("CheckBox%1").arg(n))->text(),
                     QString("calculated"));
        }
        QCOMPARE(p.main->focusWidget(), p.find<QWidget>("CheckBox5"));
        QCOMPARE(p.find<QLabel>("O2MaxLabel")->text(), QString("21"));
        QCOMPARE(p.find<QLabel>("O2Label")->text(), QString("O2 [%] "));
        QCOMPARE(p.find<BarGauge>("COBar")->format(), QString("0"));
        // The bar's right edge and the minimum label's end stand where the layout puts them.
        const QRect minLabel = p.find<QLabel>("O2MinLabel")->geometry();
        QCOMPARE(minLabel.x() + minLabel.width(), 126);
        QCOMPARE(p.find<BarGauge>("O2Bar")->geometry(), QRect(136, 8, 281, 21));
        // Each entry stands on the row of the channel it corrects.
        QCOMPARE(p.find<QLineEdit>("Edit5")->y(), p.find<BarGauge>("COBar")->y());
        QCOMPARE(p.find<QLineEdit>("Edit1")->y(), p.find<BarGauge>("COMGBar")->y());
        QCOMPARE(p.find<QLineEdit>("Edit7")->y(), p.find<BarGauge>("NO2Bar")->y());
        QCOMPARE(p.find<QLabel>("RefUnitLabel7")->text(), QString("%O2"));
        QCOMPARE(p.find<QLabel>("RefUnitLabel5")->text(), QString("% O2"));
        QVERIFY(!p.main->statusBar()->isSizeGripEnabled());
    }

    void menuOffersBuiltCommandsOnly() {
        Program p;
        QVERIFY(p.find<QAction>("Beenden1")->isEnabled());
        QVERIFY(p.find<QAction>("Version1")->isEnabled());
        QVERIFY(p.find<QAction>("Datenaufzeichnen1")->isEnabled());
        QVERIFY(p.find<QAction>("Druckerauswhlen1")->isEnabled());
        QVERIFY(p.find<QAction>("Diagrammdrucken1")->isEnabled());
        // Without a viewer and a setup dialog attached their commands stay off.
        for (const char* name : {"Datenanschauen1", "ViewMMCdata1", "Kommunikation1"}) {
            QVERIFY2(!p.find<QAction>(name)->isEnabled(), name);
        }
        TViewFrm viewer;
        p.main->setViewerWindow(&viewer);
        QVERIFY(p.find<QAction>("Datenanschauen1")->isEnabled());
        QStringList file;
        for (QAction* a : p.find<QMenu>("FileMenu")->actions()) {
            file << (a->isSeparator() ? QString("-") : a->text());
        }
        QCOMPARE(file, QStringList({"Record data...", "View data...", "-", "View MMC data...", "-",
                                    "Change printer...", "Print diagram", "-", "Quit"}));
    }

    void languageFileSetsCaptionsAndChannelDefaults_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("object");
        QTest::addColumn<QString>("expected");
        const QByteArray none; // no file at all
        QTest::newRow("no file: File menu") << none << "FileMenu"
                                            << "File";
        QTest::newRow("no file: Setup menu") << none << "SetupMenu"
                                             << "Setup";
        QTest::newRow("no file: Help menu") << none << "HelpMenu"
                                            << "Help";
        QTest::newRow("no file: first tab") << none << "tab0"
                                            << "       Actual       ";
        QTest::newRow("no file: last tab") << none << "tab4"
                                           << "       BigDisplay       ";
        QTest::newRow("O2 end only") << QByteArray("[O2Section]\r\nEnd=25\r\n") << "O2MaxLabel"
                                     << "25";
        QTest::newRow("O2 end only, texts built in")
            << QByteArray("[O2Section]\r\nEnd=25\r\n") << "FileMenu"
            << "File";
        QTest::newRow("Flow format stays")
            << QByteArray("[FlowSection]\r\nFormat=0.000\r\n") << "FlowBar.format"
            << "0.0";
        QTest::newRow("menu text with ellipsis")
            << QByteArray("[MainFrm]\r\nRecord data=Daten aufzeichnen\r\n") << "Datenaufzeichnen1"
            << "Daten aufzeichnen...";
        QTest::newRow("tab padded") << QByteArray("[MainFrm]\r\nActual=Aktuell\r\n") << "tab0"
                                    << "       Aktuell       ";
        QTest::newRow("channel name and unit")
            << QByteArray("[ZugSection]\r\nName=Zug\r\nUnit=Pa\r\n") << "ZugLabel"
            << "Zug [Pa] ";
    }
    void languageFileSetsCaptionsAndChannelDefaults() {
        QFETCH(QByteArray, file);
        QFETCH(QString, object);
        QTemporaryDir dir;
        const QString path = dir.path() + "/kesto.GER";
        if (!file.isNull()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(file);
        }
        Program p(path);
        QString actual;
        if (object.startsWith("tab")) {
            actual = p.main->pageControl()->tabText(object.mid(3).toInt());
        } else if (object == "FlowBar.format") {
            actual = p.find<BarGauge>("FlowBar")->format();
        } else if (auto* menu = p.find<QMenu>(object)) {
            actual = menu->title();
        } else if (auto* action = p.find<QAction>(object)) {
            actual = action->text();
        } else if (auto* label = p.find<QLabel>(object)) {
            actual = label->text();
        }
        QTEST(actual, "expected");
    }

    void framesOnTheSerialLineTurnChannelsValidUntilSilence() {
        int master = -1;
        int slave = -1;
        char name[256] = {};
        QVERIFY(::openpty(&master, &slave, name, nullptr, nullptr) == 0);
        termios raw{};
        ::tcgetattr(slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
        linkCom1(QString::fromLocal8Bit(name));

        Program p;
        QVERIFY(p.main->acquisition().link().isOpen());
        p.idle(200);
        QCOMPARE(::write(master, kFrame.data(), kFrame.size()), ssize_t(kFrame.size()));
        QVERIFY(p.waitForAcceptedFrames(1));
        p.clock.tick += 1000;
        p.main->COMTimerGetData();
        QVERIFY(p.find<QLabel>("O2Label")->isEnabled());
        QVERIFY(p.find<QLabel>("TGLabel")->isEnabled());
        QCOMPARE(p.find<BarGauge>("O2Bar")->valueText(), QString("10.5"));
        QCOMPARE(p.find<BarGauge>("TGBar")->valueText(), QString("180"));
        QCOMPARE(p.main->bigDisplay()->cellText(0, 0), QString("O2 [%] ~10.5"));
        // CO referred to 3 % O2: 50 * (21 - 3) / (21 - 10.5).
        QCOMPARE(p.find<BarGauge>("COBar")->valueText(), QString("86"));

        p.clock.tick += 4000; // 5000 ms after the frame: still within the no-data time
        p.main->COMTimerGetData();
        QVERIFY(p.find<QLabel>("O2Label")->isEnabled());
        p.clock.tick += 1; // 5001 ms
        p.main->COMTimerGetData();
        QVERIFY(!p.find<QLabel>("O2Label")->isEnabled());
        QCOMPARE(p.find<BarGauge>("O2Bar")->value(), 0.0f);
        QCOMPARE(p.main->bigDisplay()->cellText(0, 0), QString("O2 [%] ~0.0"));

        // Shutting down closes the port, once, however often it is asked for.
        p.main->close();
        QVERIFY(p.main->isShutDown());
        QVERIFY(!p.main->acquisition().link().isOpen());
        p.main->FormHide();
        QVERIFY(!p.main->acquisition().link().isOpen());
        ::close(master);
        ::close(slave);
    }

    void pictureClickShowsMessagesWindow() {
        Program p;
        QVERIFY(!p.messages->isVisible());
        QTest::mouseClick(p.find<QWidget>("Image1"), Qt::LeftButton);
        QVERIFY(p.messages->isVisible());
    }

    void hiddenMessagesWindowGetsNoLinesAndNoBeep() {
        Program p;
        for (int i = 0; i < 3; ++i) {
            p.silentCycle();
            p.main->Timer1Timer();
        }
        QVERIFY(!p.messages->isVisible());
        QVERIFY(!p.main->alarmTimerOn());
        QCOMPARE(p.beeper.count, 0);
        QVERIFY(p.messages->messagesText().isEmpty());

        QTest::mouseClick(p.find<QWidget>("Image1"), Qt::LeftButton);
        p.silentCycle();
        QVERIFY(p.messages->messagesText().contains(
            "No data error (data hold > 5 sec). Check connection !"));
        QVERIFY(p.main->alarmTimerOn());
        p.main->Timer1Timer();
        QCOMPARE(p.beeper.count, 1);

        // Closing the messages window silences the alarm.
        p.messages->close();
        QVERIFY(!p.main->alarmTimerOn());
        p.main->Timer1Timer();
        QCOMPARE(p.beeper.count, 1);
    }

    void bigDisplayCellsAndFontsFollowTheWindowSize_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("initial") << QSize(710, 590);
        QTest::newRow("wider") << QSize(1000, 700);
        QTest::newRow("large") << QSize(1600, 1200);
    }
    void bigDisplayCellsAndFontsFollowTheWindowSize() {
        QFETCH(QSize, size);
        Program p;
        p.frameThenCycle();
        p.main->pageControl()->setCurrentIndex(4);
        p.main->resize(size);
        QApplication::processEvents();
        BigDisplayGrid* grid = p.main->bigDisplay();
        QVERIFY(grid->isVisible());
        const int rowHeight = grid->height() / 5;
        QCOMPARE(grid->defaultColWidth(), grid->width() / 4);
        QCOMPARE(grid->defaultRowHeight(), rowHeight);
        QCOMPARE(grid->nameFontPointSize(), rowHeight / 7);
        QCOMPARE(grid->valueFontPointSize(), rowHeight / 3);
        QCOMPARE(grid->cellRect(3, 4).size(), grid->cellRect(0, 0).size());
        // The grid fills the page, less at most 3 and 4 pixels of remainder.
        QVERIFY(grid->width() - 4 * grid->defaultColWidth() < 4);

        // The red value starts as many pixels below the cell's top as its point size, and
        // the digits of each cell stay inside that cell.
        const QImage image = grid->grab().toImage();
        const QRect cell = grid->cellRect(0, 0);
        const int valueTop = cell.top() + grid->valueFontPointSize();
        QCOMPARE(countRed(image, QRect(cell.left(), cell.top(), cell.width(), valueTop)), 0);
        QVERIFY(countRed(image, QRect(cell.left(), valueTop, cell.width(),
                                      cell.height() - grid->valueFontPointSize())) > 0);
        QCOMPARE(countRed(image, QRect(cell.right() + 1, 0, 1, grid->height())), 0);
    }

    void clicksOpenChannelSettingsExceptOnGreyedNames_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("labelsReact");
        for (const QString& key : channelKeys()) {
            const bool labelsReact = !QStringList({"Zug", "Flow", "H2", "S6"}).contains(key);
            QTest::newRow(qPrintable(key)) << key << labelsReact;
        }
    }
    void clicksOpenChannelSettingsExceptOnGreyedNames() {
        QFETCH(QString, key);
        QFETCH(bool, labelsReact);
        Program p;
        QSignalSpy spy(p.main.get(), &TMainFrm::channelPropertiesRequested);
        auto clicks = [&](const QString& role) {
            const int before = static_cast<int>(spy.count());
            QTest::mouseClick(p.find<QWidget>(key + role), Qt::LeftButton);
            for (int i = before; i < spy.count(); ++i) {
                if (spy.at(i).at(0).toString() != key) {
                    return -1;
                }
            }
            return static_cast<int>(spy.count()) - before;
        };
        p.silentCycle();
        QCOMPARE(clicks("Label"), 0); // greyed
        QCOMPARE(clicks("Bar"), 1);
        QCOMPARE(clicks("MinLabel"), labelsReact ? 1 : 0);
        QCOMPARE(clicks("MaxLabel"), labelsReact ? 1 : 0);

        p.feed(kFrame);
        p.clock.tick += 100;
        p.main->COMTimerGetData();
        if (p.find<QLabel>(key + "Label")->isEnabled()) {
            QCOMPARE(clicks("Label"), labelsReact ? 1 : 0);
        }
    }

    void componentNamesGiveTheirChannelKey_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("key");
        QTest::newRow("min label") << "NOXMGMinLabel"
                                   << "NOXMG";
        QTest::newRow("max label") << "CO2MaxLabel"
                                   << "CO2";
        QTest::newRow("name label") << "CXHYMGLabel"
                                    << "CXHYMG";
        QTest::newRow("bar") << "LAMBDABar"
                             << "LAMBDA";
    }
    void componentNamesGiveTheirChannelKey() {
        QFETCH(QString, name);
        QTEST(TMainFrm::channelKeyFromComponentName(name), "key");
    }

    void typedCommaBecomesPointOnlyInMassEntries_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("expected");
        for (int n = 1; n <= 4; ++n) {
            QTest::newRow(qPrintable(QString("Edit%1").arg(n))) << n << "4.5";
        }
        for (int n = 5; n <= 7; ++n) {
            QTest::newRow(qPrintable(QString("Edit%1").arg(n))) << n << "4,5";
        }
    }
    void typedCommaBecomesPointOnlyInMassEntries() {
        QFETCH(int, number);
        QFETCH(QString, expected);
        Program p;
        auto* edit = p.find<QLineEdit>(QString("Edit%1").arg(number));
        edit->clear();
        QTest::keyClicks(edit, "4,5");
        QCOMPARE(edit->text(), expected);
        // What was typed is what the next refresh reads.
        QCOMPARE(QString::fromStdString(p.main->acquisition().references()[number - 1].text),
                 expected);
    }

    void entriesAndModelNeverDisagree() {
        Program p;
        auto* edit = p.find<QLineEdit>("Edit5");
        auto* check = p.find<QCheckBox>("CheckBox6");
        edit->clear();
        QTest::keyClicks(edit, "abc");
        check->setChecked(false);
        QVERIFY(!p.main->acquisition().references()[index(ReferenceEntry::NOPPM)].checked);
        p.frameThenCycle(); // CO is valid, so its entry is read and the text replaced
        QCOMPARE(edit->text(), QString("3.0"));
        QCOMPARE(p.main->acquisition().references()[index(ReferenceEntry::COPPM)].text,
                 std::string("3.0"));
        // NO unticked: 40 ppm as measured.
        QCOMPARE(p.find<BarGauge>("NOBar")->valueText(), QString("40"));
    }

    void versionCommandShowsVersionWindowModally() {
        Program p;
        QWidget* modal = nullptr;
        QTimer::singleShot(0, [&] {
            modal = QApplication::activeModalWidget();
            if (modal != nullptr) {
                modal->close();
            }
        });
        p.find<QAction>("Version1")->trigger();
        QCOMPARE(modal, static_cast<QWidget*>(p.version.get()));
    }

    void quitCommandShutsDownAndClosesTheWindow() {
        Program p;
        QSignalSpy closed(p.main.get(), &TMainFrm::closed);
        p.find<QAction>("Beenden1")->trigger();
        QCOMPARE(closed.count(), 1);
        QVERIFY(p.main->isShutDown());
        QVERIFY(!p.main->isVisible());
    }

    void terminationSignalArrivesOnTheEventLoop() {
        ShutdownSignals signals_;
        QVERIFY(signals_.isInstalled());
        QSignalSpy spy(&signals_, &ShutdownSignals::shutdownRequested);
        ::raise(SIGTERM);
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), SIGTERM);
    }
    void settingsSurviveARestartButTheEditedNameDoesNot() {
        const QString file = home_.path() + "/restart/KESTO22.reg";
        RegistryFileStore store(file.toStdString());
        {
            Program p({}, &store);
            ChannelProperties properties;
            properties.showMessage = [](const QString&) {};
            p.main->setPropertyDialog(&properties);
            whenModal([&](QWidget*) {
                properties.nameEdit()->setText("Oxygen");
                properties.maximumEdit()->setText("15");
                properties.colourList()->setCurrentIndex(11); // red
                properties.okButton()->click();
            });
            QTest::mouseClick(p.find<QWidget>("O2Bar"), Qt::LeftButton);
            QCOMPARE(p.find<QLabel>("O2Label")->text(), QString("Oxygen [%]"));
            QCOMPARE(p.find<QLabel>("O2MaxLabel")->text(), QString("15"));
            p.find<QLineEdit>("Edit5")->setText("11");
            p.find<QCheckBox>("CheckBox6")->setChecked(false);
            p.main->generalSettings().comPort = 7;
            p.main->generalSettings().interval = 30;
        }
        QVERIFY(QFile::exists(file));
        Program again({}, &store);
        QCOMPARE(again.find<QLabel>("O2Label")->text(), QString("O2 [%] "));
        QCOMPARE(again.find<QLabel>("O2MaxLabel")->text(), QString("15"));
        QCOMPARE(again.find<BarGauge>("O2Bar")->settings().colour, Colour{0x0000FF});
        QCOMPARE(again.find<QLineEdit>("Edit5")->text(), QString("11"));
        QVERIFY(!again.find<QCheckBox>("CheckBox6")->isChecked());
        QVERIFY(again.find<QCheckBox>("CheckBox7")->isChecked());
        QCOMPARE(again.main->generalSettings().comPort, 7);
        QCOMPARE(again.main->recordingTimer()->interval(), 30000);
        store.open();
        QCOMPARE(store.readString("O2", "LabelName", ""), std::string("Oxygen"));
        store.discard();
    }

    void damagedSettingsFileIsSetAsideAndReported() {
        const QString dir = home_.path() + "/damaged";
        QDir().mkpath(dir);
        QFile f(dir + "/KESTO22.reg");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\x00\x01garbage that is no registry file");
        f.close();
        RegistryFileStore store((dir + "/KESTO22.reg").toStdString());
        Program p({}, &store);
        QTRY_VERIFY(p.main->findChild<QMessageBox*>("SettingsMessageBox") != nullptr);
        QVERIFY(QFile::exists(dir + "/KESTO22.reg.bad"));
        QCOMPARE(p.find<QLineEdit>("Edit1")->text(), QString("3.0"));
        p.main->findChild<QMessageBox*>("SettingsMessageBox")->accept();
    }

    void propertyDialogOpensForTheClickedChannelAndUpdatesItsRow() {
        Program p;
        ChannelProperties properties;
        QStringList messages;
        properties.showMessage = [&](const QString& m) { messages << m; };
        p.main->setPropertyDialog(&properties);
        QString title;
        whenModal([&](QWidget* modal) {
            title = modal->windowTitle();
            properties.maximumEdit()->setText("30");
            properties.unitEdit()->setText("Vol%");
            properties.okButton()->click();
        });
        QTest::mouseClick(p.find<QWidget>("CO2MaxLabel"), Qt::LeftButton);
        QCOMPARE(title, QString("Settings CO2"));
        QCOMPARE(messages, QStringList{"Restart program before changes are taking effect."});
        QCOMPARE(p.find<QLabel>("CO2MaxLabel")->text(), QString("30"));
        QCOMPARE(p.find<QLabel>("CO2Label")->text(), QString("CO2 [Vol%]"));
        QCOMPARE(p.main->bigDisplay()->cellText(2, 1), QString("CO2 [Vol%]~0.0"));
    }

    void parametersCommandMovesTheAnalyzerToTheChosenPort() {
        Pty first;
        Pty second;
        QVERIFY(!first.path.isEmpty() && !second.path.isEmpty());
        linkCom1(first.path);
        linkCom(3, second.path);
        Program p;
        auto& gs = p.main->generalSettings();
        TSetupFrm setup(gs, p.main->setupServices());
        p.main->setSetupDialog(&setup);
        auto* port = dynamic_cast<AnalyzerPort*>(&p.main->acquisition().link());
        QVERIFY(port != nullptr);
        QCOMPARE(QString::fromStdString(port->devicePath()), first.path);
        p.main->recording().recorder().setIntervalMs(1000);
        QVERIFY(p.main->recording().recorder().start(
            (home_.path() + "/parameters.csv").toStdString(), 1));
        QVERIFY(p.main->recordingTimer()->isActive());
        for (int d = 0; d < 3; ++d) {
            p.main->liveTrends().trend(d)->sample();
        }

        QStringList listed;
        bool pausedDuringDialog = false;
        bool portClosedDuringDialog = false;
        whenModal([&](QWidget*) {
            for (int i = 0; i < setup.portList()->count(); ++i) {
                listed << setup.portList()->itemText(i);
            }
            pausedDuringDialog = !p.main->recordingTimer()->isActive();
            portClosedDuringDialog = !port->isOpen();
            setup.portList()->setCurrentIndex(static_cast<int>(listed.indexOf("COM3")));
            setup.intervalList()->setCurrentIndex(2);
            setup.okButton()->click();
        });
        p.find<QAction>("Kommunikation1")->trigger();
        QVERIFY(listed.contains("COM1"));
        QVERIFY(listed.contains("COM3"));
        QVERIFY(pausedDuringDialog);
        QVERIFY(portClosedDuringDialog);
        QCOMPARE(gs.comPort, 3);
        QCOMPARE(gs.interval, 5);
        QVERIFY(port->isOpen());
        QCOMPARE(QString::fromStdString(port->devicePath()), second.path);
        QVERIFY(p.main->recordingTimer()->isActive());
        QCOMPARE(p.main->recordingTimer()->interval(), 5000);
        // The live trends start again, empty, and go on recording.
        for (int d = 0; d < 3; ++d) {
            QCOMPARE(p.main->liveTrends().trend(d)->recordCount(), std::size_t{0});
            QVERIFY(p.main->liveTrends().trend(d)->isRecording());
        }

        p.idle(200);
        QVERIFY(second.send(kFrame));
        QVERIFY(p.waitForAcceptedFrames(1));
    }

    // The adapter is plugged in after the start, then pulled out and plugged in again: a new
    // device under the same COM link. The messages window's lines come from the language file.
    void lostPortIsReopenedWhenItComesBack() {
        Program p(QStringLiteral(KESTO_LANGUAGE_FILE));
        p.main->Image1Click(); // the messages window open
        auto* port = dynamic_cast<AnalyzerPort*>(&p.main->acquisition().link());
        QVERIFY(port != nullptr && !port->isOpen());
        auto first = std::make_unique<Pty>();
        linkCom1(first->path);
        p.clock.tick += 2000;
        p.main->COMTimerGetData();
        QVERIFY(port->isOpen());
        QCOMPARE(p.messages->messagesText().count(QStringLiteral("COM1: Anschluss ge\u00f6ffnet")),
                 1);
        first.reset();
        QTRY_VERIFY_WITH_TIMEOUT(p.main->acquisition().portLost(), 3000);
        QVERIFY(!port->isOpen());
        p.clock.tick += 2000;
        p.main->COMTimerGetData(); // nothing to open yet
        QVERIFY(!port->isOpen());

        Pty second;
        linkCom1(second.path);
        p.clock.tick += 2000;
        p.main->COMTimerGetData();
        QVERIFY(port->isOpen());
        QCOMPARE(QString::fromStdString(port->devicePath()), second.path);
        QVERIFY(p.messages->messagesText().contains(
            QStringLiteral("COM1: Anschluss wieder ge\u00f6ffnet")));
        QVERIFY(p.messages->messagesText().contains("COM1: connection lost"));
        p.idle(200);
        QVERIFY(second.send(kFrame));
        QVERIFY(p.waitForAcceptedFrames(1));
    }

    void errorLeavingASlotIsShownAndMeasuringGoesOn() {
        Pty pty;
        linkCom1(pty.path);
        Program p;
        p.main->recording().recorder().setIntervalMs(1000);
        QVERIFY(
            p.main->recording().recorder().start((home_.path() + "/error.csv").toStdString(), 1));
        QTimer::singleShot(0, p.main.get(), [] { throw std::runtime_error("Disk on fire"); });
        auto* app = static_cast<Application*>(qApp);
        QTRY_VERIFY(app->errorBox() != nullptr);
        QCOMPARE(app->errorBox()->text(), QString("Disk on fire"));
        // The serial line is still read and the recording still runs.
        p.idle(200);
        QVERIFY(pty.send(kFrame));
        QVERIFY(p.waitForAcceptedFrames(1));
        QVERIFY(p.main->recordingTimer()->isActive());
        app->errorBox()->accept();
    }

    void portThatCannotBeReopenedIsReportedAndRecordingGoesOn() {
        Program p; // COM1 leads nowhere
        auto& gs = p.main->generalSettings();
        TSetupFrm setup(gs, p.main->setupServices());
        p.main->setSetupDialog(&setup);
        p.main->recording().recorder().setIntervalMs(1000);
        QVERIFY(
            p.main->recording().recorder().start((home_.path() + "/reopen.csv").toStdString(), 1));
        p.main->liveTrends().trend(0)->sample();
        QString error;
        whenModal([&](QWidget*) {
            setup.okButton()->click();
            whenModal([&](QWidget* box) {
                error = static_cast<QMessageBox*>(box)->text();
                static_cast<QMessageBox*>(box)->accept();
            });
        });
        p.find<QAction>("Kommunikation1")->trigger();
        QVERIFY2(error.contains("COM1"), qPrintable(error));
        QCOMPARE(p.main->liveTrends().trend(0)->recordCount(), std::size_t{0});
        // The recording timer has its state back: the recording writes 0 for every channel.
        QVERIFY(p.main->recordingTimer()->isActive());
        QVERIFY(!p.main->acquisition().link().isOpen());
        // From now on the port is tried again, and opens once it exists.
        QVERIFY(p.main->acquisition().portLost());
        Pty pty;
        linkCom1(pty.path);
        p.clock.tick += 2000;
        p.main->COMTimerGetData();
        QVERIFY(p.main->acquisition().link().isOpen());
    }

    void liveDiagramsAreFedFromTheBarsAndReadOutAtTheCursor() {
        dateTimePatterns() = DateTimePatterns{};
        Program p;
        p.main->pageControl()->setCurrentIndex(1);
        LiveTrends& trends = p.main->liveTrends();
        QCOMPARE(trends.trend(0)->maxRecords(), std::size_t{60000});
        QVERIFY(trends.trend(2)->isRecording());
        auto* label5 = p.find<QLabel>("Label5");
        auto* swatch = p.find<QLabel>("Label6");
        QCOMPARE(label5->text(), QString());
        QCOMPARE(swatch->text(), QString("   "));
        QVERIFY(label5->font().bold());

        // Before the first record: neither a cursor move nor a choice gives a read-out.
        const QColor swatchBefore = swatch->palette().color(QPalette::Window);
        trends.trend(0)->moveCursorTo(3);
        auto* combo = p.find<QComboBox>("ComboBox1");
        combo->setCurrentIndex(1);
        emit combo->activated(1);
        QCOMPARE(label5->text(), QString());
        QCOMPARE(swatch->palette().color(QPalette::Window), swatchBefore);
        combo->setCurrentIndex(0);
        emit combo->activated(0);

        p.frameThenCycle();
        p.main->YTTimerTimer();
        const auto barValue = [&](const char* key) { return p.find<BarGauge>(key)->value(); };
        const SlotValues d1 = trends.trend(0)->currentValues();
        QCOMPARE(d1[0], barValue("O2Bar"));
        QCOMPARE(d1[2], barValue("COBar"));
        QCOMPARE(d1[7], barValue("TGBar"));
        QCOMPARE(trends.trend(1)->currentValues()[3], barValue("LAMBDABar"));
        QCOMPARE(trends.trend(1)->currentValues()[7], 0.0f);
        QCOMPARE(trends.trend(2)->currentValues()[0], barValue("ZugBar"));
        QCOMPARE(trends.trend(2)->currentValues()[4], 0.0f);
        QCOMPARE(d1[0], 10.5f);

        trends.trend(0)->sample();
        trends.trend(0)->moveCursorTo(0);
        QCOMPARE(label5->text(), QString("O2       05.03.2024    14:07:09    10.5 %"));
        QCOMPARE(swatch->palette().color(QPalette::Window), QColor(0, 255, 255));

        // The user's pick sets the scale slot and reads that channel of the same record.
        combo->setCurrentIndex(7);
        emit combo->activated(7);
        QCOMPARE(trends.trend(0)->absScaleCh(), 8);
        QCOMPARE(label5->text(), QString("T Gas       05.03.2024    14:07:09    180 \u00B0C"));

        // New records do not refresh the read-out; leaving the records keeps the last one.
        p.silentCycle();
        p.main->YTTimerTimer();
        trends.trend(0)->sample();
        QCOMPARE(trends.trend(0)->currentValues()[0], 0.0f); // an invalid channel is fed 0
        QCOMPARE(label5->text(), QString("T Gas       05.03.2024    14:07:09    180 \u00B0C"));
        trends.trend(0)->moveCursorTo(500);
        QCOMPARE(label5->text(), QString("T Gas       05.03.2024    14:07:09    180 \u00B0C"));

        // The channel settings reach the trends again: first entries, blank read-outs, the
        // scale slot as the user left it.
        p.main->ApplyChannelsToTrends();
        QCOMPARE(combo->currentIndex(), 0);
        QCOMPARE(combo->count(), 8);
        QCOMPARE(p.find<QComboBox>("ComboBox2")->count(), 7);
        QCOMPARE(p.find<QComboBox>("ComboBox3")->itemText(3), QString("S6"));
        QCOMPARE(label5->text(), QString());
        QCOMPARE(swatch->text(), QString("   "));
        QCOMPARE(p.find<QLabel>("Label11")->text(), QString());
        QCOMPARE(trends.trend(0)->absScaleCh(), 8);
    }

    void propertyDialogChangesReachTheDiagramSlots() {
        Program p;
        ChannelProperties properties;
        properties.showMessage = [](const QString&) {};
        p.main->setPropertyDialog(&properties);
        TViewFrm viewer;
        p.main->setViewerWindow(&viewer);
        whenModal([&](QWidget*) {
            properties.nameEdit()->setText("Nitrogen oxide");
            properties.colourList()->setCurrentIndex(11); // red
            properties.okButton()->click();
        });
        QTest::mouseClick(p.find<QWidget>("NOBar"), Qt::LeftButton);
        const ChannelSettings& live = p.main->liveTrends().trend(0)->slotSettings()[3];
        QCOMPARE(live.displayName, std::string("Nitrogen oxide"));
        QCOMPARE(live.colour, Colour{0x0000FF});
        QCOMPARE(viewer.trend(0)->slotSettings()[3].displayName, std::string("Nitrogen oxide"));
        QCOMPARE(viewer.choiceList(0)->currentIndex(), 0);
    }

    // CO above 200 ppm, set in the dialog: on every display, heard once, logged (alarm-*.png).
    void limitAlarmIsSeenEverywhereHeardOnceAndLogged() {
        Program p;
        ChannelProperties properties;
        QString refused;
        properties.showError = [&](const QString& e) { refused = e; };
        p.main->setPropertyDialog(&properties);
        whenModal([&](QWidget*) {
            properties.alarmAboveEdit()->setText("200");
            properties.alarmBelowEdit()->setText("4,0");
            properties.okButton()->click();
        });
        QTest::mouseClick(p.find<QWidget>("COBar"), Qt::LeftButton);
        QCOMPARE(refused, QStringLiteral("'4,0' is not a valid floating point value"));
        p.main->acquisition().references()[index(ReferenceEntry::COPPM)].checked = false;
        LiveTrends& trends = p.main->liveTrends();
        trends.choiceList(0)->setCurrentIndex(2); // CO's scale on diagram 1
        trends.ComboBoxChange(0);
        auto* bar = p.find<BarGauge>("COBar");
        // Touching the limit begins nothing; 170 ppm lies back within it by less than 40 ppm.
        for (const int ppm : {120, 200, 250, 255, 170, 150}) {
            std::vector<std::uint8_t> frame = kFrame;
            frame[5] = static_cast<std::uint8_t>(ppm); // the CO word's low byte, in ppm
            p.frameThenCycle(frame);
            p.main->YTTimerTimer();
            trends.trend(0)->sample();
            QCOMPARE(bar->alarm(), ppm > 200 || ppm == 170 ? LimitAlarm::Above : LimitAlarm::None);
            QCOMPARE(p.main->bigDisplay()->cellAlarm(4), bar->alarm());
            QCOMPARE(p.beeper.count, ppm == 120 || ppm == 200 ? 0 : 1);
            if (ppm == 170) {
                QCOMPARE(bar->spokenValue(), QStringLiteral("170 ppm, above the limit 200"));
                QCOMPARE(p.find<QLabel>("COLabel")->frameShape(), QFrame::Box);
                const auto picture = [&](int page, QWidget* w, const QString& name) {
                    p.main->pageControl()->setCurrentIndex(page);
                    QApplication::processEvents();
                    const QImage image = w->grab().toImage();
                    return image.save(QStringLiteral("alarm-%1.png").arg(name)) ? image : QImage();
                };
                QCOMPARE(picture(0, bar, "gauge").pixelColor(0, 0), kAlarmFrameColour);
                const QPoint co = p.main->bigDisplay()->cellRect(0, 1).bottomRight() - QPoint(6, 6);
                QCOMPARE(picture(4, p.main->bigDisplay(), "big-display").pixelColor(co),
                         kAlarmColour);
                const QImage diagram = picture(1, trends.trend(0), "diagram");
                const QRect chart = trends.trend(0)->chartRect(); // the limit is 5 % of it up
                const int limitRow = chart.bottom() - qRound(0.05 * (chart.height() - 1));
                QVERIFY(countRed(diagram, {chart.left(), limitRow, chart.width(), 1}) > 200);
            }
        }
        const QStringList lines = p.messages->messagesText().split('\n');
        QVERIFY(lines.size() == 2 && lines[0].endsWith(" CO [ppm] above the limit 200: 250"));
        QVERIFY(lines[1].endsWith(" CO [ppm] back within its limits: 150"));
    }

    void printCommandPrintsTheActivePagesDiagram_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("trend");
        QTest::addColumn<QString>("channel");
        QTest::newRow("actual") << 0 << "AbTrend1"
                                << "T Gas";
        QTest::newRow("diagram 2") << 2 << "AbTrend2"
                                   << "Lambda";
        QTest::newRow("diagram 3") << 3 << "AbTrend3"
                                   << "Draught";
        QTest::newRow("big display") << 4 << "AbTrend1"
                                     << "T Gas";
    }

    void printCommandPrintsTheActivePagesDiagram() {
        QFETCH(int, page);
        QFETCH(QString, trend);
        QFETCH(QString, channel);
        Program p;
        p.main->pageControl()->setCurrentIndex(page);
        QCOMPARE(p.main->liveTrends().trendForPage(page)->objectName(), trend);
        // No printer here: the command asks for a PDF file instead.
        p.main->printing().printersInstalled = [] { return false; };
        const QString pdf = home_.path() + QStringLiteral("/page%1.pdf").arg(page);
        whenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog != nullptr);
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(pdf); // as the user types it
            static_cast<QDialog*>(dialog)->accept();
        });
        p.find<QAction>("Diagrammdrucken1")->trigger();
        QCOMPARE(p.main->printing().printComponent().trend()->objectName(), trend);
        QProcess text;
        text.start("pdftotext", {pdf, "-"});
        QVERIFY(text.waitForFinished(30000));
        QVERIFY2(QString::fromUtf8(text.readAllStandardOutput()).contains(channel),
                 qPrintable(channel));
    }

    void viewDataShowsTheChosenRecordingInTheViewer() {
        Program p;
        TViewFrm viewer;
        p.main->setViewerWindow(&viewer);
        QTemporaryDir dir;
        const QByteArray line = "05.03.2024,14:07:09,20.9,0.0,180,21.0,88.0,1.50,50,63,40,5,70,0,"
                                "0,0,0,2.5,3.7,12,4\r\n";
        for (const char* name : {"rec.csv", "OTHER.CSV", "notes.txt"}) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("dd.mm.yyyy,hh:mm:ss,O2[%]\r\n" + line + line);
        }
        int listed = -1;
        int rowsInViewer = -1;
        QString caption;
        whenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog != nullptr);
            QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
            dialog->setDirectory(dir.path());
            auto* list = dialog->findChild<QListView*>("listView");
            QVERIFY(list != nullptr);
            // "*.CSV" in any letter case, nothing else.
            QTRY_COMPARE_WITH_TIMEOUT(list->model()->rowCount(list->rootIndex()), 2, 5000);
            listed = list->model()->rowCount(list->rootIndex());
            // As the user types it.
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText("rec.csv");
            whenModalIs(&viewer, [&] {
                caption = viewer.windowTitle();
                rowsInViewer = viewer.tableRowCount();
                viewer.findChild<QAction*>("Schlieen1")->trigger();
            });
            static_cast<QDialog*>(dialog)->accept();
        });
        p.find<QAction>("Datenanschauen1")->trigger();
        QCOMPARE(listed, 2);
        QCOMPARE(p.main->openDialog1FileName(), dir.filePath("rec.csv"));
        QCOMPARE(caption, "Vantro Kesto [" + dir.filePath("rec.csv") + "]");
        QCOMPARE(rowsInViewer, 5);
        QCOMPARE(viewer.trend(0)->recordCount(), std::size_t{2});
        QVERIFY(!viewer.isVisible());

        // Cancelled: the viewer does not show.
        whenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
        p.find<QAction>("Datenanschauen1")->trigger();
        QVERIFY(!viewer.isVisible());
    }

    // A card converted by "View MMC data..." opens in the viewer with the dates, times and
    // values the converted file holds; afterwards "View data..." offers the user's file again.
    void viewMmcDataShowsTheConvertedCardInTheViewer() {
        Program p;
        TViewFrm viewer;
        TMMCtoCSVFrm progress;
        p.main->setViewerWindow(&viewer);
        p.main->setMmcWindow(&progress);
        QVERIFY(p.find<QAction>("ViewMMCdata1")->isEnabled());
        p.main->setOpenDialog1FileName("/recordings/earlier.csv");

        QTemporaryDir dir;
        const QString cardFile = dir.filePath("CARD.CSV");
        const QString target = dir.filePath("MMC.CSV");
        {
            // Two header lines, then lines of numbers: reference 3 % (corrected), O2 exactly 21
            // (not corrected), and a reference of 0.
            QFile f(cardFile);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("Vantro MMC,\r\nDate,Time,O2,CO,\r\n");
            const char* rows[][4] = {{"09.01.2003", "10:36:02", "6.2", "3"},
                                     {"09.01.2003", "10:36:12", "21", "3"},
                                     {"10.01.2003", "00:00:00", "7.25", "0"}};
            for (const auto& r : rows) {
                QByteArray fields[57];
                fields[0] = r[0];
                fields[1] = r[1];
                fields[2] = r[2];
                fields[3] = "7";
                fields[4] = "12";
                fields[5] = "3";
                fields[6] = "0.1";
                fields[12] = "180.5";
                fields[13] = "21.3";
                fields[14] = "-0.12";
                fields[15] = "10.8";
                fields[16] = "91.2";
                fields[18] = "1.42";
                fields[27] = r[3];
                fields[42] = "15";
                fields[46] = "4.5";
                fields[53] = "2";
                fields[55] = "9";
                QByteArray line;
                for (const QByteArray& field : fields) {
                    line += field + ',';
                }
                f.write(line + "\r\n");
            }
        }
        ViewMmcCommand& command = *p.main->mmcCommand();
        command.setTargetFile(target);
        command.chooseFile = [&](const QString&) { return cardFile; };

        QString shownFile;
        std::vector<std::vector<double>> shown; // per record: date-time, then the 19 channels
        whenModalIs(&viewer, [&] {
            shownFile = p.main->openDialog1FileName();
            const TrendStore& first = viewer.trend(0)->model().store();
            for (std::size_t r = 0; r < first.size(); ++r) {
                std::vector<double> record(1 + kChannelCount);
                record[0] = first.time(r);
                for (int d = 0; d < kDiagramCount; ++d) {
                    const TrendStore& store = viewer.trend(d)->model().store();
                    for (std::size_t slot = 0; slot < usedSlotCount(d); ++slot) {
                        record[1 + index(*slotChannel(d, slot))] = store.value(r, slot);
                    }
                }
                shown.push_back(record);
            }
            viewer.findChild<QAction*>("Schlieen1")->trigger();
        });
        QSignalSpy ended(&command, &ViewMmcCommand::conversionEnded);
        p.find<QAction>("ViewMMCdata1")->trigger();
        QVERIFY(ended.count() > 0 || ended.wait(60000));
        QTRY_VERIFY_WITH_TIMEOUT(!shown.empty(), 10000);
        QCOMPARE(shownFile, target);
        QCOMPARE(p.main->openDialog1FileName(), QStringLiteral("/recordings/earlier.csv"));
        QCOMPARE(p.main->generalSettings().mmcFile, cardFile.toStdString());

        // What the viewer shows is what the converted file says.
        QFile converted(target);
        QVERIFY(converted.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = converted.readAll().split('\n');
        QCOMPARE(shown.size(), std::size_t{3});
        for (std::size_t r = 0; r < shown.size(); ++r) {
            const QList<QByteArray> fields = lines[static_cast<int>(r) + 1].trimmed().split(',');
            const auto date = parseDate(fields[0].toStdString(), dateTimePatterns(), 2026);
            const auto time = parseTime(fields[1].toStdString(), dateTimePatterns());
            QVERIFY(date && time);
            LocalDateTime t = *date;
            t.hour = time->hour;
            t.minute = time->minute;
            t.second = time->second;
            QCOMPARE(shown[r][0], toDateTimeValue(t));
            for (std::size_t c = 0; c < kChannelCount; ++c) {
                const float expected = fields[static_cast<int>(c) + 2].toFloat();
                QVERIFY2(shown[r][1 + c] == expected,
                         qPrintable(QString("record %1, column %2: %3, file %4")
                                        .arg(r)
                                        .arg(c + 3)
                                        .arg(shown[r][1 + c])
                                        .arg(expected)));
            }
        }
        // The first record carries the corrected CO: 7 * (21 - 3) / (21 - 6.2).
        QCOMPARE(shown[0][1 + index(Channel::CO)], double(float(7.0 * 18.0 / 14.8)));
        QCOMPARE(shown[1][1 + index(Channel::CO)], 7.0);
    }

    void viewOnlyReadsChannelSettingsAndNeverWritesTheFile() {
        const QString dir = home_.path() + "/viewonly";
        QDir().mkpath(dir);
        const QString good = dir + "/KESTO22.reg";
        const QByteArray goodBytes =
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Pellum\\KESTO22\\O2]"
            "\r\n\"Max\"=dword:0000000f\r\n\"Color\"=\"clRed\"\r\n\r\n";
        const QString bad = dir + "/bad.reg";
        const QByteArray badBytes = "this is not a registry file";
        for (const auto& [path, bytes] : {std::pair{good, goodBytes}, std::pair{bad, badBytes}}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        const std::string noLanguage = (dir + "/none.GER").toStdString();
        const LiveDisplay read = readChannelSettings(good.toStdString(), noLanguage);
        QCOMPARE(read[index(Channel::O2)].settings.maximum, 15.0f);
        QCOMPARE(read[index(Channel::O2)].settings.colour, Colour{0x0000FF});
        QCOMPARE(read[index(Channel::CO)].settings.unit, std::string("ppm"));
        const LiveDisplay defaults = readChannelSettings(bad.toStdString(), noLanguage);
        QCOMPARE(defaults[index(Channel::O2)].settings.maximum, 21.0f);
        QFile g(good);
        QVERIFY(g.open(QIODevice::ReadOnly));
        QCOMPARE(g.readAll(), goodBytes);
        QVERIFY(QFile::exists(bad));
        QVERIFY(!QFile::exists(bad + ".bad"));
        QCOMPARE(QDir(dir).entryList(QDir::Files).size(), 2);
    }

    void programWithViewOptionShowsTheViewerAloneEvenOnAMissingFile() {
        const QString settings = home_.path() + "/.config/Pellum/KESTO22.reg";
        const bool settingsBefore = QFile::exists(settings);
        const QDateTime modifiedBefore = QFileInfo(settings).lastModified();
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(env);
        program.start(KESTO_PROGRAM, {"--view", home_.path() + "/no-such-recording.CSV"});
        QVERIFY(program.waitForStarted(10000));
        // The viewer waits for the user; a crash would end the program here.
        QVERIFY(!program.waitForFinished(2000));
        QCOMPARE(program.state(), QProcess::Running);
        program.kill();
        QVERIFY(program.waitForFinished(10000));
        // The settings file is only read.
        QCOMPARE(QFile::exists(settings), settingsBefore);
        QCOMPARE(QFileInfo(settings).lastModified(), modifiedBefore);
    }

    void recordingWrittenByTheProgramOpensInTheViewer_data() {
        QTest::addColumn<QString>("locale");
        QTest::newRow("German") << "de_DE.UTF-8";
        QTest::newRow("US English, 12-hour clock") << "en_US.UTF-8";
        QTest::newRow("C") << "C";
    }

    // A CSV recording of the program, under the locale's date and time formats, is shown again
    // by the viewer with the same dates, times and values.
    void recordingWrittenByTheProgramOpensInTheViewer() {
        QFETCH(QString, locale);
        struct LocaleScope {
            std::string saved = std::setlocale(LC_ALL, nullptr);
            ~LocaleScope() {
                std::setlocale(LC_ALL, saved.c_str());
                useSystemDateTimePatterns();
                dateTimePatterns() = DateTimePatterns{};
            }
        } scope;
        QVERIFY2(std::setlocale(LC_ALL, locale.toLatin1().constData()) != nullptr,
                 "locale not installed: tools/setup.sh generates it");
        useSystemDateTimePatterns();

        Program p;
        Recorder& recorder = p.main->recording().recorder();
        const QString file = home_.path() + "/round-trip-" + locale + ".CSV";
        QFile::remove(file);
        QVERIFY(recorder.start(file.toStdString(), kSaveFormatCsv));
        recorder.WriteDataSet(); // the title line
        const LocalDateTime moments[] = {
            {2024, 2, 29, 0, 0, 0, 0}, {2024, 3, 5, 12, 0, 1, 0}, {2024, 12, 31, 23, 59, 59, 0}};
        for (const LocalDateTime& t : moments) {
            p.frameThenCycle();
            p.clock.now = t;
            recorder.WriteDataSet();
        }
        recorder.stop();
        QTRY_VERIFY(recorder.writerDone()); // the file is written on the writer's thread

        TViewFrm viewer;
        p.main->setViewerWindow(&viewer);
        viewer.setFileName(file);
        viewer.show();
        QVERIFY2(!viewer.loadError(), qPrintable(viewer.loadError().value_or(QString())));
        QCOMPARE(viewer.tableRowCount(), 4 + 2);
        const TrendStore& d1 = viewer.trend(0)->model().store();
        QCOMPARE(d1.size(), std::size(moments));
        // The values as recorded: in each channel's number format.
        const auto recorded = [&](const char* bar) {
            return p.find<BarGauge>(bar)->valueText().toFloat();
        };
        for (std::size_t i = 0; i < std::size(moments); ++i) {
            QCOMPARE(d1.time(i), toDateTimeValue(moments[i]));
            QCOMPARE(d1.value(i, 0), recorded("O2Bar"));
            QCOMPARE(d1.value(i, 2), recorded("COBar"));
            QCOMPARE(d1.value(i, 7), recorded("TGBar"));
            QCOMPARE(viewer.trend(1)->model().store().value(i, 3), recorded("LAMBDABar"));
            QCOMPARE(viewer.trend(2)->model().store().value(i, 0), recorded("ZugBar"));
        }
        viewer.close();
    }
};

int runMainFrmTests(int argc, char** argv) {
    MainFrmTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainFrmTest.moc"
