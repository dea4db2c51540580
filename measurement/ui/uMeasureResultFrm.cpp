#include "measurement/ui/uMeasureResultFrm.h"

#include "acquisition/DateTimeFormat.h"
#include "measurement/ui/ResultTableModel.h"
#include "widgets/QtText.h"
#include "widgets/TrendPrint.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace kesto {

namespace {

constexpr int kFieldCount = 8;

QPushButton* button(QWidget* parent, const char* name) {
    auto* b = new QPushButton(parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

ReportValues measurementReport(const MeasurementResult& result) {
    std::array<std::string, kChannelCount> means;
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        means[i] = result.valueText(i, result.channels[i].mean);
    }
    const MeasurementFields& f = result.fields;
    return measurementReportValues(
        means,
        {f.customer, f.site, f.appliance, f.technician, dateText(result.start),
         timeText(result.start) + " \u2013 " + timeText(result.end), durationText(result.plan)});
}

TMeasureResultFrm::TMeasureResultFrm(TrendPrinting* printing, const TrendRecorder* diagram,
                                     QWidget* parent)
    : QDialog(parent), printing_(printing), diagram_(diagram) {
    setObjectName(QStringLiteral("MeasureResultFrm"));
    setSizeGripEnabled(true);
    resize(840, 660);

    // The fields in two columns: the times on the left, the technician's notes on the right.
    auto* form = new QGridLayout;
    form->setColumnStretch(1, 1);
    form->setColumnStretch(3, 2);
    for (int i = 0; i < kFieldCount; ++i) {
        auto* value = new QLabel(this);
        value->setObjectName(QStringLiteral("Field%1").arg(i + 1));
        fields_.emplace_back(new QLabel(this), value);
        const int row = i % (kFieldCount / 2);
        const int column = 2 * (i / (kFieldCount / 2));
        form->addWidget(fields_.back().first, row, column);
        form->addWidget(value, row, column + 1);
    }
    notice_ = new QLabel(this);
    notice_->setObjectName(QStringLiteral("IncompleteNotice"));
    notice_->setWordWrap(true);
    notice_->setStyleSheet(QStringLiteral("color: #b40000; font-weight: bold;"));
    notice_->hide();

    model_ = new ResultTableModel(this);
    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("ResultTable"));
    table_->setModel(model_);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectItems);
    table_->setTabKeyNavigation(false); // Tab leaves the table for the buttons
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    table_->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);

    protocolNote_ = new QLabel(this);
    protocolNote_->setObjectName(QStringLiteral("ProtocolNote"));
    protocolNote_->setWordWrap(true);

    writerButton_ = button(this, "WriterButton");
    writerButton_->setEnabled(false);
    printButton_ = button(this, "PrintButton");
    printButton_->setEnabled(printing_ != nullptr);
    // No default button: Return in the table must not close the window.
    closeButton_ = button(this, "CloseButton");
    connect(writerButton_, &QPushButton::clicked, this, [this] {
        if (writerClick_) {
            writerClick_();
        }
    });
    connect(printButton_, &QPushButton::clicked, this, &TMeasureResultFrm::Print);
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(writerButton_);
    buttons->addWidget(printButton_);
    buttons->addWidget(closeButton_);
    auto* root = new QVBoxLayout(this);
    root->addLayout(form);
    root->addWidget(notice_);
    root->addWidget(table_, 1);
    root->addWidget(protocolNote_);
    root->addLayout(buttons);
    applyLanguage(LanguageTexts{});
}

TMeasureResultFrm::~TMeasureResultFrm() = default;

void TMeasureResultFrm::applyLanguage(const LanguageTexts& texts) {
    texts_ = texts;
    setWindowTitle(qs(texts.measurementResult));
    table_->setAccessibleName(qs(texts.measurementResult));
    writerButton_->setText(qs(texts.copyToWriter));
    printButton_->setText(qs(texts.print));
    closeButton_->setText(qs(texts.close));
    refresh();
}

