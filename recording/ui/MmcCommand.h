#pragma once

#include "config/Settings.h"
#include "recording/CardConversion.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QTimer;
class QWidget;

namespace kesto {

class TMMCtoCSVFrm;

// The main menu's "View MMC data...": the user picks a memory-card file (remembered as
// `MmcFile`), it is converted into "MMC.CSV" with the progress window showing, and the recording
// viewer shows the result.
//
// The conversion runs from the event loop in slices of about 20 ms, so the windows keep
// painting and the acquisition and a recording go on. When it fails, the error box names the
// file and the reason, after the progress window has gone; the viewer does not open and the
// previous "MMC.CSV" stays as it was.
class ViewMmcCommand : public QObject {
    Q_OBJECT

public:
    // Shows the recording viewer modally on a file.
    using ShowViewer = std::function<void(const QString& file)>;

    ViewMmcCommand(QWidget* window, GeneralSettings& settings, TMMCtoCSVFrm& progress,
                   QObject* parent = nullptr);
    ~ViewMmcCommand() override;

    void setViewer(ShowViewer viewer) { viewer_ = std::move(viewer); }
    bool hasViewer() const { return static_cast<bool>(viewer_); }
    // Where "MMC.CSV" goes: unless set, the program's mmcFile() (ProgramFolders).
    void setTargetFile(const QString& file) { targetFile_ = file; }
    QString targetFile() const;

    // Picks the card file with `preset` preselected; empty when the user cancels. Unless
    // replaced, the open dialog `OpenDialog2`.
    std::function<QString(const QString& preset)> chooseFile;
    // Unless replaced, the program's error box.
    std::function<void(const QString& text)> showError;

    // The menu command.
    void ViewMMCdata1Click();
    // Converts `source` into the target file; the viewer follows once it succeeded.
    void convert(const QString& source);
    bool running() const { return conversion_ != nullptr; }
    // Program end: a running conversion is abandoned, the previous "MMC.CSV" left as it was.
    void cancel();

    // The open dialog: filter "CSV files (*.CSV)", `preset` selected when that file exists.
    QString OpenDialog2(const QString& preset);

signals:
    void runningChanged(bool running);
    // A conversion ended, after its viewer (if any) was closed.
    void conversionEnded(bool succeeded);

private:
    void runSlice();
    void end();
    // Stops a running conversion: its part file goes, the target stays as it was.
    void abandon();

    QWidget* window_;
    GeneralSettings& settings_;
    QPointer<TMMCtoCSVFrm> progress_;
    PosixCardFiles files_;
    ShowViewer viewer_;
    QString targetFile_;
    QTimer* slices_ = nullptr;
    QString converting_; // the target of the running conversion
    std::unique_ptr<CardConversion> conversion_;
};

} // namespace kesto
