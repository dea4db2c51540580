// The channel property dialog and the setup dialog, driven as a user would: modal dialogs are
// answered by a timer that clicks their buttons.
#include "acquisition/Colour.h"
#include "config/ChannelProperties.h"
#include "config/SetupModel.h"
#include "config/ui/uPropertyFrm.h"
#include "config/ui/uSetupFrm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <fstream>

using namespace kesto;

namespace {

// Runs `answer` once the dialog is showing modally.
void whenShown(QDialog* dialog, std::function<void()> answer) {
    auto* timer = new QTimer(dialog);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, dialog, [dialog, timer, answer] {
        if (dialog->isVisible()) {
            timer->stop();
            timer->deleteLater();
            answer();
        }
    });
    timer->start();
}

ChannelDisplay defaultDisplay(Channel c) {
    ChannelDisplay d;
    applyDefaults(d, c, builtinChannelDefaults()[index(c)]);
    return d;
}

class FakeProgress : public ProbeProgress {
public:
    void showProgress() override { shown = true; }
    void setCounterText(const QString& text) override { lastText = text; ++steps; }
    void setPosition(int p) override { lastPosition = p; }
    void hideProgress() override { shown = false; hidden = true; }
    bool shown = false;
    bool hidden = false;
    int steps = 0;
    int lastPosition = 0;
    QString lastText;
};

} // namespace

class DialogTests : public QObject {
    Q_OBJECT
private slots:
    void componentNamesGiveTheirChannelKey_data();
    void componentNamesGiveTheirChannelKey();
    void onlyLabelsOfTheFirstFifteenChannelsOpenTheDialog();

    void dialogShowsTheClickedChannelsValues();
    void changingOnlyNameUnitFormatOrColourShowsNoRestartMessage();
    void changingTheMinimumTextShowsTheRestartMessageEvenForTheSameValue();
    void okAppliesEveryFieldAndLabelsLoseTheTrailingBlank();
    void cancelAppliesNothing();
    void silverSelectsTheLaterOfItsTwoPositions();
    void colourNotInTheTableIsKeptWhateverWasOpenedBefore();
    void nonNumericMinimumStopsApplyingAfterTheName();
    void nonNumericMaximumKeepsTheNewMinimum();

    void intervalsAndPortEntries();
    void probeListsOpenablePortsAndPreselectsTheCurrentOne();
    void missingCurrentPortPreselectsTheFirst();
    void permissionDeniedPortsAreExplained();
    void unlistedIntervalShowsOneSecondAndOkSetsIt();
    void meanValueBoxResetsMeansOnEveryChangeAlsoWhenCancelled();
    void okWithAnEmptyPortListKeepsThePort();
    void lastCounterTextReadsTeste255Von255();
    void probingKeepsTheEventLoopRunning();
    void choosingAnAdapterLinksItsComNumberAndTheSearchSaysWhatItFound();
};

void DialogTests::componentNamesGiveTheirChannelKey_data() {
    QTest::addColumn<QString>("component");
    QTest::addColumn<QString>("key");
    QTest::newRow("min label") << "NOXMGMinLabel" << "NOXMG";
    QTest::newRow("max label") << "CO2MaxLabel" << "CO2";
    QTest::newRow("name label") << "CXHYMGLabel" << "CXHYMG";
    QTest::newRow("bar") << "S6Bar" << "S6";
    QTest::newRow("bar of a key with Max-like letters") << "O2Bar" << "O2";
}

void DialogTests::componentNamesGiveTheirChannelKey() {
    QFETCH(QString, component);
    QFETCH(QString, key);
    QCOMPARE(QString::fromStdString(channelKeyOfComponent(component.toStdString())), key);
}

void DialogTests::onlyLabelsOfTheFirstFifteenChannelsOpenTheDialog() {
    QVERIFY(componentOpensProperties("CXHYMGMaxLabel"));
    QVERIFY(componentOpensProperties("O2Label"));
    QVERIFY(!componentOpensProperties("ZugLabel"));
    QVERIFY(!componentOpensProperties("FlowMinLabel"));
    QVERIFY(!componentOpensProperties("S6MaxLabel"));
    QVERIFY(componentOpensProperties("ZugBar"));
    QVERIFY(componentOpensProperties("S6Bar"));
    QVERIFY(!componentOpensProperties("Label10"));
}

