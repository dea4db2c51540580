#include "app/uMainFrm.h"

#include "app/LimitAlarmBinding.h"
#include "app/LivePage.h"
#include "app/LiveTrends.h"
#include "app/ProgramInfo.h"
#include "app/RecordingBinding.h"
#include "app/uVersionFrm.h"
#include "config/ChannelProperties.h"
#include "config/ui/uFortschrittFrm.h"
#include "config/ui/uPropertyFrm.h"
#include "config/ui/uSetupFrm.h"
#include "review/ui/uViewFrm.h"
#include "widgets/BigDisplayGrid.h"
#include "widgets/PageControl.h"
#include "widgets/QtText.h"
#include "widgets/TrendPrint.h"
#include "widgets/TrendRecorder.h"
#include "widgets/UiFonts.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace kesto {

namespace {

constexpr int kClientWidth = 710;
constexpr int kClientHeight = 590;
constexpr int kMinimumWidth = 690;
constexpr int kMinimumHeight = 590;
constexpr int kStatusBarHeight = 21;

// Blanks around every page caption: they give the tabs the width the page layout is made for.
const QString kTabPadding(7, QLatin1Char(' '));

} // namespace

TMainFrm::TMainFrm(ProgramServices& services, QWidget* parent)
    : QMainWindow(parent), services_(services), alarm_(services.beeper(), this),
      acquisition_(std::make_unique<LiveAcquisition>(services.clock(), services.link(),
                                                     messagesProxy_, alarm_)),
      settings_(services.store(), *acquisition_) {
    setObjectName("MainFrm");
    services_.attach(*acquisition_);

    setWindowTitle(QStringLiteral("Vantro Kesto V" KESTO_VERSION));
    setFont(layoutFont("MS Sans Serif", 8));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    createMenu();
    createPages();
    viewing_ = new ViewerCommands(this, settings_.general(), Datenanschauen1, ViewMMCdata1, this);

    auto* status = new QStatusBar(this);
    status->setObjectName("StatusBar1");
    status->setSizeGripEnabled(false);
    status->setFixedHeight(kStatusBarHeight);
    StatusPanel = new QLabel(status);
    StatusPanel->setObjectName("StatusBar1Panel");
    status->addWidget(StatusPanel, 1);
    setStatusBar(status);

    setMinimumSize(kMinimumWidth, kMinimumHeight);
    resize(kClientWidth, kClientHeight);
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        move(area.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
    }

    createTimers();
    recording_ = new RecordingBinding(
        {this, Datenaufzeichnen1, LOGTimer, live_->intervalLabel(),
         [this](const QString& text) { ShowStatus(text); }, &language_},
        *acquisition_, settings_.general(), messagesProxy_, this);
    limits_ = new LimitAlarmBinding(acquisition_->display(), messagesProxy_, alarm_, language_, this);
    COMTimer->start();
    YTTimer->start();

    updateLiveWidgets();
}

TMainFrm::~TMainFrm() {
    // The secondary windows and the services may outlive this window: nothing of theirs may
    // call back in here.
    setMessagesWindow(nullptr);
    services_.detach();
}

