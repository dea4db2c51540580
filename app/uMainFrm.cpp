#include "app/uMainFrm.h"

#include "serial/AnalyzerPort.h"
#include "widgets/BarGauge.h"
#include "widgets/BigDisplayGrid.h"
#include "config/ChannelProperties.h"
#include "app/LiveTrends.h"
#include "recording/ui/MmcCommand.h"
#include "config/ProgramFolders.h"
#include "app/ProgramInfo.h"
#include "app/RecordingBinding.h"
#include "acquisition/SpokenText.h"
#include "platform/qt/ToneBeeper.h"
#include "widgets/TrendPrint.h"
#include "widgets/TrendRecorder.h"
#include "widgets/PageControl.h"
#include "widgets/UiFonts.h"
#include "config/ui/uFortschrittFrm.h"
#include "recording/ui/uMMCToCSVFrm.h"
#include "acquisition/ui/uMessageForm.h"
#include "config/ui/uPropertyFrm.h"
#include "config/ui/uSetupFrm.h"
#include "app/uVersionFrm.h"
#include "review/ui/uViewFrm.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <qdrawutil.h>

namespace kesto {

namespace {

// Live page geometry, pixels from the page's top left.
constexpr int kRowTop = 8;
constexpr int kRowStep = 24;
constexpr int kRowHeight = 21;
constexpr int kNameLabelX = 8;
constexpr int kNameLabelWidth = 80;
constexpr int kMinLabelRight = 126; // right-aligned text ends here
constexpr int kMinLabelWidth = 38;
constexpr int kBarX = 136;
constexpr int kBarWidth = 281;
constexpr int kMaxLabelX = 424;
constexpr int kMaxLabelWidth = 52;
constexpr int kEditX = 480;
constexpr int kEditWidth = 41;
constexpr int kUnitLabelX = 528;
constexpr int kUnitLabelWidth = 38;
constexpr int kCheckBoxX = 568;
constexpr int kCheckBoxWidth = 130;
constexpr QRect kImageRect{502, 8, 187, 113};
constexpr QPoint kIntervalLabelPos{600, 8};

constexpr int kClientWidth = 710;
constexpr int kClientHeight = 590;
constexpr int kMinimumWidth = 690;
constexpr int kMinimumHeight = 590;
constexpr int kStatusBarHeight = 21;

// Blanks around every page caption: they give the tabs the width the page layout is made for.
const QString kTabPadding(7, QLatin1Char(' '));

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

int rowTop(std::size_t row) {
    return kRowTop + static_cast<int>(row) * kRowStep;
}

bool setTextIfChanged(QLabel* label, const QString& text) {
    if (label->text() == text) {
        return false;
    }
    label->setText(text);
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------

// The acquisition is built with the main window, before the messages window exists; it talks
// to whatever messages window is attached later, and to a hidden one until then.
class TMainFrm::MessagesProxy final : public MessageWindow {
public:
    QPointer<TMessageFrm> target;

    bool isVisible() const override { return target && target->isVisible(); }
    void addMessage(std::string_view text) override {
        if (target) {
            target->addMessage(text);
        }
    }
    bool writeToLogfile() const override { return target && target->writeToLogfile(); }
    void showFrame(std::string_view ruler, std::string_view line, int hexDigits) override {
        if (target) {
            target->showFrame(ruler, line, hexDigits);
        }
    }
};

TMainFrm::TMainFrm(MainFrmOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)),
      messagesProxy_(std::make_unique<MessagesProxy>()) {
    setObjectName("MainFrm");
    const Clock* clock = options_.clock;
    if (clock == nullptr) {
        ownClock_ = std::make_unique<SystemClock>();
        clock = ownClock_.get();
    }
    SerialLink* link = options_.link;
    if (link == nullptr) {
        ownPort_ = std::make_unique<AnalyzerPort>();
        link = ownPort_.get();
    }
    store_ = options_.store;
    if (store_ == nullptr) {
        ownStore_ = std::make_unique<RegistryFileStore>(defaultRegistryFilePath());
        store_ = ownStore_.get();
    }
    printing_ = options_.printing;
    if (printing_ == nullptr) {
        ownPrinting_ = std::make_unique<TrendPrinting>();
        printing_ = ownPrinting_.get();
    }
    progressAdapter_ = std::make_unique<ProgressAdapter>(*this);
    beeper_ = options_.beeper;
    if (beeper_ == nullptr) {
        ownBeeper_ = std::make_unique<ToneBeeper>();
        beeper_ = ownBeeper_.get();
    }
    acquisition_ = std::make_unique<LiveAcquisition>(*clock, *link, *messagesProxy_, *this);
    if (ownPort_) {
        ownPort_->setBytesHandler(
            [this](std::span<const std::uint8_t> bytes) { acquisition_->onBytes(bytes); });
        ownPort_->setQuietHandler([this] { acquisition_->onLineQuiet(); });
        // A port that fails while open (adapter pulled out) is reopened when it comes back.
        connect(
            ownPort_.get(), &AnalyzerPort::connectionLost, this,
            [this](const QString& message) { acquisition_->markPortLost(message.toStdString()); });
    }

    setWindowTitle(QStringLiteral("Vantro Kesto V" KESTO_VERSION));
    setFont(layoutFont("MS Sans Serif", 8));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    createMenu();
    createPages();

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

    COMTimer = new QTimer(this);
    COMTimer->setObjectName("COMTimer");
    COMTimer->setInterval(kTimerIntervalMs);
    connect(COMTimer, &QTimer::timeout, this, &TMainFrm::COMTimerGetData);
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kTimerIntervalMs);
    connect(Timer1, &QTimer::timeout, this, &TMainFrm::Timer1Timer);
    YTTimer = new QTimer(this);
    YTTimer->setObjectName("YTTimer");
    YTTimer->setInterval(kTimerIntervalMs);
    connect(YTTimer, &QTimer::timeout, this, &TMainFrm::YTTimerTimer);
    // Recording drives this timer; until an interval is confirmed its period is 0 s.
    LOGTimer = new QTimer(this);
    LOGTimer->setObjectName("LOGTimer");
    recording_ = new RecordingBinding(*this, Datenaufzeichnen1, LOGTimer, Label10, *messagesProxy_);
    COMTimer->start();
    YTTimer->start();

