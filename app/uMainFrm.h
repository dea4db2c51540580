#pragma once

#include "acquisition/Acquisition.h"
#include "acquisition/ui/uMessageForm.h"
#include "app/NoDataAlarm.h"
#include "app/ProgramServices.h"
#include "app/RecordingBinding.h"
#include "app/ViewerCommands.h"
#include "app/uVersionFrm.h"
#include "config/ChannelProperties.h"
#include "config/Language.h"
#include "config/ProgramSettings.h"
#include "config/Settings.h"
#include "config/ui/uFortschrittFrm.h"
#include "config/ui/uPropertyFrm.h"
#include "config/ui/uSetupFrm.h"
#include "review/ui/uViewFrm.h"

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QTimer;

namespace kesto {

class BigDisplayGrid;
class LimitAlarmBinding;
class LivePage;
class LiveTrends;
class PageControl;
class RecordingBinding;
class TMMCtoCSVFrm;
class TrendPrinting;
class ViewMmcCommand;

// The main window: menu, the live page, three diagram pages, the big display, and the status
// line. It owns the live acquisition and its timers. Showing it the first time starts the
// acquisition; closing it (or SIGINT/SIGTERM, or the session ending) runs the shutdown, once.
// The pages are built and bound by LivePage and LiveTrends; the recording by RecordingBinding;
// the outside world (clock, port, settings store, printer, tone) comes from ProgramServices.
class TMainFrm : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kTimerIntervalMs = 1000;

    // `services` must outlive the window.
    explicit TMainFrm(ProgramServices& services, QWidget* parent = nullptr);
    ~TMainFrm() override;

    // The secondary windows, created after the main window; attach them before showing it.
    void setMessagesWindow(TMessageFrm* messages);
    void setVersionWindow(TVersionFrm* version);
    void setProgressWindow(TFortschrittFrm* progress);
    // The memory-card conversion's progress window. "View MMC data..." is offered once the
    // recording viewer is attached too: the command ends by showing it.
    void setMmcWindow(TMMCtoCSVFrm* window) { viewing_->setMmcWindow(window); }
    // Shows the recording viewer modally on a file.
    void setRecordingViewer(std::function<void(const QString& file)> viewer) {
        viewing_->setRecordingViewer(std::move(viewer));
    }
    ViewMmcCommand* mmcCommand() const { return viewing_->mmcCommand(); }
    void setPropertyDialog(ChannelProperties* properties);
    void setSetupDialog(TSetupFrm* setup);
    void setViewerWindow(TViewFrm* viewer);
    // What the setup dialog needs of this window: probing, progress, means, recording timer.
    SetupServices setupServices() {
        return services_.setupServices(*acquisition_, recording_->recorder(), progress_);
    }

    // Start-up, in its fixed order; runs once, at the first showing.
    void FormShow();
    // Shutdown: closes the analyzer port. Runs once however often it is called.
    void FormHide();
    bool isShutDown() const { return shutDown_; }

    // Captions, channel defaults and the language identifier on the status line.
    void ApplyLanguage();
    // One blank and the text into the status line.
    void ShowStatus(const QString& text) { StatusPanel->setText(QLatin1Char(' ') + text); }
    QString statusText() const { return StatusPanel->text(); }

    // Every second: link supervision and refresh, then the widgets follow the model.
    void COMTimerGetData();
    void Timer1Timer() { acquisition_->Timer1Timer(); }
    void YTTimerTimer();

    // A channel's row was clicked (name, minimum or maximum label, or bar).
    void EditPropertyClick(const QString& key);
    // The channel settings to the live trends.
    void ApplyChannelsToTrends();
    void Image1Click();
    void Version1Click();
    void Beenden1Click() { close(); }
    // "Parameters": port closed, setup dialog, port reopened, live trends emptied.
    void Kommunikation1Click();
    // "Change printer...": the printer setup dialog.
    void Druckerauswhlen1Click();
    // "Print diagram": the diagram of the active page, diagram 1 from the other pages.
    void Diagrammdrucken1Click();
    // The file name the open-file dialog `OpenDialog1` holds; the viewer shows that file.
    QString openDialog1FileName() const { return viewing_->openDialog1FileName(); }
    void setOpenDialog1FileName(const QString& file) { viewing_->setOpenDialog1FileName(file); }

