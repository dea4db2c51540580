#include "BarGauge.h"
#include "BigDisplayGrid.h"
#include "RecordingBinding.h"
#include "ShutdownSignals.h"
#include "ToneBeeper.h"
#include "uFortschrittFrm.h"
#include "uMainFrm.h"
#include "AnalyzerPort.h"
#include "uMessageForm.h"
#include "uPropertyFrm.h"
#include "uSetupFrm.h"
#include "uVersionFrm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

using namespace kesto;

namespace {

class FakeClock final : public Clock {
public:
    std::uint32_t tick = 100000;
    std::uint32_t tickMs() const override { return tick; }
    LocalDateTime localNow() const override { return {2024, 3, 5, 14, 7, 9, 0}; }
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
        main = std::make_unique<TMainFrm>(o);
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
    void feed(const std::vector<std::uint8_t>& bytes) { main->acquisition().onBytes(bytes); }
    // A frame arrives now, and the next acquisition cycle runs a second later.
    void frameThenCycle() {
        feed(kFrame);
        clock.tick += 1000;
        main->COMTimerGetData();
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

// Runs `answer` on the first modal window that shows up.
void whenModal(std::function<void(QWidget*)> answer) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            answer(modal);
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
        for (const char* name : {"Datenanschauen1", "ViewMMCdata1", "Druckerauswhlen1",
                                 "Diagrammdrucken1", "Kommunikation1"}) {
            QVERIFY2(!p.find<QAction>(name)->isEnabled(), name);
        }
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
        QCOMPARE(::write(master, kFrame.data(), kFrame.size()), ssize_t(kFrame.size()));
        QTRY_COMPARE_WITH_TIMEOUT(p.main->acquisition().decoder().counters().framesAccepted,
                                  std::uint64_t{1}, 5000);
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

        QVERIFY(second.send(kFrame));
        QTRY_COMPARE_WITH_TIMEOUT(p.main->acquisition().decoder().counters().framesAccepted,
                                  std::uint64_t{1}, 5000);
    }

    // The adapter is pulled out and plugged in again: a new device under the same COM link.
    void lostPortIsReopenedWhenItComesBack() {
        auto first = std::make_unique<Pty>();
        linkCom1(first->path);
        Program p;
        p.main->Image1Click(); // the messages window open
        auto* port = dynamic_cast<AnalyzerPort*>(&p.main->acquisition().link());
        QVERIFY(port != nullptr && port->isOpen());
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
        QCOMPARE(p.messages->messagesText().count("COM1: port reopened"), 1);
        QVERIFY(p.messages->messagesText().contains("COM1: connection lost"));
        QVERIFY(second.send(kFrame));
        QTRY_COMPARE_WITH_TIMEOUT(p.main->acquisition().decoder().counters().framesAccepted,
                                  std::uint64_t{1}, 5000);
    }

    void portThatCannotBeReopenedIsReportedAndRecordingGoesOn() {
        Program p; // COM1 leads nowhere
        auto& gs = p.main->generalSettings();
        TSetupFrm setup(gs, p.main->setupServices());
        p.main->setSetupDialog(&setup);
        p.main->recording().recorder().setIntervalMs(1000);
        QVERIFY(
            p.main->recording().recorder().start((home_.path() + "/reopen.csv").toStdString(), 1));
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
};

int runMainFrmTests(int argc, char** argv) {
    MainFrmTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_MainFrm.moc"
