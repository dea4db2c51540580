#include "wordexport/ui/ReportExportAction.h"

#include "acquisition/ui/uMessageForm.h"
#include "widgets/QtText.h"

#ifdef KESTO_HAVE_UNO
#include "wordexport/uno/UnoWriter.h"
#endif

#include <QCoreApplication>
#include <QMessageBox>

#include <cstdlib>
#include <mutex>
#include <utility>

namespace kesto {

namespace {

const char* const kBusyText = "Waiting for LibreOffice to answer the last export.";

} // namespace

// Hands the outcome from the worker thread to this object's thread; once the object is gone,
// nothing is handed on.
struct ReportExportAction::Relay {
    std::mutex mutex;
    ReportExportAction* receiver = nullptr;
};

ExportButton messagesExportButton(TMessageFrm& messages) {
    return {
        &messages,
        [&messages](std::function<void()> action) { messages.setWordExport(std::move(action)); },
        [&messages](bool available, const QString& whyNot) {
            messages.setWordExportAvailable(available, whyNot);
        },
        [&messages](const QString& line) { messages.AddMessage(line); }};
}

ReportExportAction::ReportExportAction(TMessageFrm& messages, const LiveDisplay& display,
                                       std::shared_ptr<WordProcessor> processor,
                                       std::string pipeName, std::chrono::milliseconds timeLimit)
    : ReportExportAction(
          messagesExportButton(messages), [&display] { return reportValues(display); },
          std::move(processor), std::move(pipeName), timeLimit) {}

ReportExportAction::ReportExportAction(ExportButton button, Values values,
                                       std::shared_ptr<WordProcessor> processor,
                                       std::string pipeName, std::chrono::milliseconds timeLimit)
    : button_(std::move(button)), values_(std::move(values)), processor_(std::move(processor)),
      pipeName_(std::move(pipeName)), relay_(std::make_shared<Relay>()) {
    relay_->receiver = this;
    deadline_.setSingleShot(true);
    // A coarse timer may fire 5 % early: the user is promised the full time.
    deadline_.setTimerType(Qt::PreciseTimer);
    deadline_.setInterval(timeLimit);
    connect(&deadline_, &QTimer::timeout, this, &ReportExportAction::timeLimitReached);
    button_.bind([this] { Button2Click(); });
}

ReportExportAction::~ReportExportAction() {
    button_.bind({});
    const std::lock_guard lock(relay_->mutex);
    relay_->receiver = nullptr;
    if (job_) {
        job_->cancel();
    }
}

void ReportExportAction::Button2Click() {
    if (busy()) {
        return;
    }
    gaveUp_ = false;
    button_.setAvailable(false, QString::fromLatin1(kBusyText));
    deadline_.start();
    job_ =
        ExportJob::start(processor_, values_(), [relay = relay_](const ExportOutcome& outcome) {
            const std::lock_guard lock(relay->mutex);
            if (relay->receiver == nullptr) {
                return;
            }
            ReportExportAction* self = relay->receiver;
            // Queued: runs on the window's thread, and is dropped should the action be
            // destroyed before.
            QMetaObject::invokeMethod(
                self, [self, outcome] { self->jobEnded(outcome); }, Qt::QueuedConnection);
        });
}

void ReportExportAction::jobEnded(const ExportOutcome& outcome) {
    deadline_.stop();
    job_.reset();
    button_.setAvailable(true, {});
    // After the time limit the user has been told already; a late answer changes nothing.
    if (!gaveUp_) {
        const ExportNotice notice = exportNotice(outcome, pipeName_);
        if (notice.messageLine) {
            button_.tell(qs(*notice.messageLine));
        }
        if (notice.errorBox) {
            showError(qs(*notice.errorBox));
        }
        emit exportFinished();
    }
    emit released();
}

void ReportExportAction::timeLimitReached() {
    if (!job_) {
        return;
    }
    // The worker may stay blocked in its call; it takes no further step once it returns.
    job_->cancel();
    gaveUp_ = true;
    showError(
        QString::fromLatin1(kTimeoutText.data(), static_cast<qsizetype>(kTimeoutText.size())));
    emit exportFinished();
}

void ReportExportAction::showError(const QString& text) {
    // The program's error box, without holding up the event loop.
    auto* box = new QMessageBox(QMessageBox::Critical, QCoreApplication::applicationName(), text,
                                QMessageBox::Ok, button_.window);
    box->setObjectName(QStringLiteral("WordExportErrorBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

std::unique_ptr<ReportExportAction> makeWriterExport(ExportButton button,
                                                     ReportExportAction::Values values) {
#ifdef KESTO_HAVE_UNO
    std::string pipe = unoPipeName(std::getenv("KESTO_UNO_PIPE"));
    std::shared_ptr<WordProcessor> writer = makeUnoWriter(pipe);
    return std::make_unique<ReportExportAction>(std::move(button), std::move(values),
                                                std::move(writer), std::move(pipe));
#else
    (void)values;
    button.bind({});
    button.setAvailable(false, QString::fromLatin1(kWriterExportNotBuilt));
    return nullptr;
#endif
}

std::unique_ptr<ReportExportAction> installWriterExport(TMessageFrm& messages,
                                                        const LiveDisplay& display) {
    return makeWriterExport(messagesExportButton(messages),
                            [&display] { return reportValues(display); });
}

} // namespace kesto