void DialogTests::dialogShowsTheClickedChannelsValues() {
    ChannelProperties dialog;
    auto co2 = defaultDisplay(Channel::CO2);
    QString title, name, minimum, maximum, unit, format;
    int colour = -2;
    whenShown(&dialog, [&] {
        title = dialog.windowTitle();
        name = dialog.nameEdit()->text();
        minimum = dialog.minimumEdit()->text();
        maximum = dialog.maximumEdit()->text();
        unit = dialog.unitEdit()->text();
        format = dialog.formatEdit()->text();
        colour = dialog.colourList()->currentIndex();
        dialog.cancelButton()->click();
    });
    QVERIFY(!dialog.editChannel(co2));
    QCOMPARE(title, QStringLiteral("Settings CO2"));
    QCOMPARE(name, QStringLiteral("CO2"));
    QCOMPARE(minimum, QStringLiteral("0"));
    QCOMPARE(maximum, QStringLiteral("25"));
    QCOMPARE(unit, QStringLiteral("%"));
    QCOMPARE(format, QStringLiteral("0.0"));
    QCOMPARE(colour, 2); // clBlue
}

void DialogTests::changingOnlyNameUnitFormatOrColourShowsNoRestartMessage() {
    ChannelProperties dialog;
    QStringList messages;
    dialog.showMessage = [&](const QString& m) { messages << m; };
    auto o2 = defaultDisplay(Channel::O2);
    whenShown(&dialog, [&] {
        dialog.nameEdit()->setText("Oxygen");
        dialog.unitEdit()->setText("Vol%");
        dialog.formatEdit()->setText("0.00");
        dialog.colourList()->setCurrentIndex(11);
        dialog.okButton()->click();
    });
    QVERIFY(dialog.editChannel(o2));
    QVERIFY(messages.isEmpty());
    QCOMPARE(o2.settings.colour, 0x0000FFu);
}

void DialogTests::changingTheMinimumTextShowsTheRestartMessageEvenForTheSameValue() {
    ChannelProperties dialog;
    QStringList messages;
    dialog.showMessage = [&](const QString& m) { messages << m; };
    auto o2 = defaultDisplay(Channel::O2);
    whenShown(&dialog, [&] {
        dialog.minimumEdit()->setText("00");
        dialog.okButton()->click();
    });
    QVERIFY(dialog.editChannel(o2));
    QCOMPARE(messages, QStringList{"Restart program before changes are taking effect."});
    QCOMPARE(o2.settings.minimum, 0.0f);
}

void DialogTests::okAppliesEveryFieldAndLabelsLoseTheTrailingBlank() {
    ChannelProperties dialog;
    dialog.showMessage = [](const QString&) {};
    auto o2 = defaultDisplay(Channel::O2);
    QCOMPARE(QString::fromStdString(o2.label), QStringLiteral("O2 [%] "));
    whenShown(&dialog, [&] {
        dialog.nameEdit()->setText("Oxygen");
        dialog.minimumEdit()->setText("2");
        dialog.maximumEdit()->setText("15");
        dialog.okButton()->click();
    });
    QVERIFY(dialog.editChannel(o2));
    QCOMPARE(QString::fromStdString(o2.label), QStringLiteral("Oxygen [%]"));
    QCOMPARE(QString::fromStdString(o2.minLabel), QStringLiteral("2"));
    QCOMPARE(QString::fromStdString(o2.maxLabel), QStringLiteral("15"));
    QCOMPARE(o2.settings.maximum, 15.0f);
    QCOMPARE(QString::fromStdString(o2.settings.displayName), QStringLiteral("Oxygen"));
    QCOMPARE(QString::fromStdString(o2.settings.firstName), QStringLiteral("O2"));
}

void DialogTests::cancelAppliesNothing() {
    ChannelProperties dialog;
    auto tr = defaultDisplay(Channel::TR);
    const auto before = tr.settings;
    whenShown(&dialog, [&] {
        dialog.nameEdit()->setText("Room");
        dialog.maximumEdit()->setText("80");
        dialog.colourList()->setCurrentIndex(0);
        dialog.cancelButton()->click();
    });
    QVERIFY(!dialog.editChannel(tr));
    QCOMPARE(tr.settings.displayName, before.displayName);
    QCOMPARE(tr.settings.maximum, before.maximum);
    QCOMPARE(tr.settings.colour, before.colour);
}

