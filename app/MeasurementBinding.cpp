#include "app/MeasurementBinding.h"

#include "measurement/Protocol.h"
#include "measurement/ui/uMeasureResultFrm.h"
#include "measurement/ui/uMeasureStartFrm.h"
#include "widgets/QtText.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>

namespace kesto {

MeasurementBinding::MeasurementBinding(Window window, TMeasureStartFrm& start,
                                       TMeasureResultFrm& result,
                                       const LiveAcquisition& acquisition,
                                       GeneralSettings& settings, QObject* parent)
    : QObject(parent), protocolFile(defaultProtocolFile()), window_(window), start_(start),
      result_(result), acquisition_(acquisition), settings_(settings) {
    menu_ = new QMenu(window_.menuBar);
    menu_->setObjectName(QStringLiteral("MeasurementMenu"));
    auto* help = window_.menuBar->findChild<QMenu*>(QStringLiteral("HelpMenu"));
    window_.menuBar->insertMenu(help != nullptr ? help->menuAction() : nullptr, menu_);
    StartMeasurement1 = menu_->addAction(QString());
    StartMeasurement1->setObjectName(QStringLiteral("StartMeasurement1"));
    CancelMeasurement1 = menu_->addAction(QString());
    CancelMeasurement1->setObjectName(QStringLiteral("CancelMeasurement1"));
    connect(StartMeasurement1, &QAction::triggered, this,
            &MeasurementBinding::StartMeasurement1Click);
    connect(CancelMeasurement1, &QAction::triggered, this,
            &MeasurementBinding::CancelMeasurement1Click);

    status_ = new QLabel(window_.statusBar);
    status_->setObjectName(QStringLiteral("MeasurementStatus"));
    window_.statusBar->addPermanentWidget(status_);

    result_.installWriterExport(makeWriterExport);
    applyLanguage(texts());
}

void MeasurementBinding::applyLanguage(const LanguageTexts& t) {
    menu_->setTitle(qs(t.measurement));
    StartMeasurement1->setText(qs(t.startMeasurement) + QStringLiteral("..."));
    CancelMeasurement1->setText(qs(t.cancelMeasurement));
    start_.applyLanguage(t);
    result_.applyLanguage(t);
    updateState();
}

void MeasurementBinding::StartMeasurement1Click() {
    if (session_.running()) {
        return;
    }
    MeasurementFields fields = lastFields_;
    fields.technician = settings_.technician;
    const auto choice = start_.ask(
        {{settings_.measureSeconds, settings_.measureReadings, settings_.measureSpacing}, fields});
    if (!choice) {
        return;
    }
    settings_.measureSeconds = choice->plan.seconds;
    settings_.measureReadings = choice->plan.readings;
    settings_.measureSpacing = choice->plan.spacing;
    settings_.technician = choice->fields.technician;
    lastFields_ = choice->fields;
    session_.arm(choice->plan, choice->fields);
    updateState();
}

void MeasurementBinding::CancelMeasurement1Click() {
    if (session_.running() && askToCancel()) {
        cancel();
    }
}

bool MeasurementBinding::mayInterrupt() {
    if (!session_.running()) {
        return true;
    }
    if (!askToCancel()) {
        return false;
    }
    cancel();
    return true;
}

bool MeasurementBinding::askToCancel() {
    // The measurement goes on while the question is open; it may end meanwhile.
    // "No" is the default: a slip of the Return key keeps the measurement.
    const bool yes = QMessageBox::question(window_.widget, window_.widget->windowTitle(),
                                           qs(texts().cancelQuestion),
                                           QMessageBox::Yes | QMessageBox::No,
                                           QMessageBox::No) == QMessageBox::Yes;
    return yes || !session_.running();
}

void MeasurementBinding::cancel() {
    session_.cancel();
    updateState();
}

void MeasurementBinding::onRefresh() {
    if (!session_.running()) {
        return;
    }
    std::optional<MeasurementResult> result = session_.onRefresh(
        acquisition_.display(), acquisition_.noData(), acquisition_.clock().localNow());
    updateState();
    if (result) {
        finished(std::move(*result));
    }
}

void MeasurementBinding::finished(MeasurementResult result) {
    // Saved before anything is shown: the protocol never loses a measurement.
    const std::optional<std::string> error =
        appendToProtocol(files_, protocolFile, result, texts());
    result_.showResult(std::move(result), qs(protocolFile), error);
}

void MeasurementBinding::updateState() {
    const bool running = session_.running();
    StartMeasurement1->setEnabled(!running);
    CancelMeasurement1->setEnabled(running);
    const auto progress = session_.progress();
    status_->setVisible(progress.has_value());
    status_->setText(progress ? qs(progressText(session_.plan(), *progress, texts())) : QString());
}

} // namespace kesto
