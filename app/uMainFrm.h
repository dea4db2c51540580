#pragma once

#include "widgets/ClickLabel.h"

#include "acquisition/Acquisition.h"
#include "acquisition/DisplayRefresh.h"
#include "config/Language.h"
#include "config/Settings.h"
#include "config/SetupModel.h"

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QTabBar>
#include <QTabWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QCheckBox;
class QLineEdit;
class QMenu;
class QTimer;

namespace kesto {

class AnalyzerPort;
class BarGauge;
class Beeper;
class BigDisplayGrid;
class ChannelProperties;
class PageControl;
class LiveTrends;
class RecordingBinding;
class TrendPrinting;
class TViewFrm;
class TSetupFrm;
struct SetupServices;
class TFortschrittFrm;
class TMessageFrm;
class TMMCtoCSVFrm;
class TVersionFrm;
class ViewMmcCommand;

// What the main window is built with. Every field has a default for the real program; tests
// and tools replace the language file, the clock, the serial line or the alarm tone.
struct MainFrmOptions {
    // The language file; empty: "<program>.<code>" beside the program or in the installed data
    // folder (see ProgramFolders), the code following the system language.
    std::string languageFile;
    // The language identifier shown at start-up; unset: the system's.
    std::optional<std::uint16_t> languageId;
    const Clock* clock = nullptr;      // null: the system clock
    SerialLink* link = nullptr;        // null: the window's own analyzer port (COM numbers)
    Beeper* beeper = nullptr;          // null: the window's own alarm tone
    RegistryStore* store = nullptr;    // null: the user's settings file
    TrendPrinting* printing = nullptr; // null: the window's own printer
};

// The main window: menu, the live page with the nineteen channel rows and the reference-oxygen
// entries, three diagram pages, the big display, and the status line. It owns the live
// acquisition and its timers. Showing it the first time starts the acquisition; closing it
// (or SIGINT/SIGTERM, or the session ending) runs the shutdown, once.
class TMainFrm : public QMainWindow, public Alarm {
    Q_OBJECT

public:
    static constexpr int kTimerIntervalMs = 1000;

    explicit TMainFrm(MainFrmOptions options = {}, QWidget* parent = nullptr);
    ~TMainFrm() override;

    // The secondary windows, created after the main window; attach them before showing it.
    void setMessagesWindow(TMessageFrm* messages);
    void setVersionWindow(TVersionFrm* version);
    void setProgressWindow(TFortschrittFrm* progress);
    // The memory-card conversion's progress window. "View MMC data..." is offered once the
    // recording viewer is attached too: the command ends by showing it.
    void setMmcWindow(TMMCtoCSVFrm* window);
    // Shows the recording viewer modally on a file.
    void setRecordingViewer(std::function<void(const QString& file)> viewer);
    ViewMmcCommand* mmcCommand() const { return mmcCommand_; }
    void setPropertyDialog(ChannelProperties* properties);
    void setSetupDialog(TSetupFrm* setup);
    void setViewerWindow(TViewFrm* viewer);
    // What the setup dialog needs of this window: probing, progress, means, recording timer.
    SetupServices setupServices();

    // Start-up, in its fixed order; runs once, at the first showing.
    void FormShow();
    // Shutdown: closes the analyzer port. Runs once however often it is called.
    void FormHide();
    bool isShutDown() const { return shutDown_; }

    // Captions, channel defaults and the language identifier on the status line.
    void ApplyLanguage();
    // One blank and the text into the status line.
    void ShowStatus(const QString& text);
    QString statusText() const;

    // Every second: link supervision and refresh, then the widgets follow the model.
    void COMTimerGetData();
    void Timer1Timer();
    void YTTimerTimer();

    // A channel's row was clicked (name, minimum or maximum label, or bar).
    void EditPropertyClick(const QString& key);
    // The channel settings to the live trends.
    void ApplyChannelsToTrends();
    void Image1Click();
    void Version1Click();
    void Beenden1Click();
    // "Parameters": port closed, setup dialog, port reopened, live trends emptied.
    void Kommunikation1Click();
    // "View MMC data...": a card file converted into "MMC.CSV" and shown in the viewer.
    void ViewMMCdata1Click();
    // "View data...": a recording chosen in the open-file dialog, shown in the viewer.
    void Datenanschauen1Click();
    // "Change printer...": the printer setup dialog.
    void Druckerauswhlen1Click();
    // "Print diagram": the diagram of the active page, diagram 1 from the other pages.
    void Diagrammdrucken1Click();
    // The file name the open-file dialog `OpenDialog1` holds; the viewer shows that file.
    QString openDialog1FileName() const { return openDialog1FileName_; }
    void setOpenDialog1FileName(const QString& file) { openDialog1FileName_ = file; }

    // Puts the model onto the widgets: labels, validity, bars, big display, decoder counters.
    void updateLiveWidgets();

    // Alarm: the no-data beep timer and the tone.
    void setAlarmTimer(bool on) override;
    bool alarmTimerOn() const override;
    void beep() override;

