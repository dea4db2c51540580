#include "recording/ui/MmcCommand.h"

#include "config/ProgramFolders.h"
#include "recording/ui/uMMCToCSVFrm.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

namespace kesto {
namespace {

// One slice of the conversion; the event loop runs between two. A conversion step ends at
// every progress report (100 lines), so a slice ends soon after this.
constexpr qint64 kSliceMs = 20;

} // namespace

ViewMmcCommand::ViewMmcCommand(QWidget* window, GeneralSettings& settings, TMMCtoCSVFrm& progress,
                               QObject* parent)
    : QObject(parent), window_(window), settings_(settings), progress_(&progress) {
    chooseFile = [this](const QString& preset) { return OpenDialog2(preset); };
    showError = [this](const QString& text) {
        QMessageBox::critical(window_, window_ != nullptr ? window_->windowTitle() : QString(),
                              text);
    };
    slices_ = new QTimer(this);
    slices_->setInterval(0);
    connect(slices_, &QTimer::timeout, this, &ViewMmcCommand::runSlice);
    // The conversion reports to the window: it cannot go on without it.
    connect(&progress, &QObject::destroyed, this, [this] {
        if (running()) {
            abandon();
            emit runningChanged(false);
        }
    });
}

ViewMmcCommand::~ViewMmcCommand() {
    // Nothing is signalled any more: the windows may be gone already.
    abandon();
}

QString ViewMmcCommand::targetFile() const {
    if (!targetFile_.isEmpty()) {
        return targetFile_;
    }
    const std::string file =
        programFolders(QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString())
            .mmcFile();
    return QFile::decodeName(QByteArray::fromStdString(file));
}

QString ViewMmcCommand::OpenDialog2(const QString& preset) {
    QFileDialog dialog(window_);
    dialog.setObjectName(QStringLiteral("OpenDialog2"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(QStringLiteral("CSV files (*.CSV)"));
    if (!preset.isEmpty() && QFileInfo::exists(preset)) {
        dialog.setDirectory(QFileInfo(preset).absolutePath());
        dialog.selectFile(preset);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

void ViewMmcCommand::ViewMMCdata1Click() {
    if (running()) {
        return;
    }
    const QString source = chooseFile(QString::fromStdString(settings_.mmcFile));
    if (source.isEmpty()) {
        return;
    }
    settings_.mmcFile = source.toStdString();
    convert(source);
}

void ViewMmcCommand::convert(const QString& source) {
    if (running()) {
        return;
    }
    converting_ = targetFile();
    // The data folder may not exist yet; when it cannot be made, creating the file says why.
    QDir().mkpath(QFileInfo(converting_).absolutePath());
    if (!progress_) {
        return;
    }
    conversion_ = std::make_unique<CardConversion>(source.toStdString(), converting_.toStdString(),
                                                   files_, *progress_);
    progress_->showProgress();
    emit runningChanged(true);
    slices_->start();
}

void ViewMmcCommand::runSlice() {
    if (!conversion_) {
        slices_->stop();
        return;
    }
    QElapsedTimer slice;
    slice.start();
    bool more = true;
    while (more && slice.elapsed() < kSliceMs) {
        more = conversion_->step();
    }
    if (!more) {
        end();
    }
}

void ViewMmcCommand::end() {
    slices_->stop();
    const std::unique_ptr<CardConversion> done = std::move(conversion_);
    if (progress_) {
        progress_->hideProgress();
    }
    emit runningChanged(false);
    if (!done->succeeded()) {
        showError(QString::fromStdString(done->error()));
        emit conversionEnded(false);
        return;
    }
    if (viewer_) {
        viewer_(converting_);
    }
    emit conversionEnded(true);
}

void ViewMmcCommand::cancel() {
    if (!conversion_) {
        return;
    }
    abandon();
    if (progress_) {
        progress_->hideProgress();
    }
    emit runningChanged(false);
}

void ViewMmcCommand::abandon() {
    slices_->stop();
    conversion_.reset();
}

} // namespace kesto
