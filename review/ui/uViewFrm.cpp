#include "review/ui/uViewFrm.h"

#include "acquisition/DateTimeFormat.h"
#include "widgets/DiagramPage.h"
#include "widgets/QtText.h"
#include "widgets/TrendPanel.h"
#include "widgets/TrendPrint.h"
#include "widgets/TrendRecorder.h"
#include "widgets/UiFonts.h"

#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QScrollBar>
#include <QShowEvent>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>

namespace kesto {
namespace {

constexpr int kDefaultColumnWidth = 70;

// Tabs: the table, then the diagrams; each diagram's controls carry the names the program
// knows them by.
constexpr std::array<const char*, 3> kDiagramCaptions{" Diagram 1 ", "Diagram 2", "Diagram 3"};
constexpr std::array<DiagramNames, 3> kDiagramNames{{
    {"AbTrend4", "ScrollBar1", "Label1", "Label2", "ComboBox1", "Panel1"},
    {"AbTrend5", "ScrollBar2", "Label3", "Label4", "ComboBox2", "Panel2"},
    {"AbTrend1", "ScrollBar3", "Label5", "Label6", "ComboBox3", "Panel3"},
}};

QString fromUtf8(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The progress bar counts in per mille of the file's bytes.
constexpr int kProgressSteps = 1000;
constexpr int kProgressIntervalMs = 100;

} // namespace

// ---------------------------------------------------------------------------------------------

void RecordingTableModel::setTable(RecordingTable table) {
    beginResetModel();
    table_ = std::move(table);
    table_.line(0, titles_);
    line_.count = 0;
    lineRow_ = 0;
    endResetModel();
}

int RecordingTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return static_cast<int>(table_.rowCount()) - 1;
}

int RecordingTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(RecordingTable::kColumns);
}

QVariant RecordingTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) {
        return {};
    }
    const auto row = static_cast<std::size_t>(index.row()) + 1;
    if (row != lineRow_) {
        table_.line(row, line_);
        lineRow_ = row;
    }
    const auto column = static_cast<std::size_t>(index.column());
    return column < line_.shown() ? fromUtf8(line_.fields[column]) : QString();
}

QVariant RecordingTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        static_cast<std::size_t>(section) >= titles_.shown()) {
        return {};
    }
    return fromUtf8(titles_.fields[static_cast<std::size_t>(section)]);
}

// ---------------------------------------------------------------------------------------------

TViewFrm::TViewFrm(TrendPrinting* printing, QWidget* parent)
    : QDialog(parent), printing_(printing) {
    if (printing_ == nullptr) {
        ownPrinting_ = std::make_unique<TrendPrinting>();
        printing_ = ownPrinting_.get();
    }
    setObjectName("ViewFrm");
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setFont(layoutFont("MS Sans Serif", 8));
    setSizeGripEnabled(true);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    resize(kWidth, kHeight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // These texts stay English: the viewer's menu is not translated.
    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName("MainMenu1");
    QMenu* file = menuBar_->addMenu("&File");
    file->setObjectName("Datei1");
    QAction* print = file->addAction("&Print diagram");
    print->setObjectName("Diagrammdrucken1");
    QAction* close = file->addAction("&Close");
    close->setObjectName("Schlieen1");
    connect(print, &QAction::triggered, this, &TViewFrm::Diagrammdrucken1Click);
    connect(close, &QAction::triggered, this, &TViewFrm::Schlieen1Click);
    layout->setMenuBar(menuBar_);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    layout->addWidget(PageControl1);

    // Shown while a file loads that takes longer than a blink.
    progress_ = new QWidget(this);
    progress_->setObjectName("LoadProgress");
    auto* progressLayout = new QHBoxLayout(progress_);
    progressLayout->setContentsMargins(6, 4, 6, 4);
    auto* progressText = new QLabel(QStringLiteral("Loading the file... Esc stops"), progress_);
    progressText->setObjectName("LoadProgressText");
    progressBar_ = new QProgressBar(progress_);
    progressBar_->setObjectName("LoadProgressBar");
    progressBar_->setRange(0, kProgressSteps);
    progressBar_->setAccessibleName(progressText->text());
    progressLayout->addWidget(progressText);
    progressLayout->addWidget(progressBar_, 1);
    progress_->hide();
    layout->addWidget(progress_);
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(kProgressIntervalMs);
    connect(progressTimer_, &QTimer::timeout, this, [this] {
        if (loading_) {
            progressBar_->setValue(static_cast<int>(loading_->fraction() * kProgressSteps));
        }
    });

    auto* dataPage = new QWidget;
    dataPage->setObjectName("TabSheet1");
    auto* dataLayout = new QVBoxLayout(dataPage);
    dataLayout->setContentsMargins(0, 0, 0, 0);
    StringGrid1 = new QTableView(dataPage);
    StringGrid1->setObjectName("StringGrid1");
    StringGrid1->setAccessibleName(QStringLiteral("Data")); // named as its page
    model_ = new RecordingTableModel(this);
    StringGrid1->setModel(model_);
    StringGrid1->verticalHeader()->hide();
    StringGrid1->horizontalHeader()->setFont(font());
    StringGrid1->horizontalHeader()->setDefaultSectionSize(kDefaultColumnWidth);
    StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    StringGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 6);
    StringGrid1->setWordWrap(false);
    dataLayout->addWidget(StringGrid1);
    PageControl1->addTab(dataPage, "   Data   ");

    for (int d = 0; d < 3; ++d) {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("TabSheet%1").arg(d + 2));
        createDiagramPage(page, d);
        PageControl1->addTab(page, kDiagramCaptions[static_cast<std::size_t>(d)]);
    }
    connect(PageControl1, &QTabWidget::currentChanged, this, &TViewFrm::PageControl1Change);
}

