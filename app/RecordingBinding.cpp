#include "app/RecordingBinding.h"

#include "widgets/QtText.h"

#include <QAction>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>

namespace kesto {

namespace {

constexpr int kShutdownWaitMs = 500;
// The longest the program's end waits for a slow or missing medium.
constexpr int kShutdownWriterMs = 3000;
constexpr int kShutdownPollMs = 50;
constexpr int kShutdownNoticeMs = 60000;

} // namespace

const QStringList RecordingBinding::kSaveFilters{QStringLiteral("CSV (*.CSV)"),
                                                 QStringLiteral("XLS Export (*.XLS)")};

RecordingBinding::RecordingBinding(Window window, LiveAcquisition& acquisition,
                                   GeneralSettings& settings, MessageWindow& messages,
                                   QObject* parent)
    : QObject(parent), window_(std::move(window)), settings_(settings),
      Datenaufzeichnen1(window_.command), LOGTimer(window_.timer), Label10(window_.intervalLabel) {
    // Qt's own dialog: it matches "*.CSV" in any letter case and reports a change of the file
    // type while it is open, which the save format follows at once.
    SaveDialog1 = new QFileDialog(window_.widget);
    SaveDialog1->setObjectName("SaveDialog1");
    SaveDialog1->setOption(QFileDialog::DontUseNativeDialog);
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog1->setFileMode(QFileDialog::AnyFile);
    SaveDialog1->setNameFilters(kSaveFilters);
    SaveDialog1->setDefaultSuffix(QStringLiteral("CSV"));
    SaveDialog1->setSizeGripEnabled(true);
    connect(SaveDialog1, &QFileDialog::filterSelected, this,
            &RecordingBinding::SaveDialog1TypeChange);

    recorder_ = std::make_unique<Recorder>(acquisition, settings_, acquisition.clock(), files_,
                                           messages, static_cast<RecordingView&>(*this));
    LOGTimer->stop();
    connect(LOGTimer, &QTimer::timeout, this, &RecordingBinding::LOGTimerWriteData);
    connect(Datenaufzeichnen1, &QAction::triggered, this,
            &RecordingBinding::Datenaufzeichnen1Click);
}

RecordingBinding::~RecordingBinding() = default;

void RecordingBinding::Datenaufzeichnen1Click() {
    if (shuttingDown_) {
        return;
    }
    if (recorder_->recording()) {
        recorder_->stop();
        return;
    }
    const int format = settings_.saveFormat;
    if (format >= 1 && format <= kSaveFilters.size()) {
        SaveDialog1->selectNameFilter(kSaveFilters[format - 1]);
    }
    SaveDialog1->setDefaultSuffix(qs(Recorder::defaultExtension(format)));
    if (SaveDialog1->exec() != QDialog::Accepted || SaveDialog1->selectedFiles().isEmpty()) {
        return;
    }
    const int index = static_cast<int>(kSaveFilters.indexOf(SaveDialog1->selectedNameFilter())) + 1;
    recorder_->start(SaveDialog1->selectedFiles().constFirst().toStdString(),
                     index > 0 ? index : kSaveFormatCsv);
}

void RecordingBinding::SaveDialog1TypeChange(const QString& filter) {
    const int index = static_cast<int>(kSaveFilters.indexOf(filter)) + 1;
    if (index <= 0) {
        return;
    }
    recorder_->SaveDialog1TypeChange(index);
    SaveDialog1->setDefaultSuffix(qs(Recorder::defaultExtension(index)));
}

void RecordingBinding::LOGTimerWriteData() {
    Label10->setText(QString::number(LOGTimer->interval()));
    Label10->repaint();
    recorder_->WriteDataSet();
}

void RecordingBinding::finishForShutdown() {
    shuttingDown_ = true;
    const bool wasRecording = recorder_->finishForShutdown();
    // The pause before the port closes, and the writer's last work; the window keeps painting
    // meanwhile.
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < kShutdownWriterMs &&
           ((wasRecording && elapsed.elapsed() < kShutdownWaitMs) || !recorder_->writerDone())) {
        QEventLoop wait;
        QTimer::singleShot(kShutdownPollMs, &wait, &QEventLoop::quit);
        wait.exec();
    }
    if (!recorder_->writerDone()) {
        recorder_->abandonWriter();
    }
}

void RecordingBinding::updateCaption() {
    const LanguageTexts& t = window_.language->texts;
    Datenaufzeichnen1->setText(recorder_->recording() ? qs(t.stopDataRecording)
                                                      : qs(t.recordData) + QStringLiteral("..."));
}

void RecordingBinding::recordingChanged() {
    updateCaption();
    // A 0 ms period would fire without pause: the timer runs only with a real period.
    if (LOGTimer->interval() != recorder_->intervalMs()) {
        LOGTimer->setInterval(recorder_->intervalMs());
    }
    if (!recorder_->timerRuns()) {
        LOGTimer->stop();
    } else if (!LOGTimer->isActive()) {
        LOGTimer->start();
    }
}

void RecordingBinding::showStatus(const std::string& text) {
    window_.showStatus(qs(text));
}

void RecordingBinding::showError(const std::string& text) {
    QMessageBox::critical(window_.widget, window_.widget->windowTitle(), qs(text));
}

void RecordingBinding::writerHasNews() {
    // From the writer's thread: the reports are taken on the window's.
    QMetaObject::invokeMethod(
        this, [this] { recorder_->takeWriterReports(); }, Qt::QueuedConnection);
}

void RecordingBinding::showNotice(const std::string& text) {
    if (shuttingDown_) {
        // The program is ending: the box must be read before it goes, but an unattended end
        // (SIGTERM when the machine shuts down) goes on after a while.
        std::fprintf(stderr, "kesto: %s\n", text.c_str());
        QMessageBox box(QMessageBox::Warning, window_.widget->windowTitle(), qs(text),
                        QMessageBox::Ok, window_.widget);
        box.setObjectName("RecordingNotice");
        QTimer::singleShot(kShutdownNoticeMs, &box, &QMessageBox::accept);
        box.exec();
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Warning, window_.widget->windowTitle(), qs(text),
                                QMessageBox::Ok, window_.widget);
    box->setObjectName("RecordingNotice");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace kesto