void TMainFrm::createMenu() {
    QMenuBar* bar = menuBar();
    FileMenu = bar->addMenu(QString());
    FileMenu->setObjectName("FileMenu");
    SetupMenu = bar->addMenu(QString());
    SetupMenu->setObjectName("SetupMenu");
    HelpMenu = bar->addMenu(QString());
    HelpMenu->setObjectName("HelpMenu");

    auto add = [this](QMenu* menu, const char* name, bool enabled, void (TMainFrm::*command)()) {
        QAction* a = menu->addAction(QString());
        a->setObjectName(name);
        a->setEnabled(enabled);
        if (command != nullptr) {
            connect(a, &QAction::triggered, this, command);
        }
        return a;
    };
    // "Parameters" is enabled once the setup dialog is attached. The recording and the viewer's
    // commands bind their own.
    Datenaufzeichnen1 = add(FileMenu, "Datenaufzeichnen1", true, nullptr);
    Datenanschauen1 = add(FileMenu, "Datenanschauen1", false, nullptr);
    FileMenu->addSeparator();
    ViewMMCdata1 = add(FileMenu, "ViewMMCdata1", false, nullptr);
    FileMenu->addSeparator();
    Druckerauswhlen1 = add(FileMenu, "Druckerauswhlen1", true, &TMainFrm::Druckerauswhlen1Click);
    Diagrammdrucken1 = add(FileMenu, "Diagrammdrucken1", true, &TMainFrm::Diagrammdrucken1Click);
    FileMenu->addSeparator();
    Beenden1 = add(FileMenu, "Beenden1", true, &TMainFrm::Beenden1Click);
    Kommunikation1 = add(SetupMenu, "Kommunikation1", false, &TMainFrm::Kommunikation1Click);
    Version1 = add(HelpMenu, "Version1", true, &TMainFrm::Version1Click);
}

void TMainFrm::createPages() {
    auto* central = new QWidget(this);
    central->setObjectName("CentralPanel");
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* strip = new QWidget(central);
    strip->setObjectName("Panel1");
    strip->setFixedHeight(2);
    strip->setAutoFillBackground(true);
    layout->addWidget(strip);

    PageControl1 = new PageControl(central);
    PageControl1->setObjectName("PageControl1");
    layout->addWidget(PageControl1, 1);
    setCentralWidget(central);

    for (std::size_t i = 0; i < TabSheets.size(); ++i) {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("TabSheet%1").arg(i + 1));
        page->setAutoFillBackground(true);
        TabSheets[i] = page;
        PageControl1->addTab(page, QString());
    }
    live_ = new LivePage(TabSheets[0], *acquisition_, this);
    connect(live_, &LivePage::channelClicked, this, &TMainFrm::EditPropertyClick);
    connect(live_, &LivePage::logoClicked, this, &TMainFrm::Image1Click);
    trends_ =
        new LiveTrends({TabSheets[1], TabSheets[2], TabSheets[3]}, acquisition_->clock(), this);
    auto* bigLayout = new QVBoxLayout(TabSheets[4]);
    bigLayout->setContentsMargins(0, 0, 0, 0);
    StringGrid1 = new BigDisplayGrid(TabSheets[4]);
    StringGrid1->setObjectName("StringGrid1");
    bigLayout->addWidget(StringGrid1);
}

void TMainFrm::createTimers() {
    auto timer = [this](const char* name, void (TMainFrm::*handler)()) {
        auto* t = new QTimer(this);
        t->setObjectName(name);
        t->setInterval(kTimerIntervalMs);
        if (handler != nullptr) {
            connect(t, &QTimer::timeout, this, handler);
        }
        return t;
    };
    COMTimer = timer("COMTimer", &TMainFrm::COMTimerGetData);
    connect(alarm_.timer(), &QTimer::timeout, this, &TMainFrm::Timer1Timer);
    YTTimer = timer("YTTimer", &TMainFrm::YTTimerTimer);
    // Recording drives this timer; until an interval is confirmed its period is 0 s.
    LOGTimer = timer("LOGTimer", nullptr);
    LOGTimer->setInterval(0);
}

void TMainFrm::setMessagesWindow(TMessageFrm* messages) {
    if (TMessageFrm* old = messagesProxy_.window()) {
        disconnect(old, nullptr, this, nullptr);
    }
    messagesProxy_.attach(messages, acquisition_->decoder());
    if (messages != nullptr) {
        // Hiding the messages window, however it happens, silences the no-data alarm.
        connect(messages, &TMessageFrm::hidden, this, [this] { alarm_.setAlarmTimer(false); });
    }
}

void TMainFrm::setVersionWindow(TVersionFrm* version) {
    attach(version_, version);
    if (version != nullptr) {
        version->setTitleSource(this);
    }
}

void TMainFrm::setProgressWindow(TFortschrittFrm* progress) {
    attach(progress_, progress);
    if (setup_ != nullptr) {
        setup_->setProbeProgress(progress);
    }
}