TViewFrm::~TViewFrm() {
    abandonLoading();
}

void TViewFrm::createDiagramPage(QWidget* page, int d) {
    Diagram& diagram = diagrams_[static_cast<std::size_t>(d)];
    diagram.page = new DiagramPage(page, d, kDiagramNames[static_cast<std::size_t>(d)],
                                   viewerReadOut, this);
    // The viewer's trends only show what the loader gives them, from their first record.
    TrendRecorder* trend = diagram.page->trend();
    trend->setAccessibleName(QString::fromLatin1(kDiagramCaptions[static_cast<std::size_t>(d)])
                                 .trimmed());
    trend->setScaleVisible(false);
    trend->setRecording(false);
    connect(diagram.page->scrollBar(), &QScrollBar::valueChanged, this,
            [this, d](int position) { ScrollBarChange(d, position); });
    // The range follows the chart's width as its page is laid out and resized.
    connect(trend, &TrendRecorder::chartResized, this, [this, d] { updateScrollRange(d); });
}

TrendRecorder* TViewFrm::trend(int d) const {
    return diagrams_.at(static_cast<std::size_t>(d)).page->trend();
}
QScrollBar* TViewFrm::scrollBar(int d) const {
    return diagrams_.at(static_cast<std::size_t>(d)).page->scrollBar();
}
QComboBox* TViewFrm::choiceList(int d) const {
    return diagrams_.at(static_cast<std::size_t>(d)).page->panel()->choiceList();
}
QLabel* TViewFrm::swatch(int d) const {
    return diagrams_.at(static_cast<std::size_t>(d)).page->panel()->swatch();
}
QLabel* TViewFrm::readOut(int d) const {
    return diagrams_.at(static_cast<std::size_t>(d)).page->panel()->readOut();
}

int TViewFrm::tableRowCount() const {
    return model_->rowCount() + 1;
}

int TViewFrm::showFile(const QString& file) {
    if (isVisible()) {
        // Already showing a recording (a card conversion ended while the user reads one): the
        // new file follows once this one is closed, from the event loop, not inside its exec().
        connect(
            this, &QDialog::finished, this,
            [this, file] { QTimer::singleShot(0, this, [this, file] { showFile(file); }); },
            Qt::SingleShotConnection);
        return QDialog::Rejected;
    }
    setFileName(file);
    return exec();
}

void TViewFrm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TViewFrm::FormShow() {
    setWindowTitle(QStringLiteral("Vantro Kesto [") + fileName_ + QStringLiteral("]"));
    for (Diagram& d : diagrams_) {
        d.page->panel()->swatch()->setText("  ");
        d.page->panel()->readOut()->clear();
    }
    PageControl1->setCurrentIndex(0);

    // A new file starts at its first record, its scroll bars at the start; what the previous
    // one held is let go of before the new one is read.
    abandonLoading();
    for (Diagram& d : diagrams_) {
        d.page->trend()->clear();
        d.position.reset();
        const QSignalBlocker block(d.page->scrollBar());
        d.page->scrollBar()->setRange(0, 0);
        d.page->scrollBar()->setValue(0);
    }
    model_->setTable({});
    loadError_.reset();

    // The loader leaves the program's date pattern at "dd.mm.yyyy" with "."; it reads with a
    // copy of the patterns on its own thread.
    DateTimePatterns& patterns = dateTimePatterns();
    patterns.shortDate = "dd.mm.yyyy";
    patterns.dateSeparator = '.';
    loading_ = BackgroundLoad::start(
        loader_, QFile::encodeName(fileName_).toStdString(), patterns, QDate::currentDate().year(),
        [this](const std::shared_ptr<BackgroundLoad>& loading) {
            QMetaObject::invokeMethod(
                this, [this, loading] { finishLoading(loading); }, Qt::QueuedConnection);
        });
    if (loading_->waitFor(std::chrono::milliseconds(kBlinkMs))) {
        finishLoading(loading_);
        return;
    }
    showProgress();
}