    updateLiveWidgets();
}

TMainFrm::~TMainFrm() {
    // The secondary windows may outlive this one: nothing of theirs may call back in here.
    if (messages_ != nullptr && messagesProxy_->target) {
        disconnect(messages_, nullptr, this, nullptr);
        acquisition_->decoder().setFrameLog(nullptr);
    }
    messagesProxy_->target = nullptr;
    if (ownPort_) {
        ownPort_->setBytesHandler({});
        ownPort_->setQuietHandler({});
    }
}

void TMainFrm::createMenu() {
    QMenuBar* bar = menuBar();
    FileMenu = bar->addMenu(QString());
    FileMenu->setObjectName("FileMenu");
    SetupMenu = bar->addMenu(QString());
    SetupMenu->setObjectName("SetupMenu");
    HelpMenu = bar->addMenu(QString());
    HelpMenu->setObjectName("HelpMenu");

    auto add = [](QMenu* menu, const char* name, bool enabled) {
        QAction* a = menu->addAction(QString());
        a->setObjectName(name);
        a->setEnabled(enabled);
        return a;
    };
    // "View data...", "Parameters" and "View MMC data..." are enabled once the viewer, the setup
    // dialog and the conversion window are attached.
    Datenaufzeichnen1 = add(FileMenu, "Datenaufzeichnen1", true);
    Datenanschauen1 = add(FileMenu, "Datenanschauen1", false);
    FileMenu->addSeparator();
    ViewMMCdata1 = add(FileMenu, "ViewMMCdata1", false);
    FileMenu->addSeparator();
    Druckerauswhlen1 = add(FileMenu, "Druckerauswhlen1", true);
    Diagrammdrucken1 = add(FileMenu, "Diagrammdrucken1", true);
    FileMenu->addSeparator();
    Beenden1 = add(FileMenu, "Beenden1", true);
    Kommunikation1 = add(SetupMenu, "Kommunikation1", false);
    Version1 = add(HelpMenu, "Version1", true);
    connect(Beenden1, &QAction::triggered, this, &TMainFrm::Beenden1Click);
    connect(Version1, &QAction::triggered, this, &TMainFrm::Version1Click);
    connect(Kommunikation1, &QAction::triggered, this, &TMainFrm::Kommunikation1Click);
    connect(ViewMMCdata1, &QAction::triggered, this, &TMainFrm::ViewMMCdata1Click);
    connect(Datenanschauen1, &QAction::triggered, this, &TMainFrm::Datenanschauen1Click);
    connect(Druckerauswhlen1, &QAction::triggered, this, &TMainFrm::Druckerauswhlen1Click);
    connect(Diagrammdrucken1, &QAction::triggered, this, &TMainFrm::Diagrammdrucken1Click);
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
    createActualPage(TabSheets[0]);
    trends_ =
        new LiveTrends({TabSheets[1], TabSheets[2], TabSheets[3]}, acquisition_->clock(), this);
    auto* bigLayout = new QVBoxLayout(TabSheets[4]);
    bigLayout->setContentsMargins(0, 0, 0, 0);
    StringGrid1 = new BigDisplayGrid(TabSheets[4]);
    StringGrid1->setObjectName("StringGrid1");
    bigLayout->addWidget(StringGrid1);
}

void TMainFrm::createActualPage(QWidget* page) {
    // The picture first, so that the channel rows stand above it where they meet.
    Image1 = new ClickLabel(page);
    Image1->setObjectName("Image1");
    Image1->setGeometry(kImageRect);
    Image1->setPixmap(QPixmap(":/kesto/app/logo.png"));
    Image1->setAttribute(Qt::WA_TranslucentBackground);
    Image1->setFocusPolicy(Qt::StrongFocus);
    connect(Image1, &ClickLabel::clicked, this, &TMainFrm::Image1Click);

    Label10 = new QLabel(page);
    Label10->setObjectName("Label10");
    Label10->move(kIntervalLabelPos);
    Label10->resize(kImageRect.right() - kIntervalLabelPos.x(), kRowHeight);

    for (std::size_t i = 0; i < kChannelCount; ++i) {
        const Channel channel = channelAt(i);
        const QString key = qs(std::string(channelKey(channel)));
        const int y = rowTop(i);
        ChannelRow& row = rows_[i];

        row.label = new ClickLabel(page);
        row.label->setObjectName(key + "Label");
        row.label->setGeometry(kNameLabelX, y, kNameLabelWidth, kRowHeight);
        row.label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

        row.minLabel = new ClickLabel(page);
        row.minLabel->setObjectName(key + "MinLabel");
        row.minLabel->setGeometry(kMinLabelRight - kMinLabelWidth, y, kMinLabelWidth, kRowHeight);
        row.minLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

        row.bar = new BarGauge(page);
        row.bar->setObjectName(key + "Bar");
        row.bar->setGeometry(kBarX, y, kBarWidth, kRowHeight);
        row.bar->setCursor(Qt::PointingHandCursor);
        connect(row.bar, &BarGauge::clicked, this, &TMainFrm::onComponentClicked);

        row.maxLabel = new ClickLabel(page);
        row.maxLabel->setObjectName(key + "MaxLabel");
        row.maxLabel->setGeometry(kMaxLabelX, y, kMaxLabelWidth, kRowHeight);
        row.maxLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

        // Draught, flow, H2 and S6 open their settings from the bar only.
        for (ClickLabel* l : {row.label, row.minLabel, row.maxLabel}) {
            if (componentOpensProperties(l->objectName().toStdString())) {
                connect(l, &ClickLabel::clicked, this, &TMainFrm::onComponentClicked);
            }
        }
    }

    for (std::size_t e = 0; e < kReferenceEntryCount; ++e) {
        const auto entry = static_cast<ReferenceEntry>(e);
        const int number = referenceWidgetNumber(entry);
        const Channel channel = referenceChannel(entry);
        const int y = rowTop(index(channel));

        auto* edit = new QLineEdit(page);
        edit->setObjectName(QStringLiteral("Edit%1").arg(number));
        edit->setGeometry(kEditX, y, kEditWidth, kRowHeight);
        edits_[e] = edit;
        auto* unit = new QLabel(
            channel == Channel::NO2 ? QStringLiteral("%O2") : QStringLiteral("% O2"), page);
        unit->setObjectName(QStringLiteral("RefUnitLabel%1").arg(number));
        unit->setGeometry(kUnitLabelX, y, kUnitLabelWidth, kRowHeight);
        auto* check = new QCheckBox(page);
        check->setObjectName(QStringLiteral("CheckBox%1").arg(number));
        check->setGeometry(kCheckBoxX, y, kCheckBoxWidth, kRowHeight);
        checkBoxes_[e] = check;

        // The entries are bound to the model: what the user types or ticks is what the next
        // refresh reads and what the settings save writes.
        connect(edit, &QLineEdit::textChanged, this, [this, e](const QString& text) {
            acquisition_->references()[e].text = text.toStdString();
        });
        connect(check, &QCheckBox::toggled, this,
                [this, e](bool on) { acquisition_->references()[e].checked = on; });
        if (number <= 4) {
            edit->installEventFilter(this);
        }
    }
    referencesToWidgets();
    orderLivePageFocus();
}

void TMainFrm::orderLivePageFocus() {
    QWidget* previous = nullptr;
    auto chain = [&previous](QWidget* next) {
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, next);
        }
        previous = next;
    };
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        chain(rows_[i].bar);
        if (i == 0) {
            chain(Image1); // at the right of the first row
        }
        for (std::size_t e = 0; e < kReferenceEntryCount; ++e) {
            if (index(referenceChannel(static_cast<ReferenceEntry>(e))) == i) {
                chain(edits_[e]);
                chain(checkBoxes_[e]);
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------

void TMainFrm::setMessagesWindow(TMessageFrm* messages) {
    if (messages_ != nullptr) {
        disconnect(messages_, nullptr, this, nullptr);
    }
    messages_ = messages;
    messagesProxy_->target = messages;
    acquisition_->decoder().setFrameLog(messages != nullptr ? &messages->frameLog() : nullptr);
    if (messages != nullptr) {
        // Hiding the messages window, however it happens, silences the no-data alarm.
        connect(messages, &TMessageFrm::hidden, this, [this] { setAlarmTimer(false); });
        connect(messages, &QObject::destroyed, this, [this] {
            messages_ = nullptr;
            acquisition_->decoder().setFrameLog(nullptr);
        });
    }
}

void TMainFrm::setVersionWindow(TVersionFrm* version) {
    version_ = version;
    if (version != nullptr) {
        version->setTitleSource(this);
    }
}

void TMainFrm::setProgressWindow(TFortschrittFrm* progress) {
    progress_ = progress;
}

void TMainFrm::setMmcWindow(TMMCtoCSVFrm* window) {
    delete mmcCommand_;
    mmcCommand_ = nullptr;
    if (window != nullptr) {
        mmcCommand_ = new ViewMmcCommand(this, general_, *window, this);
        mmcCommand_->setViewer(recordingViewer_);
        connect(mmcCommand_, &ViewMmcCommand::runningChanged, this, &TMainFrm::updateMmcCommand);
    }
    updateMmcCommand();
}

void TMainFrm::setRecordingViewer(std::function<void(const QString& file)> viewer) {
    recordingViewer_ = std::move(viewer);
    if (mmcCommand_ != nullptr) {
        mmcCommand_->setViewer(recordingViewer_);
    }
    updateMmcCommand();
}

void TMainFrm::updateMmcCommand() {
    ViewMMCdata1->setEnabled(mmcCommand_ != nullptr && mmcCommand_->hasViewer() &&
                             !mmcCommand_->running() && !shutDown_);
}

void TMainFrm::ViewMMCdata1Click() {
    if (ViewMMCdata1->isEnabled()) {
        mmcCommand_->ViewMMCdata1Click();
    }
}

// ---------------------------------------------------------------------------------------------

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
    setReferenceFields(QString());
    ApplyLanguage();
    PageControl1->setCurrentIndex(0);
    trends_->setMaxRecords(LiveTrends::kMaxRecords);

    loadSettings();
    acquisition_->ResetMeanValues();

    // A missing or busy port is not reported: the channels simply stay greyed.
    acquisition_->probeAndOpen(general_.comPort);

    // Number texts need no process-wide separator: the core always writes ".".
    ApplyChannelsToTrends();
    trends_->blankReadOut(0);
    checkBoxes_[index(ReferenceEntry::COPPM)]->setFocus();
    recording_->recorder().setIntervalMs(recordingTimerMs(general_.interval));
    updateLiveWidgets();
    showStoreMessages();
}

void TMainFrm::loadSettings() {
    LoadChannelSettings(*store_, language_.channelDefaults, acquisition_->display());
    LoadReferenceSettings(*store_, acquisition_->references());
    LoadGeneralSettings(*store_, general_);
    referencesToWidgets();
    generalToAcquisition();
}

void TMainFrm::generalToAcquisition() {
    acquisition_->options().tgasDecimals = general_.tgasDecimals;
    acquisition_->options().useMeanValue = general_.useMeanValue;
}

std::optional<QString> TMainFrm::saveSettings() {
    try {
        SaveChannelSettings(*store_, acquisition_->display());
        SaveReferenceSettings(*store_, acquisition_->references());
        SaveGeneralSettings(*store_, general_);
    } catch (const std::exception& e) {
        return QString::fromStdString(e.what());
    }
    return std::nullopt;
}

void TMainFrm::showStoreMessages() {
    // A settings file that had to be set aside: say so, without holding up the start.
    const auto messages = store_->takeMessages();
    if (messages.empty()) {
        return;
    }
    QStringList lines;
    for (const auto& m : messages) {
        lines << qs(m);
    }
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), lines.join('\n'),
                                QMessageBox::Ok, this);
    box->setObjectName("SettingsMessageBox");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void TMainFrm::closeEvent(QCloseEvent* event) {
    FormHide();
    event->accept();
    emit closed();
}