void TMainFrm::setPropertyDialog(ChannelProperties* properties) {
    attach(properties_, properties);
}

void TMainFrm::setSetupDialog(TSetupFrm* setup) {
    attach(setup_, setup);
    Kommunikation1->setEnabled(setup_ != nullptr);
}

void TMainFrm::setViewerWindow(TViewFrm* viewer) {
    attach(viewer_, viewer);
    viewing_->setViewerWindow(viewer);
    if (viewer != nullptr) {
        viewer->applyChannelSettings(acquisition_->display());
        viewer->applyLanguage(language_.texts);
    }
}

void TMainFrm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        FormShow();
    }
}

void TMainFrm::FormShow() {
    if (shown_) {
        return;
    }
    shown_ = true;
    live_->setReferenceFields(QString());
    ApplyLanguage();
    PageControl1->setCurrentIndex(0);
    trends_->setMaxRecords(LiveTrends::kMaxRecords);

    settings_.load(language_.channelDefaults);
    live_->showReferences();
    acquisition_->ResetMeanValues();

    // A missing or busy port is not reported: the channels simply stay greyed.
    acquisition_->probeAndOpen(settings_.general().comPort);

    // Number texts need no process-wide separator: the core always writes ".".
    ApplyChannelsToTrends();
    trends_->blankReadOut(0);
    live_->focusFirstEntry();
    recording_->recorder().setIntervalMs(recordingTimerMs(settings_.general().interval));
    updateLiveWidgets();
    showStoreMessages();
}

void TMainFrm::showStoreMessages() {
    // A settings file that had to be set aside: say so, without holding up the start.
    QStringList lines;
    for (const auto& m : settings_.takeMessages()) {
        lines << qs(m);
    }
    if (lines.isEmpty()) {
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), lines.join('\n'),
                                QMessageBox::Ok, this);
    box->setObjectName("SettingsMessageBox");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void TMainFrm::closeEvent(QCloseEvent* event) {
    if (!shutDown_ && !mayInterrupt_()) {
        event->ignore();
        return;
    }
    FormHide();
    event->accept();
    emit closed();
}

void TMainFrm::FormHide() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    // No command of any menu may start anything while the program ends (the waits below run).
    for (QMenu* menu : menuBar()->findChildren<QMenu*>()) {
        for (QAction* action : menu->actions()) {
            action->setEnabled(false);
        }
    }
    viewing_->close();
    const std::optional<std::string> saveError = shown_ ? settings_.save() : std::nullopt;
    // Whether or not the settings were saved, the port is closed.
    COMTimer->stop();
    YTTimer->stop();
    alarm_.close();
    // An XLS recording gets its end record before the port closes.
    recording_->finishForShutdown();
    acquisition_->CloseAnalyzerPort();
    if (saveError) {
        const QString text = QStringLiteral("The settings could not be saved: ") + qs(*saveError);
        std::fprintf(stderr, "kesto: %s\n", qPrintable(text));
        if (isVisible()) {
            QMessageBox::critical(this, windowTitle(), text);
        }
    }
}