void TMeasureResultFrm::showResult(MeasurementResult result, const QString& protocolFile,
                                   const std::optional<std::string>& protocolError) {
    result_ = std::move(result);
    trend_ = MeasurementTrend();
    if (diagram_ != nullptr) {
        trend_ = measurementTrend(*diagram_, result_->start, result_->end);
    }
    protocolFile_ = protocolFile;
    protocolError_ = protocolError;
    refresh();
    show();
    raise();
    activateWindow();
    // The keyboard starts on the first channel's name.
    table_->setCurrentIndex(model_->index(0, 0));
    table_->setFocus();
}

void TMeasureResultFrm::refresh() {
    if (!result_) {
        return;
    }
    const std::vector<ResultField> fields = resultFields(*result_, texts_);
    for (std::size_t i = 0; i < fields_.size() && i < fields.size(); ++i) {
        fields_[i].first->setText(qs(fields[i].label) + QLatin1Char(':'));
        fields_[i].second->setText(qs(fields[i].value));
        // A screen reader says which field it reads.
        fields_[i].second->setAccessibleName(qs(fields[i].label));
        fields_[i].second->setAccessibleDescription(qs(fields[i].value));
    }
    const QString notice =
        qs(fillPlaceholders(texts_.incompleteNotice, {std::to_string(result_->noDataSeconds)}));
    notice_->setText(notice);
    notice_->setAccessibleName(notice);
    notice_->setVisible(!result_->complete);
    model_->setColumns(resultColumns(*result_, texts_));
    table_->resizeColumnsToContents();
    const QString note =
        protocolError_
            ? qs(fillPlaceholders(texts_.protocolFailed, {*protocolError_}))
            : qs(fillPlaceholders(texts_.savedInProtocol, {protocolFile_.toStdString()}));
    protocolNote_->setText(note);
    protocolNote_->setAccessibleName(note);
}

ExportButton TMeasureResultFrm::exportButton() {
    return {this,
            [this](std::function<void()> action) {
                writerClick_ = std::move(action);
                writerButton_->setEnabled(static_cast<bool>(writerClick_));
            },
            [this](bool available, const QString& whyNot) {
                writerButton_->setEnabled(available && writerClick_);
                writerButton_->setToolTip(available ? QString() : whyNot);
            },
            [this](const QString& line) {
                auto* box = new QMessageBox(QMessageBox::Information, windowTitle(), line,
                                            QMessageBox::Ok, this);
                box->setObjectName(QStringLiteral("WordExportMessageBox"));
                box->setAttribute(Qt::WA_DeleteOnClose);
                box->open();
            }};
}

ReportValues TMeasureResultFrm::reportValues() const {
    return result_ ? measurementReport(*result_) : ReportValues{};
}

void TMeasureResultFrm::installWriterExport(const WriterExportMaker& make) {
    // The old export unbinds the button as it goes: it goes first.
    writerExport_.reset();
    writerExport_ = make(exportButton(), [this] { return reportValues(); });
}

void TMeasureResultFrm::Print() {
    if (printing_ == nullptr || !result_) {
        return;
    }
    const LocalDateTime& t = result_->start;
    const QString pdfName =
        qs("measurement-" + formatDateTime("yyyy-mm-dd-hhnnss", t, DateTimePatterns{}) + ".pdf");
    // The diagram samples on a clock of its own: its record of the last second may have come
    // after the result. The live diagram is taken while it still holds the whole time.
    MeasurementTrend live;
    if (diagram_ != nullptr) {
        live = measurementTrend(*diagram_, result_->start, result_->end);
    }
    const MeasurementTrend& trend = live.records.size() >= trend_.records.size() ? live : trend_;
    printing_->printPage(this, qs(texts_.pdfInstead), pdfName, [&](QPrinter& printer) {
        return PrintLandscapePage(printer, [&](QPainter& painter, const QRectF& area) {
            drawMeasurementPage(painter, area, *result_, texts_, trend);
        });
    });
}

} // namespace kesto
