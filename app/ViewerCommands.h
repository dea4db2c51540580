#pragma once

#include "config/Settings.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QAction;
class QWidget;

namespace kesto {

class TMMCtoCSVFrm;
class TViewFrm;
class ViewMmcCommand;

// The main window's commands that end in the recording viewer: "View data..." (a recording
// chosen in the open-file dialog `OpenDialog1`) and "View MMC data..." (a memory-card file
// converted into "MMC.CSV"). Each menu command is enabled once its windows are attached, and the
// memory-card command not while a conversion runs or after the program started to end.
class ViewerCommands : public QObject {
    Q_OBJECT

public:
    ViewerCommands(QWidget* window, GeneralSettings& settings, QAction* viewData,
                   QAction* viewMmcData, QObject* parent = nullptr);

    void setViewerWindow(TViewFrm* viewer);
    TViewFrm* viewer() const { return viewer_; }
    // The memory-card conversion's progress window.
    void setMmcWindow(TMMCtoCSVFrm* window);
    // Shows the recording viewer modally on a file (the attached viewer unless replaced).
    void setRecordingViewer(std::function<void(const QString& file)> viewer);
    ViewMmcCommand* mmcCommand() const { return mmcCommand_; }

    void Datenanschauen1Click();
    void ViewMMCdata1Click();
    // Program end: a running conversion is abandoned and the commands stay disabled.
    void close();

    // The file name `OpenDialog1` holds; the viewer shows that file.
    QString openDialog1FileName() const { return openDialog1FileName_; }
    void setOpenDialog1FileName(const QString& file) { openDialog1FileName_ = file; }

private:
    void updateMmcCommand();

    QWidget* window_;
    GeneralSettings& settings_;
    QAction* Datenanschauen1;
    QAction* ViewMMCdata1;
    QPointer<TViewFrm> viewer_;
    ViewMmcCommand* mmcCommand_ = nullptr;
    std::function<void(const QString&)> recordingViewer_;
    QString openDialog1FileName_;
    bool closed_ = false;
};

} // namespace kesto