    // Puts the model onto the widgets: labels, validity, bars, big display, decoder counters.
    void updateLiveWidgets();

    // Asked before the port dialog and before the window closes: false leaves things as they
    // are (a running measurement that the user keeps).
    void setInterruptGuard(std::function<bool()> guard) { mayInterrupt_ = std::move(guard); }

    // The no-data beep timer.
    bool alarmTimerOn() const { return alarm_.alarmTimerOn(); }

    LiveAcquisition& acquisition() { return *acquisition_; }
    const LiveAcquisition& acquisition() const { return *acquisition_; }
    const Language& language() const { return language_; }
    const GeneralSettings& generalSettings() const { return settings_.general(); }
    GeneralSettings& generalSettings() { return settings_.general(); }
    // The recording timer; the recording drives it, the setup dialog sets its period.
    QTimer* recordingTimer() const { return LOGTimer; }
    RecordingBinding& recording() { return *recording_; }
    const std::string& languageFile() const { return languageFile_; }
    BigDisplayGrid* bigDisplay() const { return StringGrid1; }
    LiveTrends& liveTrends() const { return *trends_; }
    TrendPrinting& printing() const { return services_.printing(); }
    PageControl* pageControl() const { return PageControl1; }

    // The component named `name` ("NOXMGMinLabel", "O2Bar") belongs to this channel key.
    static QString channelKeyFromComponentName(const QString& name) {
        return QString::fromStdString(channelKeyOfComponent(name.toStdString()));
    }

signals:
    // Emitted by EditPropertyClick with the channel key.
    void channelPropertiesRequested(const QString& key);
    // The window was closed and shut down; the program ends here.
    void closed();
    // The language has been applied at start-up; the attached windows follow it.
    void languageApplied(const LanguageTexts& texts);
    // After each display refresh, once a second: the widgets show the new values.
    void displayRefreshed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Attaches a secondary window: from now on it follows the program's language, at once when
    // that has been applied already.
    template <typename Window> void attach(QPointer<Window>& slot, Window* window) {
        if (slot != nullptr) {
            disconnect(this, &TMainFrm::languageApplied, slot, nullptr);
        }
        slot = window;
        if (window != nullptr) {
            connect(this, &TMainFrm::languageApplied, window, &Window::applyLanguage);
            if (shown_) {
                window->applyLanguage(language_.texts);
            }
        }
    }
    void createMenu();
    void createPages();
    void createTimers();
    void showStoreMessages();

    ProgramServices& services_;
    AttachedMessageWindow messagesProxy_;
    NoDataAlarm alarm_;
    std::unique_ptr<LiveAcquisition> acquisition_;
    ProgramSettings settings_;
    Language language_;
    std::string languageFile_;
    bool shown_ = false;
    bool shutDown_ = false;
    std::function<bool()> mayInterrupt_ = [] { return true; };

    QPointer<TVersionFrm> version_;
    QPointer<TFortschrittFrm> progress_;
    QPointer<ChannelProperties> properties_;
    QPointer<TSetupFrm> setup_;
    QPointer<TViewFrm> viewer_;

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
    LivePage* live_ = nullptr;     // the "Actual" page
    LiveTrends* trends_ = nullptr; // the three diagram pages
    BigDisplayGrid* StringGrid1 = nullptr;
    QLabel* StatusPanel = nullptr;

    QTimer* COMTimer = nullptr;
    QTimer* YTTimer = nullptr;
    QTimer* LOGTimer = nullptr;
    RecordingBinding* recording_ = nullptr;
    ViewerCommands* viewing_ = nullptr; // "View data...", "View MMC data..."
    LimitAlarmBinding* limits_ = nullptr;
};

} // namespace kesto