void DialogTests::silverSelectsTheLaterOfItsTwoPositions() {
    QCOMPARE(colourTablePosition(0xC0C0C0).value_or(-1), 12);
    ChannelProperties dialog;
    auto co = defaultDisplay(Channel::CO); // silver
    int selected = -1;
    whenShown(&dialog, [&] {
        selected = dialog.colourList()->currentIndex();
        dialog.cancelButton()->click();
    });
    dialog.editChannel(co);
    QCOMPARE(selected, 12);
}

void DialogTests::colourNotInTheTableIsKeptWhateverWasOpenedBefore() {
    ChannelProperties dialog;
    dialog.showMessage = [](const QString&) {};
    auto no = defaultDisplay(Channel::NO); // navy, position 8
    whenShown(&dialog, [&] { dialog.cancelButton()->click(); });
    dialog.editChannel(no);

    auto tg = defaultDisplay(Channel::TG); // gray, not in the table
    int selected = -2;
    whenShown(&dialog, [&] {
        selected = dialog.colourList()->currentIndex();
        dialog.maximumEdit()->setText("600");
        dialog.okButton()->click();
    });
    QVERIFY(dialog.editChannel(tg));
    QCOMPARE(selected, -1);
    QCOMPARE(tg.settings.maximum, 600.0f);
    QCOMPARE(tg.settings.colour, 0x808080u);

    // A colour the user picks is applied.
    whenShown(&dialog, [&] {
        dialog.colourList()->setCurrentIndex(0);
        dialog.okButton()->click();
    });
    QVERIFY(dialog.editChannel(tg));
    QCOMPARE(tg.settings.colour, 0xFFFF00u);
}

void DialogTests::nonNumericMinimumStopsApplyingAfterTheName() {
    ChannelProperties dialog;
    QStringList errors;
    dialog.showMessage = [](const QString&) {};
    dialog.showError = [&](const QString& e) { errors << e; };
    auto co = defaultDisplay(Channel::CO);
    whenShown(&dialog, [&] {
        dialog.nameEdit()->setText("Carbon monoxide");
        dialog.minimumEdit()->setText("abc");
        dialog.unitEdit()->setText("ppb");
        dialog.okButton()->click();
    });
    dialog.editChannel(co);
    QCOMPARE(errors, QStringList{"'abc' is not a valid integer value"});
    QCOMPARE(QString::fromStdString(co.settings.displayName), QStringLiteral("Carbon monoxide"));
    QCOMPARE(QString::fromStdString(co.settings.unit), QStringLiteral("ppm"));
    QCOMPARE(co.settings.minimum, 0.0f);
}

void DialogTests::nonNumericMaximumKeepsTheNewMinimum() {
    ChannelProperties dialog;
    QStringList errors;
    dialog.showMessage = [](const QString&) {};
    dialog.showError = [&](const QString& e) { errors << e; };
    auto co = defaultDisplay(Channel::CO);
    whenShown(&dialog, [&] {
        dialog.minimumEdit()->setText("10");
        dialog.maximumEdit()->setText("4000.5");
        dialog.okButton()->click();
    });
    dialog.editChannel(co);
    QCOMPARE(errors.size(), 1);
    QCOMPARE(co.settings.minimum, 10.0f);
    QCOMPARE(co.settings.maximum, 4000.0f);
}

void DialogTests::intervalsAndPortEntries() {
    QCOMPARE(intervalPosition(60), 5);
    QCOMPARE(intervalPosition(7), 0);
    QCOMPARE(intervalPosition(0), 0);
    QCOMPARE(portNumberOfEntry("COM12").value_or(-1), 12);
    QVERIFY(!portNumberOfEntry("COM").has_value());
    QCOMPARE(QString::fromStdString(portEntry(3)), QStringLiteral("COM3"));
}

