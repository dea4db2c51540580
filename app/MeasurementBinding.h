#pragma once

#include "acquisition/Acquisition.h"
#include "config/Language.h"
#include "config/Settings.h"
#include "measurement/Measurement.h"
#include "platform/LineAppender.h"

#include <QObject>
#include <QString>

#include <string>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QStatusBar;
class QWidget;

namespace kesto {

class TMeasureResultFrm;
class TMeasureStartFrm;

// Binds the averaged measurement to the main window: the menu "Measurement" with "Start
// measurement..." and "Cancel measurement", the start dialog, the session fed after every
// display refresh, where it stands in the status line (beside the line's own text, which the
// recording keeps writing), the protocol, and the result window when it ends.
class MeasurementBinding : public QObject {
    Q_OBJECT

public:
    // What of the main window the measurement uses.
    struct Window {
        QWidget* widget = nullptr;   // parent and title of the question
        QMenuBar* menuBar = nullptr; // the menu goes before the one named "HelpMenu"
        QStatusBar* statusBar = nullptr;
        const Language* language = nullptr;
    };

    MeasurementBinding(Window window, TMeasureStartFrm& start, TMeasureResultFrm& result,
                       const LiveAcquisition& acquisition, GeneralSettings& settings,
                       QObject* parent = nullptr);

    void applyLanguage(const LanguageTexts& texts);

    // "Start measurement...": the start dialog; OK starts it at the next refresh.
    void StartMeasurement1Click();
    // "Cancel measurement": asks first.
    void CancelMeasurement1Click();
    // After every display refresh: one second of the measurement.
    void onRefresh();
    // Before the port dialog or the program's end: true when nothing runs or the user agreed
    // to cancel what runs.
    bool mayInterrupt();
    // Drops a running measurement without asking (the program is ended from outside).
    void cancel();

    bool running() const { return session_.running(); }
    QLabel* statusLabel() const { return status_; }
    QMenu* menu() const { return menu_; }
    // The protocol file; tests put it elsewhere.
    std::string protocolFile;

private:
    bool askToCancel();
    void finished(MeasurementResult result);
    void updateState();
    const LanguageTexts& texts() const { return window_.language->texts; }

    Window window_;
    TMeasureStartFrm& start_;
    TMeasureResultFrm& result_;
    const LiveAcquisition& acquisition_;
    GeneralSettings& settings_;
    MeasurementSession session_;
    MeasurementFields lastFields_; // customer, site and appliance, for the next measurement
    PosixLineAppender files_;
    QMenu* menu_ = nullptr;
    QAction* StartMeasurement1 = nullptr;
    QAction* CancelMeasurement1 = nullptr;
    QLabel* status_ = nullptr;
};

} // namespace kesto
