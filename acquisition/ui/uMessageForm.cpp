#include "acquisition/ui/uMessageForm.h"

#include "acquisition/DateTimeFormat.h"

#include <QCheckBox>
#include <QDir>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QList>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace kesto {
namespace {

constexpr int kClientWidth = 918;
constexpr int kClientHeight = 402;

QString logPathOrDefault(QString path) {
    if (path.isEmpty()) {
        return QDir::homePath() + QStringLiteral("/KESTO.LOG");
    }
    return path;
}

QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

namespace {

// The ruler lines up only if every character of a frame line has the same advance: digits, the
// hex letters, the blank and the colon of the time.
bool evenlySpaced(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QLatin1Char('0'));
    for (const QChar c : QStringLiteral("123456789ABCDEF :")) {
        if (metrics.horizontalAdvance(c) != width) {
            return false;
        }
    }
    return width > 0;
}

} // namespace

QFont frameMonitorFont() {
    QList<QFont> candidates;
    if (QFontDatabase::hasFamily(QStringLiteral("Courier New"))) {
        candidates.append(QFont(QStringLiteral("Courier New"), 8));
    }
    QFont systemFixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    systemFixed.setPointSize(8);
    candidates.append(systemFixed);
    for (const char* family : {"DejaVu Sans Mono", "Liberation Mono", "Noto Mono"}) {
        QFont font(QString::fromLatin1(family), 8);
        font.setStyleHint(QFont::TypeWriter);
        candidates.append(font);
    }
    for (const QFont& font : candidates) {
        if (evenlySpaced(font)) {
            return font;
        }
    }
    return systemFixed;
}