namespace {
SetupServices servicesWithPorts(std::map<int, PortStatus> ports, FakeProgress* progress,
                                int* meanResets = nullptr, int* timerMs = nullptr) {
    SetupServices s;
    s.probe = [ports](int port) {
        const auto it = ports.find(port);
        if (it == ports.end()) {
            return PortProbeResult{PortStatus::NoDevice, {}};
        }
        return PortProbeResult{it->second, "/dev/ttyTEST" + std::to_string(port)};
    };
    s.progress = progress;
    s.resetMeanValues = [meanResets] {
        if (meanResets) {
            ++*meanResets;
        }
    };
    s.setRecordingInterval = [timerMs](int ms) {
        if (timerMs) {
            *timerMs = ms;
        }
    };
    return s;
}
} // namespace

void DialogTests::probeListsOpenablePortsAndPreselectsTheCurrentOne() {
    GeneralSettings settings;
    settings.comPort = 3;
    FakeProgress progress;
    TSetupFrm dialog(settings, servicesWithPorts({{1, PortStatus::Opened},
                                                  {2, PortStatus::Busy},
                                                  {3, PortStatus::Opened}},
                                                 &progress));
    dialog.ProbePorts();
    dialog.prepareControls();
    QCOMPARE(dialog.portList()->count(), 2);
    QCOMPARE(dialog.portList()->itemText(0), QStringLiteral("COM1"));
    QCOMPARE(dialog.portList()->itemText(1), QStringLiteral("COM3"));
    QCOMPARE(dialog.portList()->currentText(), QStringLiteral("COM3"));
    QCOMPARE(dialog.devicePathLabel()->text(), QStringLiteral("/dev/ttyTEST3"));
    QVERIFY(progress.hidden);
    QVERIFY(!progress.shown);
}

void DialogTests::missingCurrentPortPreselectsTheFirst() {
    GeneralSettings settings;
    settings.comPort = 5;
    FakeProgress progress;
    TSetupFrm dialog(settings, servicesWithPorts({{2, PortStatus::Opened}, {9, PortStatus::Opened}},
                                                 &progress));
    whenShown(&dialog, [&] { dialog.okButton()->click(); });
    QCOMPARE(dialog.execSetup(), int(QDialog::Accepted));
    QCOMPARE(settings.comPort, 2);
}

void DialogTests::permissionDeniedPortsAreExplained() {
    GeneralSettings settings;
    FakeProgress progress;
    TSetupFrm dialog(settings,
                     servicesWithPorts({{33, PortStatus::PermissionDenied}}, &progress));
    dialog.ProbePorts();
    QCOMPARE(dialog.portList()->count(), 0);
    QVERIFY(!dialog.permissionLabel()->isHidden());
    QVERIFY(dialog.permissionLabel()->text().contains("COM33 (/dev/ttyTEST33)"));
    QVERIFY(dialog.permissionLabel()->text().contains("dialout"));
}

void DialogTests::unlistedIntervalShowsOneSecondAndOkSetsIt() {
    GeneralSettings settings;
    settings.interval = 7;
    FakeProgress progress;
    int timerMs = -1;
    TSetupFrm dialog(settings, servicesWithPorts({{1, PortStatus::Opened}}, &progress, nullptr,
                                                 &timerMs));
    QString shown;
    whenShown(&dialog, [&] {
        shown = dialog.intervalList()->currentText();
        dialog.okButton()->click();
    });
    dialog.execSetup();
    QCOMPARE(shown, QStringLiteral("1 s"));
    QCOMPARE(settings.interval, 1);
    QCOMPARE(timerMs, 1000);
}

void DialogTests::meanValueBoxResetsMeansOnEveryChangeAlsoWhenCancelled() {
    GeneralSettings settings;
    settings.useMeanValue = false;
    FakeProgress progress;
    int resets = 0;
    TSetupFrm dialog(settings, servicesWithPorts({}, &progress, &resets));
    whenShown(&dialog, [&] {
        dialog.meanValueBox()->click();
        dialog.meanValueBox()->click();
        dialog.decimalsBox()->click();
        dialog.cancelButton()->click();
    });
    QCOMPARE(dialog.execSetup(), int(QDialog::Rejected));
    QCOMPARE(resets, 2);
    QVERIFY(!settings.useMeanValue);
    QVERIFY(!settings.tgasDecimals);

    // Setting the box on opening counts as a change too.
    settings.useMeanValue = true;
    resets = 0;
    whenShown(&dialog, [&] { dialog.okButton()->click(); });
    dialog.execSetup();
    QCOMPARE(resets, 1);
    QVERIFY(settings.useMeanValue);
}