void TMainFrm::FormHide() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    // No command may start anything while the program ends (the waits below run the loop).
    for (QMenu* menu : {FileMenu, SetupMenu, HelpMenu}) {
        for (QAction* action : menu->actions()) {
            action->setEnabled(false);
        }
    }
    // A conversion still running is abandoned; the previous MMC.CSV stays.
    if (mmcCommand_ != nullptr) {
        mmcCommand_->cancel();
    }
    const std::optional<QString> saveError = shown_ ? saveSettings() : std::nullopt;
    // Whether or not the settings were saved, the port is closed.
    COMTimer->stop();
    YTTimer->stop();
    setAlarmTimer(false);
    // An XLS recording gets its end record before the port closes.
    recording_->finishForShutdown();
    acquisition_->CloseAnalyzerPort();
    if (saveError) {
        const QString text = QStringLiteral("The settings could not be saved: ") + *saveError;
        std::fprintf(stderr, "kesto: %s\n", qPrintable(text));
        if (isVisible()) {
            QMessageBox::critical(this, windowTitle(), text);
        }
    }
}

void TMainFrm::ApplyLanguage() {
    const std::uint16_t id = options_.languageId.value_or(systemLanguageId());
    ShowStatus(QStringLiteral("LID:") + QStringLiteral("%1").arg(id, 4, 16, QChar('0')).toUpper() +
               QStringLiteral("h"));
    ShowStatus(qs(languageIdStatusText(id)));

    languageFile_ = options_.languageFile;
    if (languageFile_.empty()) {
        languageFile_ = programFolders(QCoreApplication::applicationFilePath().toStdString())
                            .languageFile(languageCodeFor(id));
    }
    language_ = loadLanguage(languageFile_);
    const LanguageTexts& t = language_.texts;
    acquisition_->portMessages() = {t.portOpened, t.portReopened};

    FileMenu->setTitle(qs(t.file));
    SetupMenu->setTitle(qs(t.setup));
    HelpMenu->setTitle(qs(t.help));
    recording_->updateCaption();
    Datenanschauen1->setText(qs(t.viewDataRecording) + "...");
    ViewMMCdata1->setText(qs(t.viewMmc));
    Druckerauswhlen1->setText(qs(t.changePrinter) + "...");
    Diagrammdrucken1->setText(qs(t.printDiagram));
    Beenden1->setText(qs(t.quit));
    Kommunikation1->setText(qs(t.parameters));
    Version1->setText(qs(t.version));

    const std::array<const std::string*, 5> captions{&t.actual, &t.diagram1, &t.diagram2,
                                                     &t.diagram3, &t.bigDisplay};
    for (std::size_t i = 0; i < captions.size(); ++i) {
        PageControl1->setTabText(static_cast<int>(i), kTabPadding + qs(*captions[i]) + kTabPadding);
    }
    // Assistive tools name each diagram as its tab does.
    for (int d = 0; d < kDiagramCount; ++d) {
        trends_->trend(d)->setAccessibleName(qs(*captions[static_cast<std::size_t>(d) + 1]));
        trends_->choiceList(d)->setAccessibleDescription(qs(t.readOutChannel));
        trends_->trend(d)->setSpokenTexts(qs(t.noRecordAtCursor), qs(t.cursorOffRecords));
    }
    for (ChannelRow& row : rows_) {
        row.bar->setNoValueText(qs(t.noValue));
    }
    if (viewer_ != nullptr) {
        viewer_->applyLanguage(t);
    }
    for (QCheckBox* check : checkBoxes_) {
        check->setText(qs(t.calculated));
    }
    if (version_ != nullptr) {
        version_->applyLanguage(t);
    }
    if (progress_ != nullptr) {
        progress_->applyLanguage(t);
    }
    if (properties_ != nullptr) {
        properties_->applyLanguage(t);
    }
    if (setup_ != nullptr) {
        setup_->applyLanguage(t);
    }

    LiveDisplay& display = acquisition_->display();
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        applyDefaults(display[i], channelAt(i), language_.channelDefaults[i]);
    }
    setReferenceFields(QString());
    StringGrid1->setAccessibleName(qs(t.bigDisplay));
    Image1->setAccessibleName(qs(t.messages));
    updateLiveWidgets();
    updateAccessibleNames();
}