TMessageFrm::TMessageFrm(const Clock& clock, QWidget* parent, QString logPath)
    : QDialog(parent), clock_(clock),
      frameLog_(logPathOrDefault(std::move(logPath)).toLocal8Bit().toStdString()) {
    setObjectName(QStringLiteral("MessageFrm"));
    setWindowTitle(QStringLiteral("Kesto messages"));
    setFixedSize(kClientWidth, kClientHeight);
    setModal(false);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setAccessibleName(QStringLiteral("Messages"));

    const QFont monitorFont = frameMonitorFont();
    auto makeLabel = [this](const char* name) {
        auto* label = new QLabel(this);
        label->setObjectName(QLatin1String(name));
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    };
    Label3 = makeLabel("Label3");
    Label3->setFont(monitorFont);
    Label1 = makeLabel("Label1");
    Label1->setFont(monitorFont);
    Label2 = makeLabel("Label2");
    CountersLabel = makeLabel("CountersLabel");

    CheckBox1 = new QCheckBox(QStringLiteral("Write to logfile"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setChecked(false);

    Button1 = new QPushButton(QStringLiteral("Close"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });

    // The word processor here is LibreOffice Writer.
    Button2 = new QPushButton(QStringLiteral("Copy to Writer"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    setWordExportAvailable(false);
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });

    // Bottom panel: the frame monitor and counters on the left, the controls on the right.
    auto* monitor = new QVBoxLayout;
    monitor->setSpacing(2);
    monitor->addWidget(Label3);
    monitor->addWidget(Label1);
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(Label2);
    countRow->addSpacing(24);
    countRow->addWidget(CountersLabel, 1);
    monitor->addLayout(countRow);

    auto* controls = new QVBoxLayout;
    controls->setSpacing(4);
    controls->addWidget(CheckBox1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button2);
    buttons->addWidget(Button1);
    controls->addLayout(buttons);

    auto* panel = new QHBoxLayout;
    panel->setContentsMargins(8, 6, 8, 8);
    panel->addLayout(monitor, 1);
    panel->addLayout(controls);

    // Tab follows the layout: the buttons from left to right.
    setTabOrder(CheckBox1, Button2);
    setTabOrder(Button2, Button1);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->addWidget(Memo1, 1);
    root->addLayout(panel);

    FormCreate();
}

void TMessageFrm::FormCreate() {
    Memo1->clear();
    Label1->clear();
    Label2->clear();
    Label3->clear();
    CountersLabel->clear();
    nameFrameMonitor();
}

void TMessageFrm::nameFrameMonitor() {
    // The bare ruler digits, frame and count mean nothing when spoken alone.
    Label3->setAccessibleName(QStringLiteral("Byte ruler"));
    Label1->setAccessibleName(QStringLiteral("Last frame: ") + Label1->text());
    Label2->setAccessibleName(QStringLiteral("Hex digits of the last frame: ") + Label2->text());
}

void TMessageFrm::AddMessage(const QString& text) {
    if (!QWidget::isVisible()) {
        show();
    }
    const LocalDateTime now = clock_.localNow();
    const QString stamp = QString::fromStdString(dateText(now)) + QLatin1Char(' ') +
                          QString::fromStdString(timeText(now)) + QLatin1Char(' ');
    Memo1->appendPlainText(stamp + text);
}

bool TMessageFrm::isVisible() const {
    return QWidget::isVisible();
}

void TMessageFrm::addMessage(std::string_view text) {
    AddMessage(fromView(text));
}

bool TMessageFrm::writeToLogfile() const {
    return CheckBox1->isChecked();
}

void TMessageFrm::showFrame(std::string_view ruler, std::string_view line, int hexDigits) {
    Label3->setText(fromView(ruler));
    Label1->setText(fromView(line));
    Label2->setText(QString::number(hexDigits));
    nameFrameMonitor();
}

void TMessageFrm::showCounters(const DecoderCounters& counters) {
    CountersLabel->setText(
        QStringLiteral("Frames accepted: %1   rejected: %2   bytes discarded: %3")
            .arg(counters.framesAccepted)
            .arg(counters.framesRejected)
            .arg(counters.bytesDiscarded));
}

QString TMessageFrm::logFilePath() const {
    return QString::fromLocal8Bit(frameLog_.path());
}

void TMessageFrm::setWordExport(std::function<void()> exportAction) {
    wordExport_ = std::move(exportAction);
    setWordExportAvailable(static_cast<bool>(wordExport_));
}

void TMessageFrm::setWordExportAvailable(bool available, const QString& whyNot) {
    available = available && wordExport_;
    Button2->setEnabled(available);
    if (available) {
        Button2->setToolTip(QString());
    } else {
        Button2->setToolTip(whyNot.isEmpty()
                                ? QStringLiteral("The word-processor export is not available")
                                : whyNot);
    }
}

QString TMessageFrm::messagesText() const {
    return Memo1->toPlainText();
}

void TMessageFrm::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    // A spontaneous hide is the window system minimising the window: not a hiding of ours, and
    // the window counts as visible for the alarm still.
    if (event->spontaneous()) {
        return;
    }
    emit hidden();
}

void TMessageFrm::Button1Click() {
    hide();
}

void TMessageFrm::Button2Click() {
    if (wordExport_) {
        wordExport_();
    }
}

// ---------------------------------------------------------------------------------------------

AttachedMessageWindow::~AttachedMessageWindow() {
    QObject::disconnect(destroyed_);
}

void AttachedMessageWindow::attach(TMessageFrm* window, FrameDecoder& decoder) {
    QObject::disconnect(destroyed_);
    target_ = window;
    decoder.setFrameLog(window != nullptr ? &window->frameLog() : nullptr);
    if (window != nullptr) {
        destroyed_ = QObject::connect(window, &QObject::destroyed,
                                      [&decoder] { decoder.setFrameLog(nullptr); });
    }
}

bool AttachedMessageWindow::isVisible() const {
    return target_ && target_->isVisible();
}

void AttachedMessageWindow::addMessage(std::string_view text) {
    if (target_) {
        target_->addMessage(text);
    }
}

bool AttachedMessageWindow::writeToLogfile() const {
    return target_ && target_->writeToLogfile();
}

void AttachedMessageWindow::showFrame(std::string_view ruler, std::string_view line,
                                      int hexDigits) {
    if (target_) {
        target_->showFrame(ruler, line, hexDigits);
    }
}

} // namespace kesto