void DialogTests::okWithAnEmptyPortListKeepsThePort() {
    GeneralSettings settings;
    settings.comPort = 4;
    FakeProgress progress;
    TSetupFrm dialog(settings, servicesWithPorts({}, &progress));
    whenShown(&dialog, [&] {
        dialog.intervalList()->setCurrentIndex(3);
        dialog.decimalsBox()->setChecked(true);
        dialog.okButton()->click();
    });
    dialog.execSetup();
    QCOMPARE(settings.comPort, 4);
    QCOMPARE(settings.interval, 10);
    QVERIFY(settings.tgasDecimals);
}

void DialogTests::lastCounterTextReadsTeste255Von255() {
    GeneralSettings settings;
    FakeProgress progress;
    TSetupFrm dialog(settings, servicesWithPorts({}, &progress));
    dialog.ProbePorts();
    QCOMPARE(progress.steps, 255);
    QCOMPARE(progress.lastText, QStringLiteral("Teste 255 von 255"));
    QCOMPARE(progress.lastPosition, 255);
}

void DialogTests::probingKeepsTheEventLoopRunning() {
    GeneralSettings settings;
    FakeProgress progress;
    TSetupFrm dialog(settings, servicesWithPorts({}, &progress));
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    dialog.ProbePorts();
    // 255 gaps of 3 ms: a timer of 20 ms must have fired meanwhile (paint events would too).
    QVERIFY2(ticks > 0, "the probe blocked the event loop");
}

// A device tree with one adapter (on /dev/null, a character device like any tty), chosen by a
// click; then the search over the listed ports, where nothing talks.
void DialogTests::choosingAnAdapterLinksItsComNumberAndTheSearchSaysWhatItFound() {
    namespace fs = std::filesystem;
    QTemporaryDir tmp;
    const fs::path root = tmp.path().toStdString();
    const fs::path stable = root / "dev/serial/by-id/usb-Vantro_Kesto_Link_0042-if00-port0";
    fs::create_directories(stable.parent_path());
    fs::create_directories(root / "run/udev/data");
    fs::create_symlink("/dev/null", stable);
    std::ofstream(root / "run/udev/data/c1:3")
        << "E:ID_VENDOR_ENC=Vantro\nE:ID_MODEL=Kesto_Link\nE:ID_SERIAL_SHORT=0042\n";
    GeneralSettings settings;
    FakeProgress progress;
    SetupServices services = servicesWithPorts({{1, PortStatus::Opened}}, &progress);
    services.portMap = PortMap(root / "dosdevices");
    services.deviceFolders.root = root;
    TSetupFrm dialog(settings, services);
    dialog.ProbePorts();
    dialog.prepareControls();
    QListWidget* list = dialog.adapterList();
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QStringLiteral("Vantro Kesto Link (0042)"));
    dialog.show();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0)).center());

    const int port = portNumberOfEntry(dialog.portList()->currentText().toStdString()).value_or(0);
    QCOMPARE(fs::read_symlink(services.portMap->linkPath(port)), stable);
    QCOMPARE(list->item(0)->text(),
             "Vantro Kesto Link (0042)  \u2013  COM" + QString::number(port));
    QCOMPARE(dialog.devicePathLabel()->text(),
             QString::fromStdString(stable.string()) + "\n\u2192 /dev/null");
    dialog.applyOk();
    QCOMPARE(settings.comPort, port);

    QTest::mouseClick(dialog.searchButton(), Qt::LeftButton);
    QVERIFY(!dialog.searchButton()->isEnabled()); // answered later, from the event loop
    QTRY_COMPARE_WITH_TIMEOUT(dialog.searchStatusLabel()->text(),
                              QStringLiteral("No analyzer found on any port."), 4000);
    QVERIFY(dialog.searchButton()->isEnabled());
}

QTEST_MAIN(DialogTests)
#include "DialogsTest.moc"