void TMainFrm::ShowStatus(const QString& text) {
    StatusPanel->setText(QLatin1Char(' ') + text);
}

QString TMainFrm::statusText() const {
    return StatusPanel->text();
}

// ---------------------------------------------------------------------------------------------

void TMainFrm::COMTimerGetData() {
    if (shutDown_) {
        return;
    }
    acquisition_->COMTimerGetData();
    // The refresh puts "3.0" into an entry that is not a number.
    referencesToWidgets();
    updateLiveWidgets();
}

void TMainFrm::Timer1Timer() {
    acquisition_->Timer1Timer();
}

void TMainFrm::YTTimerTimer() {
    trends_->YTTimerTimer(acquisition_->display());
}

void TMainFrm::updateLiveWidgets() {
    const LiveDisplay& display = acquisition_->display();
    bool captionsChanged = false;
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        const ChannelDisplay& d = display[i];
        ChannelRow& row = rows_[i];
        captionsChanged |= setTextIfChanged(row.label, qs(d.label));
        row.label->setEnabled(d.valid);
        setTextIfChanged(row.minLabel, qs(d.minLabel));
        setTextIfChanged(row.maxLabel, qs(d.maxLabel));
        row.bar->setSettings(d.settings);
        row.bar->setValue(d.value);
        row.bar->setValid(d.valid);
    }
    StringGrid1->setCells(acquisition_->bigDisplay());
    if (messages_ != nullptr) {
        messages_->showCounters(acquisition_->decoder().counters());
    }
    if (captionsChanged) {
        updateAccessibleNames();
    }
}

