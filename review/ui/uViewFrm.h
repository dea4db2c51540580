#pragma once

#include "acquisition/LiveValues.h"
#include "config/Language.h"
#include "review/BackgroundLoad.h"
#include "review/RecordingLoader.h"
#include "trends/Scrolling.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QMenuBar;
class QProgressBar;
class QScrollBar;
class QTabWidget;
class QTableView;
class QTimer;

namespace kesto {

class DiagramPage;
class TrendPrinting;
class TrendRecorder;

// The lines of a recording for the viewer's table: the title row is the table's header, the
// other rows follow it. A cell's text is cut from its line only when the cell is shown.
class RecordingTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    void setTable(RecordingTable table);
    const RecordingTable& table() const { return table_; }
    // The title row's fields.
    const ShownLine& titles() const { return titles_; }
    // Lets go of the file the rows are read from.
    void closeFile() { table_.closeFile(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    RecordingTable table_;
    ShownLine titles_;
    // The line whose cells were asked for last: a row's cells come one after the other.
    mutable ShownLine line_;
    mutable std::size_t lineRow_ = 0;
};

// The recording viewer: a recording file as a table of its lines and as three trend diagrams
// with the slot layout of the live diagrams. It loads the file each time it is shown; the main
// window shows it modally.
class TViewFrm : public QDialog {
    Q_OBJECT

public:
    static constexpr int kWidth = 584;
    static constexpr int kHeight = 542;
    static constexpr int kMinimumWidth = 400;
    static constexpr int kMinimumHeight = 300;

    // `printing` holds the printer the main window's "Change printer..." chose; null: a printer
    // of the viewer's own.
    explicit TViewFrm(TrendPrinting* printing = nullptr, QWidget* parent = nullptr);
    ~TViewFrm() override;

    // The file the next showing loads (the full path as chosen).
    void setFileName(const QString& file) { fileName_ = file; }
    QString fileName() const { return fileName_; }
    // Shows the window modally on `file`; it is loaded as the window shows. While it shows
    // another file, `file` is shown after it has been closed.
    int showFile(const QString& file);

    // Loading, at every showing.
    void FormShow();
    // The viewer's part of handing the channel settings to the trends: slot settings of the
    // three diagrams and their choice lists, first entry selected.
    void applyChannelSettings(const LiveDisplay& display);
    // The texts assistive tools speak for the diagrams.
    void applyLanguage(const LanguageTexts& texts);

    void ComboBoxChange(int diagram);
    // The cursor read-out of a diagram.
    void NewCursorPos(int diagram);
    void ScrollBarChange(int diagram, int position);
    void PageControl1Change();
    void Diagrammdrucken1Click();
    void Schlieen1Click();

    // Diagram 0, 1, 2 are the tabs " Diagram 1 ", "Diagram 2", "Diagram 3" (AbTrend4, AbTrend5,
    // AbTrend1).
    TrendRecorder* trend(int diagram) const;
    QScrollBar* scrollBar(int diagram) const;
    QComboBox* choiceList(int diagram) const;
    QLabel* swatch(int diagram) const;
    QLabel* readOut(int diagram) const;
    QTableView* table() const { return StringGrid1; }
    QTabWidget* pages() const { return PageControl1; }
    QMenuBar* menu() const { return menuBar_; }
    // Rows of the table, the title row included: lines read + 2.
    int tableRowCount() const;
    // The trend the print command prints on the active tab.
    TrendRecorder* trendToPrint() const;
    // Why the last loading stopped early, if it did.
    const std::optional<QString>& loadError() const { return loadError_; }

    // A file that takes longer than this to load shows its progress, and the window takes input
    // meanwhile; Esc stops the loading and shows what was read, closing the window abandons it.
    static constexpr int kBlinkMs = 300;
    bool loading() const { return loading_ != nullptr; }
    QWidget* progress() const { return progress_; }
    QProgressBar* progressBar() const { return progressBar_; }
    // What reads a file, on the loading's own thread: loadRecordingFile unless set.
    using Loader = BackgroundLoad::Loader;
    void setLoader(Loader loader) { loader_ = std::move(loader); }

signals:
    // A loading has ended: the file is shown, as far as it was read.
    void loaded();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void finishLoading(const std::shared_ptr<BackgroundLoad>& loading);
    void abandonLoading();
    void showProgress();
    struct Diagram {
        DiagramPage* page = nullptr;
        ScrollPosition position;
    };

    void createDiagramPage(QWidget* page, int diagram);
    void updateScrollRange(int diagram);
    void showLoadError(const QString& text);

    std::unique_ptr<TrendPrinting> ownPrinting_;
    TrendPrinting* printing_ = nullptr;
    QString fileName_;
    std::optional<QString> loadError_;

    Loader loader_ = loadRecordingFile;
    std::shared_ptr<BackgroundLoad> loading_;
    QWidget* progress_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QTimer* progressTimer_ = nullptr;

    QMenuBar* menuBar_ = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QTableView* StringGrid1 = nullptr;
    RecordingTableModel* model_ = nullptr;
    std::array<Diagram, 3> diagrams_{};
};

} // namespace kesto