void TMainFrm::ApplyLanguage() {
    const std::uint16_t id = services_.options().languageId.value_or(systemLanguageId());
    ShowStatus(QStringLiteral("LID:") + QStringLiteral("%1").arg(id, 4, 16, QChar('0')).toUpper() +
               QStringLiteral("h"));
    ShowStatus(qs(languageIdStatusText(id)));

    languageFile_ = services_.languageFile(id);
    language_ = loadLanguage(languageFile_);
    const LanguageTexts& t = language_.texts;
    acquisition_->portMessages() = {t.portOpened, t.portReopened};

    FileMenu->setTitle(qs(t.file));
    SetupMenu->setTitle(qs(t.setup));
    HelpMenu->setTitle(qs(t.help));
    recording_->updateCaption();
    const std::pair<QAction*, QString> captions[]{
        {Datenanschauen1, qs(t.viewDataRecording) + "..."}, {ViewMMCdata1, qs(t.viewMmc)},
        {Druckerauswhlen1, qs(t.changePrinter) + "..."},   {Diagrammdrucken1, qs(t.printDiagram)},
        {Beenden1, qs(t.quit)},                            {Kommunikation1, qs(t.parameters)},
        {Version1, qs(t.version)}};
    for (const auto& [action, caption] : captions) {
        action->setText(caption);
    }

    const std::array<const std::string*, 5> pages{&t.actual, &t.diagram1, &t.diagram2,
                                                  &t.diagram3, &t.bigDisplay};
    for (std::size_t i = 0; i < pages.size(); ++i) {
        PageControl1->setTabText(static_cast<int>(i), kTabPadding + qs(*pages[i]) + kTabPadding);
    }
    trends_->applyLanguage(t);
    StringGrid1->setAccessibleName(qs(t.bigDisplay));
    emit languageApplied(t);

    LiveDisplay& display = acquisition_->display();
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        applyDefaults(display[i], channelAt(i), language_.channelDefaults[i]);
    }
    live_->setReferenceFields(QString());
    live_->applyLanguage(t);
    updateLiveWidgets();
}

void TMainFrm::COMTimerGetData() {
    if (shutDown_) {
        return;
    }
    acquisition_->COMTimerGetData();
    limits_->COMTimerGetData();
    // The refresh puts "3.0" into an entry that is not a number.
    live_->showReferences();
    updateLiveWidgets();
    emit displayRefreshed();
}

void TMainFrm::YTTimerTimer() {
    trends_->YTTimerTimer(acquisition_->display());
}

void TMainFrm::updateLiveWidgets() {
    live_->refresh();
    StringGrid1->setCells(acquisition_->bigDisplay());
    StringGrid1->showAlarms(acquisition_->display(), language_.texts);
    if (TMessageFrm* messages = messagesProxy_.window()) {
        messages->showCounters(acquisition_->decoder().counters());
    }
}

void TMainFrm::EditPropertyClick(const QString& key) {
    emit channelPropertiesRequested(key);
    const auto channel = channelFromKey(key.toStdString());
    if (properties_ != nullptr && channel) {
        properties_->editChannel(acquisition_->display()[index(*channel)]);
        updateLiveWidgets();
    }
    // After OK and after Cancel alike.
    ApplyChannelsToTrends();
}

void TMainFrm::ApplyChannelsToTrends() {
    trends_->ApplyChannelsToTrends(acquisition_->display());
    if (viewer_ != nullptr) {
        viewer_->applyChannelSettings(acquisition_->display());
    }
}

void TMainFrm::Kommunikation1Click() {
    if (setup_ == nullptr || !mayInterrupt_()) {
        return;
    }
    recording_->recorder().pauseForSetup();
    acquisition_->CloseAnalyzerPort();
    setup_->execSetup();
    if (shutDown_) {
        return; // the program was ended (a signal, the session) while the dialog was open
    }
    settings_.handOver();
    // A running recording goes on whether or not the port opens again: without a port it
    // records 0 for the channels without a value.
    recording_->recorder().resumeAfterSetup();
    if (const auto error = acquisition_->OpenAnalyzerPort(settings_.general().comPort)) {
        QMessageBox::critical(this, windowTitle(), qs(*error));
        acquisition_->markPortLost(); // tried again quietly until it opens
    }
    // The live trends start afresh after the dialog, whether or not the port opened.
    trends_->clearRecords();
}

void TMainFrm::Druckerauswhlen1Click() {
    printing().choosePrinter(this);
}

void TMainFrm::Diagrammdrucken1Click() {
    printing().printDiagram(this, *trends_->trendForPage(PageControl1->currentIndex()));
}

void TMainFrm::Image1Click() {
    if (TMessageFrm* messages = messagesProxy_.window()) {
        messages->show();
        messages->raise();
        messages->activateWindow();
    }
}

void TMainFrm::Version1Click() {
    if (version_ != nullptr) {
        version_->exec();
    }
}

} // namespace kesto