void TMainFrm::updateAccessibleNames() {
    const LiveDisplay& display = acquisition_->display();
    const LanguageTexts& t = language_.texts;
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        rows_[i].bar->setAccessibleName(qs(spokenLabel(display[i].label)));
    }
    // The visible captions ("% O2", "calculated") are the same on every row; the spoken names
    // tell the rows apart by their channel, so that the ppm and mg/m3 rows differ.
    for (std::size_t e = 0; e < kReferenceEntryCount; ++e) {
        const Channel channel = referenceChannel(static_cast<ReferenceEntry>(e));
        const QString caption = qs(spokenLabel(display[index(channel)].label));
        edits_[e]->setAccessibleName(caption + QLatin1Char(' ') + qs(t.referenceO2));
        checkBoxes_[e]->setAccessibleName(caption + QLatin1Char(' ') + qs(t.calculated));
    }
}

void TMainFrm::referencesToWidgets() {
    const ReferenceSettings& refs = acquisition_->references();
    for (std::size_t e = 0; e < kReferenceEntryCount; ++e) {
        const QString text = qs(refs[e].text);
        if (edits_[e]->text() != text) {
            edits_[e]->setText(text);
        }
        if (checkBoxes_[e]->isChecked() != refs[e].checked) {
            checkBoxes_[e]->setChecked(refs[e].checked);
        }
    }
}

