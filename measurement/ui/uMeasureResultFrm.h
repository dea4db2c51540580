#pragma once

#include "config/Language.h"
#include "measurement/Measurement.h"
#include "measurement/ui/MeasurementPage.h"
#include "wordexport/ReportExport.h"
#include "wordexport/ui/ReportExportAction.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QLabel;
class QPushButton;
class QTableView;

namespace kesto {

class ResultTableModel;
class TrendPrinting;
class TrendRecorder;

// The result of a measurement: its date, times, readings and the technician's fields, a notice
// when it is incomplete, the table of the nineteen channels, where it was saved, and "Copy to
// Writer", "Print" and "Close". Not modal: the live display goes on beside it. A new result
// takes the place of the one shown.
class TMeasureResultFrm : public QDialog {
    Q_OBJECT

public:
    // `printing` (the program's printer) and `diagram` (the live diagram printed below the
    // table) must outlive the window; without a printer there is no print.
    explicit TMeasureResultFrm(TrendPrinting* printing = nullptr,
                               const TrendRecorder* diagram = nullptr, QWidget* parent = nullptr);
    ~TMeasureResultFrm() override;

    void applyLanguage(const LanguageTexts& texts);

    // Shows the result, and where it was saved: in `protocolFile`, or not, for the reason
    // `protocolError`. The diagram's records over its time are kept with it, should the live
    // diagram lose them before the page is printed.
    void showResult(MeasurementResult result, const QString& protocolFile,
                    const std::optional<std::string>& protocolError);
    const std::optional<MeasurementResult>& result() const { return result_; }

    // "Copy to Writer": what it puts into the report (the means and fields), and the export
    // behind the button, made by `make` for this window's button once an earlier one is gone.
    ReportValues reportValues() const;
    using WriterExportMaker = std::function<std::unique_ptr<ReportExportAction>(
        ExportButton, ReportExportAction::Values)>;
    void installWriterExport(const WriterExportMaker& make);
    ReportExportAction* writerExport() const { return writerExport_.get(); }

    // "Print": one landscape page on the program's printer, or a PDF file without one.
    void Print();

    QTableView* table() const { return table_; }
    const ResultTableModel& model() const { return *model_; }
    QLabel* notice() const { return notice_; }
    QLabel* protocolNote() const { return protocolNote_; }
    QPushButton* writerButton() const { return writerButton_; }

private:
    void refresh();
    ExportButton exportButton();

    TrendPrinting* printing_;
    const TrendRecorder* diagram_;
    LanguageTexts texts_;
    std::optional<MeasurementResult> result_;
    MeasurementTrend trend_;
    QString protocolFile_;
    std::optional<std::string> protocolError_;

    std::vector<std::pair<QLabel*, QLabel*>> fields_;
    QLabel* notice_;
    QTableView* table_;
    ResultTableModel* model_;
    QLabel* protocolNote_;
    QPushButton* writerButton_;
    QPushButton* printButton_;
    QPushButton* closeButton_;
    std::function<void()> writerClick_;
    std::unique_ptr<ReportExportAction> writerExport_;
};

// The report values of a measurement: the channels' means in their formats, the fields, the
// date, the start and end time and the readings × seconds.
ReportValues measurementReport(const MeasurementResult& result);

} // namespace kesto