    LiveAcquisition& acquisition() { return *acquisition_; }
    const LiveAcquisition& acquisition() const { return *acquisition_; }
    const Language& language() const { return language_; }
    const GeneralSettings& generalSettings() const { return general_; }
    GeneralSettings& generalSettings() { return general_; }
    RegistryStore& store() { return *store_; }
    // The recording timer; the recording drives it, the setup dialog sets its period.
    QTimer* recordingTimer() const { return LOGTimer; }
    RecordingBinding& recording() { return *recording_; }
    const std::string& languageFile() const { return languageFile_; }
    BigDisplayGrid* bigDisplay() const { return StringGrid1; }
    LiveTrends& liveTrends() const { return *trends_; }
    TrendPrinting& printing() const { return *printing_; }
    PageControl* pageControl() const { return PageControl1; }

    // The component named `name` ("NOXMGMinLabel", "O2Bar") belongs to this channel key.
    static QString channelKeyFromComponentName(const QString& name);

signals:
    // Emitted by EditPropertyClick with the channel key.
    void channelPropertiesRequested(const QString& key);
    // The window was closed and shut down; the program ends here.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class MessagesProxy;
    struct ChannelRow {
        ClickLabel* label = nullptr;
        ClickLabel* minLabel = nullptr;
        BarGauge* bar = nullptr;
        ClickLabel* maxLabel = nullptr;
    };

    void createMenu();
    void createPages();
    void createActualPage(QWidget* page);
    void onComponentClicked();
    bool Edit1KeyPress(QObject* edit, QKeyEvent* event);
    void referencesToWidgets();
    // Names that a screen reader speaks: each gauge and reference entry after its channel's
    // caption, in the current language.
    void updateAccessibleNames();
    // Keyboard order of the live page: row by row, left to right.
    void orderLivePageFocus();
    void setReferenceFields(const QString& text);
    void loadSettings();
    // Saves channel, reference and general settings in that order; stops at the first failure
    // and returns its text.
    std::optional<QString> saveSettings();
    void showStoreMessages();
    void generalToAcquisition();
    PortProbeResult probePort(int port) const;
    void updateMmcCommand();

    MainFrmOptions options_;
    std::unique_ptr<Clock> ownClock_;
    std::unique_ptr<AnalyzerPort> ownPort_;
    std::unique_ptr<Beeper> ownBeeper_;
    std::unique_ptr<RegistryStore> ownStore_;
    RegistryStore* store_ = nullptr;
    std::unique_ptr<TrendPrinting> ownPrinting_;
    TrendPrinting* printing_ = nullptr;
    class ProgressAdapter;
    std::unique_ptr<ProgressAdapter> progressAdapter_;
    std::unique_ptr<MessagesProxy> messagesProxy_;
    std::unique_ptr<LiveAcquisition> acquisition_;
    Beeper* beeper_ = nullptr;
    Language language_;
    GeneralSettings general_;
    std::string languageFile_;
    bool shown_ = false;
    bool shutDown_ = false;

    TMessageFrm* messages_ = nullptr;
    TVersionFrm* version_ = nullptr;
    TFortschrittFrm* progress_ = nullptr;
    ChannelProperties* properties_ = nullptr;
    TSetupFrm* setup_ = nullptr;
    ViewMmcCommand* mmcCommand_ = nullptr;
    std::function<void(const QString&)> recordingViewer_;
    QPointer<TViewFrm> viewer_;
    QString openDialog1FileName_;

    // Menu
    QMenu* FileMenu = nullptr;
    QMenu* SetupMenu = nullptr;
    QMenu* HelpMenu = nullptr;
    QAction* Datenaufzeichnen1 = nullptr;
    QAction* Datenanschauen1 = nullptr;
    QAction* ViewMMCdata1 = nullptr;
    QAction* Druckerauswhlen1 = nullptr;
    QAction* Diagrammdrucken1 = nullptr;
    QAction* Beenden1 = nullptr;
    QAction* Kommunikation1 = nullptr;
    QAction* Version1 = nullptr;

    // Pages
    PageControl* PageControl1 = nullptr;
    std::array<QWidget*, 5> TabSheets{};
    std::array<ChannelRow, kChannelCount> rows_{};
    ClickLabel* Image1 = nullptr;
    QLabel* Label10 = nullptr;                                  // recording interval, ms
    std::array<QLineEdit*, kReferenceEntryCount> edits_{};      // Edit1..Edit7
    std::array<QCheckBox*, kReferenceEntryCount> checkBoxes_{}; // CheckBox1..CheckBox7
    BigDisplayGrid* StringGrid1 = nullptr;
    LiveTrends* trends_ = nullptr; // the three diagram pages
    QLabel* StatusPanel = nullptr;

    QTimer* COMTimer = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* YTTimer = nullptr;
    QTimer* LOGTimer = nullptr;
    RecordingBinding* recording_ = nullptr;
};

} // namespace kesto