void TMainFrm::setReferenceFields(const QString& text) {
    for (QLineEdit* edit : edits_) {
        edit->setText(text); // the binding copies it into the model
    }
}

// ---------------------------------------------------------------------------------------------

void TMainFrm::setAlarmTimer(bool on) {
    if (on && !shutDown_) {
        if (!Timer1->isActive()) {
            Timer1->start();
        }
    } else {
        Timer1->stop();
    }
}

bool TMainFrm::alarmTimerOn() const {
    return Timer1->isActive();
}

void TMainFrm::beep() {
    beeper_->beep();
}

// ---------------------------------------------------------------------------------------------

QString TMainFrm::channelKeyFromComponentName(const QString& name) {
    return qs(channelKeyOfComponent(name.toStdString()));
}

void TMainFrm::onComponentClicked() {
    if (const QObject* s = sender()) {
        EditPropertyClick(channelKeyFromComponentName(s->objectName()));
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

void TMainFrm::Kommunikation1Click() {
    if (setup_ == nullptr) {
        return;
    }
    recording_->recorder().pauseForSetup();
    acquisition_->CloseAnalyzerPort();
    setup_->execSetup();
    if (shutDown_) {
        return; // the program was ended (a signal, the session) while the dialog was open
    }
    generalToAcquisition();
    // A running recording goes on whether or not the port opens again: without a port it
    // records 0 for the channels without a value.
    recording_->recorder().resumeAfterSetup();
    if (const auto error = acquisition_->OpenAnalyzerPort(general_.comPort)) {
        QMessageBox::critical(this, windowTitle(), qs(*error));
        acquisition_->markPortLost(); // tried again quietly until it opens
    }
    // The live trends start afresh after the dialog, whether or not the port opened.
    trends_->clearRecords();
}

void TMainFrm::Datenanschauen1Click() {
    if (viewer_ == nullptr) {
        return;
    }
    // Qt's own dialog, so that "*.CSV" matches in any letter case on every desktop.
    QFileDialog OpenDialog1(this);
    OpenDialog1.setObjectName("OpenDialog1");
    OpenDialog1.setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog1.setFileMode(QFileDialog::ExistingFile);
    OpenDialog1.setNameFilter("CSV (*.CSV)");
    if (!openDialog1FileName_.isEmpty()) {
        OpenDialog1.selectFile(openDialog1FileName_);
    }
    if (OpenDialog1.exec() != QDialog::Accepted || OpenDialog1.selectedFiles().isEmpty()) {
        return;
    }
    openDialog1FileName_ = OpenDialog1.selectedFiles().constFirst();
    viewer_->showFile(openDialog1FileName_);
}

void TMainFrm::Druckerauswhlen1Click() {
    printing_->choosePrinter(this);
}

void TMainFrm::Diagrammdrucken1Click() {
    printing_->printDiagram(this, *trends_->trendForPage(PageControl1->currentIndex()));
}

void TMainFrm::setPropertyDialog(ChannelProperties* properties) {
    properties_ = properties;
    if (properties_ != nullptr && shown_) {
        properties_->applyLanguage(language_.texts);
    }
}

void TMainFrm::setViewerWindow(TViewFrm* viewer) {
    viewer_ = viewer;
    Datenanschauen1->setEnabled(viewer_ != nullptr);
    if (viewer_ == nullptr) {
        setRecordingViewer({});
        return;
    }
    viewer_->applyChannelSettings(acquisition_->display());
    viewer_->applyLanguage(language_.texts);
    // The viewer shows the file `OpenDialog1` names: the memory-card conversion lends it the
    // converted file for one showing and gives the user's choice back afterwards.
    setRecordingViewer([this](const QString& file) {
        if (viewer_ == nullptr) {
            return;
        }
        const QString chosen = openDialog1FileName_;
        openDialog1FileName_ = file;
        viewer_->showFile(openDialog1FileName_);
        openDialog1FileName_ = chosen;
    });
}

void TMainFrm::setSetupDialog(TSetupFrm* setup) {
    setup_ = setup;
    Kommunikation1->setEnabled(setup_ != nullptr);
    if (setup_ != nullptr && shown_) {
        setup_->applyLanguage(language_.texts);
    }
}

// The progress window as the port probe drives it.
class TMainFrm::ProgressAdapter : public ProbeProgress {
public:
    explicit ProgressAdapter(TMainFrm& window) : window_(window) {}
    void showProgress() override {
        if (window_.progress_ != nullptr) {
            window_.progress_->showProgress();
        }
    }
    void setCounterText(const QString& text) override {
        if (window_.progress_ != nullptr) {
            window_.progress_->setCounterText(text);
        }
    }
    void setPosition(int position) override {
        if (window_.progress_ != nullptr) {
            window_.progress_->setPosition(position);
        }
    }
    void hideProgress() override {
        if (window_.progress_ != nullptr) {
            window_.progress_->hideProgress();
        }
    }

private:
    TMainFrm& window_;
};

PortProbeResult TMainFrm::probePort(int port) const {
    const PortMap map = ownPort_ ? ownPort_->portMap() : PortMap::fromEnvironment();
    const auto path = map.devicePath(port);
    if (!path) {
        return {PortStatus::NoDevice, {}};
    }
    const ProbeDetails details = AnalyzerPort::probePath(*path, "COM" + std::to_string(port));
    return {details.result, *path};
}

SetupServices TMainFrm::setupServices() {
    SetupServices services;
    services.probe = [this](int port) { return probePort(port); };
    services.progress = progressAdapter_.get();
    services.resetMeanValues = [this] { acquisition_->ResetMeanValues(); };
    services.setRecordingInterval = [this](int ms) { recording_->recorder().setIntervalMs(ms); };
    services.portMap = ownPort_ ? ownPort_->portMap() : PortMap::fromEnvironment();
    services.deviceFolders = DeviceFolders::fromEnvironment();
    return services;
}

void TMainFrm::ApplyChannelsToTrends() {
    trends_->ApplyChannelsToTrends(acquisition_->display());
    if (viewer_ != nullptr) {
        viewer_->applyChannelSettings(acquisition_->display());
    }
}

void TMainFrm::Image1Click() {
    if (messages_ != nullptr) {
        messages_->show();
        messages_->raise();
        messages_->activateWindow();
    }
}

void TMainFrm::Version1Click() {
    if (version_ != nullptr) {
        version_->exec();
    }
}

void TMainFrm::Beenden1Click() {
    close();
}

bool TMainFrm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        if (Edit1KeyPress(watched, static_cast<QKeyEvent*>(event))) {
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TMainFrm::Edit1KeyPress(QObject* edit, QKeyEvent* event) {
    // In the mass-concentration entries a typed decimal comma becomes a point.
    if (event->text() != QLatin1String(",")) {
        return false;
    }
    QKeyEvent point(QEvent::KeyPress, Qt::Key_Period, event->modifiers(), QStringLiteral("."),
                    event->isAutoRepeat(), static_cast<quint16>(event->count()));
    QCoreApplication::sendEvent(edit, &point);
    return true;
}

} // namespace kesto
