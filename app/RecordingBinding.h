#pragma once

#include "config/Language.h"
#include "recording/Recorder.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QAction;
class QFileDialog;
class QLabel;
class QTimer;
class QWidget;

namespace kesto {

// Binds the recording to the main window: the menu command `Datenaufzeichnen1`, the save dialog
// `SaveDialog1`, the recording timer `LOGTimer`, the interval label `Label10` and the status
// line. The recording itself is the Recorder of the core.
class RecordingBinding : public QObject, private RecordingView {
    Q_OBJECT

public:
    // The save dialog's file types, by filter index 1 and 2.
    static const QStringList kSaveFilters;

    // What of the main window the recording uses.
    struct Window {
        QWidget* widget = nullptr; // parent and title of the dialogs and message boxes
        QAction* command = nullptr;
        QTimer* timer = nullptr;
        QLabel* intervalLabel = nullptr;
        std::function<void(const QString&)> showStatus;
        const Language* language = nullptr; // the captions follow its texts
    };

    RecordingBinding(Window window, LiveAcquisition& acquisition, GeneralSettings& settings,
                     MessageWindow& messages, QObject* parent = nullptr);
    ~RecordingBinding() override;

    // The menu command: stops a running recording, or asks for a file and starts one.
    void Datenaufzeichnen1Click();
    // The user picked another file type in the save dialog.
    void SaveDialog1TypeChange(const QString& filter);
    // A tick of the recording timer: the period into the label, then one data set.
    void LOGTimerWriteData();

    // Program end: finishes a running recording and, if one was running, lets 500 ms pass
    // (the event loop keeps running) before the caller closes the port; waits for the writer
    // a few seconds at most, then rescues what still waits. Notices are modal from here on.
    void finishForShutdown();

    // The command's caption, for the current language and state.
    void updateCaption();

    Recorder& recorder() { return *recorder_; }

private:
    void recordingChanged() override;
    void showStatus(const std::string& text) override;
    void showError(const std::string& text) override;
    void showNotice(const std::string& text) override;
    void writerHasNews() override;

    Window window_;
    GeneralSettings& settings_;
    QAction* Datenaufzeichnen1;
    QTimer* LOGTimer;
    QLabel* Label10;
    QFileDialog* SaveDialog1;
    PosixRecordingFiles files_;
    std::unique_ptr<Recorder> recorder_;
    bool shuttingDown_ = false;
};

} // namespace kesto