void TViewFrm::showProgress() {
    progressBar_->setValue(0);
    progress_->show();
    progressTimer_->start();
}

void TViewFrm::finishLoading(const std::shared_ptr<BackgroundLoad>& loading) {
    if (loading != loading_) {
        return; // given up, or taken already
    }
    loading->abandon(); // its queued report, if any, finds it taken
    RecordingLoad load = loading->take().value_or(RecordingLoad{});
    loading_.reset();
    progressTimer_->stop();
    progress_->hide();

    model_->setTable(std::move(load.table));
    // Column widths from the title row; columns it does not reach keep theirs.
    const QFontMetrics fm(StringGrid1->font());
    const ShownLine& titles = model_->titles();
    for (std::size_t j = 0; j < titles.shown(); ++j) {
        StringGrid1->setColumnWidth(static_cast<int>(j),
                                    fm.horizontalAdvance(fromUtf8(titles.fields[j])) + 10);
    }
    // The three diagrams show the loader's columns themselves.
    const auto records = std::make_shared<const RecordingColumns>(std::move(load.records));
    for (int d = 0; d < 3; ++d) {
        trend(d)->showRecords(diagramColumns(records, d));
        updateScrollRange(d);
    }

    if (load.error) {
        showLoadError(QString::fromStdString(*load.error));
    }
    emit loaded();
}

void TViewFrm::abandonLoading() {
    if (!loading_) {
        return;
    }
    loading_->abandon();
    loading_.reset();
    progressTimer_->stop();
    progress_->hide();
}

void TViewFrm::keyPressEvent(QKeyEvent* event) {
    if (loading_ && event->key() == Qt::Key_Escape) {
        // Esc while loading: stop, and show what was read. Closing the window abandons it.
        loading_->stop();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TViewFrm::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous()) {
        abandonLoading();
        // A file left open would keep its medium from being taken out.
        model_->closeFile();
    }
}

void TViewFrm::showLoadError(const QString& text) {
    loadError_ = text;
    // Shown over the viewer, which opens with what was read until then.
    auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Vantro Kesto"), text,
                                QMessageBox::Ok, this);
    box->setObjectName("LoadErrorBox");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void TViewFrm::updateScrollRange(int d) {
    scrollBar(d)->setMaximum(scrollMaximum(trend(d)->recordCount(), trend(d)->chartWidth()));
}

void TViewFrm::applyChannelSettings(const LiveDisplay& display) {
    for (Diagram& d : diagrams_) {
        d.page->applyChannels(display);
    }
}

void TViewFrm::applyLanguage(const LanguageTexts& texts) {
    for (Diagram& d : diagrams_) {
        d.page->trend()->setSpokenTexts(qs(texts.noRecordAtCursor), qs(texts.cursorOffRecords));
    }
}

void TViewFrm::ComboBoxChange(int d) {
    diagrams_.at(static_cast<std::size_t>(d)).page->ComboBoxChange();
}

void TViewFrm::NewCursorPos(int d) {
    diagrams_.at(static_cast<std::size_t>(d)).page->NewCursorPos();
}

void TViewFrm::ScrollBarChange(int d, int position) {
    Diagram& diagram = diagrams_[static_cast<std::size_t>(d)];
    diagram.page->trend()->shift(diagram.position.change(position));
}

void TViewFrm::PageControl1Change() {
    for (Diagram& d : diagrams_) {
        d.page->trend()->update();
    }
}

TrendRecorder* TViewFrm::trendToPrint() const {
    return trend(diagramPrintedFromTab(PageControl1->currentIndex()));
}

void TViewFrm::Diagrammdrucken1Click() {
    printing_->printDiagram(this, *trendToPrint());
}

void TViewFrm::Schlieen1Click() {
    close();
}

} // namespace kesto
