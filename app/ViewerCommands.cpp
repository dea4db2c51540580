#include "app/ViewerCommands.h"

#include "recording/ui/MmcCommand.h"
#include "review/ui/uViewFrm.h"

#include <QAction>
#include <QFileDialog>

namespace kesto {

ViewerCommands::ViewerCommands(QWidget* window, GeneralSettings& settings, QAction* viewData,
                               QAction* viewMmcData, QObject* parent)
    : QObject(parent), window_(window), settings_(settings), Datenanschauen1(viewData),
      ViewMMCdata1(viewMmcData) {
    Datenanschauen1->setEnabled(false);
    ViewMMCdata1->setEnabled(false);
    connect(Datenanschauen1, &QAction::triggered, this, &ViewerCommands::Datenanschauen1Click);
    connect(ViewMMCdata1, &QAction::triggered, this, &ViewerCommands::ViewMMCdata1Click);
}

void ViewerCommands::setViewerWindow(TViewFrm* viewer) {
    viewer_ = viewer;
    Datenanschauen1->setEnabled(viewer_ != nullptr && !closed_);
    if (viewer_ == nullptr) {
        setRecordingViewer({});
        return;
    }
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

void ViewerCommands::setMmcWindow(TMMCtoCSVFrm* window) {
    delete mmcCommand_;
    mmcCommand_ = nullptr;
    if (window != nullptr) {
        mmcCommand_ = new ViewMmcCommand(window_, settings_, *window, this);
        mmcCommand_->setViewer(recordingViewer_);
        connect(mmcCommand_, &ViewMmcCommand::runningChanged, this,
                &ViewerCommands::updateMmcCommand);
    }
    updateMmcCommand();
}

void ViewerCommands::setRecordingViewer(std::function<void(const QString& file)> viewer) {
    recordingViewer_ = std::move(viewer);
    if (mmcCommand_ != nullptr) {
        mmcCommand_->setViewer(recordingViewer_);
    }
    updateMmcCommand();
}

void ViewerCommands::updateMmcCommand() {
    ViewMMCdata1->setEnabled(mmcCommand_ != nullptr && mmcCommand_->hasViewer() &&
                             !mmcCommand_->running() && !closed_);
}

void ViewerCommands::Datenanschauen1Click() {
    if (viewer_ == nullptr) {
        return;
    }
    // Qt's own dialog, so that "*.CSV" matches in any letter case on every desktop.
    QFileDialog OpenDialog1(window_);
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

void ViewerCommands::ViewMMCdata1Click() {
    if (ViewMMCdata1->isEnabled()) {
        mmcCommand_->ViewMMCdata1Click();
    }
}

void ViewerCommands::close() {
    closed_ = true;
    // A conversion still running is abandoned; the previous MMC.CSV stays.
    if (mmcCommand_ != nullptr) {
        mmcCommand_->cancel();
    }
    updateMmcCommand();
}

} // namespace kesto
