#pragma once

#include "acquisition/LiveValues.h"
#include "wordexport/ExportJob.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>
#include <string>

namespace kesto {

class TMessageFrm;

// "Copy to Writer" of the messages window. A click takes the values as the bar gauges show them
// and runs the export on a worker thread, so the windows keep painting and acquiring while the
// word processor works. It tells the user: a line in the messages window when no word processor
// is reachable, an error box for a failure, and an error box when the word processor has not
// answered within the time limit. One export at a time: the button stays disabled until the
// worker has ended, even one given up after the time limit.
class ReportExportAction : public QObject {
    Q_OBJECT

public:
    // `messages` and `display` must outlive the action.
    ReportExportAction(
        TMessageFrm& messages, const LiveDisplay& display, std::shared_ptr<WordProcessor> processor,
        std::string pipeName,
        std::chrono::milliseconds timeLimit = std::chrono::seconds(kExportTimeoutSeconds));
    ~ReportExportAction() override;

    // Button2Click.
    void Button2Click();
    // An export's worker has not ended yet.
    bool busy() const { return job_ != nullptr; }

signals:
    // The user has been told how an export went, or that it was given up.
    void exportFinished();
    // The worker has ended and the button is available again.
    void released();

private:
    struct Relay;
    void jobEnded(const ExportOutcome& outcome);
    void timeLimitReached();
    void showError(const QString& text);

    TMessageFrm& messages_;
    const LiveDisplay& display_;
    std::shared_ptr<WordProcessor> processor_;
    std::string pipeName_;
    std::shared_ptr<Relay> relay_;
    std::shared_ptr<ExportJob> job_;
    bool gaveUp_ = false;
    QTimer deadline_;
};

// Gives the messages window its "Copy to Writer": LibreOffice Writer through its UNO bridge on
// the pipe $KESTO_UNO_PIPE (default "kesto") when this program was built with the LibreOffice
// SDK; otherwise the button stays disabled and its tooltip says why, and null is returned.
std::unique_ptr<ReportExportAction> installWriterExport(TMessageFrm& messages,
                                                        const LiveDisplay& display);

// Why the button is disabled in a program built without the LibreOffice SDK.
inline constexpr const char* kWriterExportNotBuilt =
    "This Kesto was built without the LibreOffice SDK: the export to Writer is not available.";

} // namespace kesto
