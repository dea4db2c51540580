#pragma once

#include "acquisition/LiveValues.h"
#include "wordexport/ExportJob.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace kesto {

class TMessageFrm;

// What the export needs of the window that carries a "Copy to Writer" button.
struct ExportButton {
    QWidget* window = nullptr; // the error boxes stand over it
    // From now on a click on the button runs the given action; an empty one unbinds it.
    std::function<void(std::function<void()>)> bind;
    // The button is enabled, or disabled with the reason as its tooltip.
    std::function<void(bool available, const QString& whyNot)> setAvailable;
    // A line for the user: no word processor is reachable, and how to start one.
    std::function<void(const QString&)> tell;
};

// The messages window's button: the line goes into its list.
ExportButton messagesExportButton(TMessageFrm& messages);

// "Copy to Writer". A click takes the values (for the messages window: as the bar gauges show
// them) and runs the export on a worker thread, so the windows keep painting and acquiring while
// the word processor works. It tells the user: a line when no word processor is reachable, an
// error box for a failure, and an error box when the word processor has not answered within the
// time limit. One export at a time: the button stays disabled until the worker has ended, even
// one given up after the time limit.
class ReportExportAction : public QObject {
    Q_OBJECT

public:
    using Values = std::function<ReportValues()>;

    // The button's window must outlive the action.
    ReportExportAction(
        ExportButton button, Values values, std::shared_ptr<WordProcessor> processor,
        std::string pipeName,
        std::chrono::milliseconds timeLimit = std::chrono::seconds(kExportTimeoutSeconds));
    // The messages window's button with the live values; `messages` and `display` must outlive
    // the action.
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

    ExportButton button_;
    Values values_;
    std::shared_ptr<WordProcessor> processor_;
    std::string pipeName_;
    std::shared_ptr<Relay> relay_;
    std::shared_ptr<ExportJob> job_;
    bool gaveUp_ = false;
    QTimer deadline_;
};

// "Copy to Writer" for a button: LibreOffice Writer through its UNO bridge on the pipe
// $KESTO_UNO_PIPE (default "kesto") when this program was built with the LibreOffice SDK;
// otherwise the button stays disabled and its tooltip says why, and null is returned.
std::unique_ptr<ReportExportAction> makeWriterExport(ExportButton button,
                                                     ReportExportAction::Values values);
// The messages window's, with the live values.
std::unique_ptr<ReportExportAction> installWriterExport(TMessageFrm& messages,
                                                        const LiveDisplay& display);

// Why the button is disabled in a program built without the LibreOffice SDK.
inline constexpr const char* kWriterExportNotBuilt =
    "This Kesto was built without the LibreOffice SDK: the export to Writer is not available.";

} // namespace kesto
