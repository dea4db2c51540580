#include "config/ui/uFortschrittFrm.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>

namespace kesto {
namespace {

constexpr int kClientWidth = 291;
constexpr int kClientHeight = 67;

} // namespace

TFortschrittFrm::TFortschrittFrm(QWidget* parent) : ProgressWindow(parent) {
    setObjectName(QStringLiteral("FortschrittFrm"));
    setWindowTitle(QStringLiteral("Kesto"));
    setFixedSize(kClientWidth, kClientHeight);
    setModal(false);

    // The client area is fixed at 291 x 67; at the desktop's usual 9 or 10 pt the line and the
    // counter ("Teste 255 von 255") do not fit side by side, so this window uses 8 pt.
    QFont small = font();
    small.setPointSize(std::min(small.pointSize() > 0 ? small.pointSize() : 8, 8));
    setFont(small);

    Label1 = new QLabel(QStringLiteral("Searching serial COM ports..."), this);
    Label1->setObjectName(QStringLiteral("Label1"));

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(kFirstPort, kLastPort);
    ProgressBar1->setValue(kFirstPort);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedHeight(18);
    Label1->setBuddy(ProgressBar1); // the line names the bar for screen readers

    auto* line = new QHBoxLayout;
    line->setSpacing(6);
    line->addWidget(Label1);
    line->addStretch(1);
    line->addWidget(Label2);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(8, 8, 8, 10);
    root->setSpacing(8);
    root->addLayout(line);
    root->addWidget(ProgressBar1);
}

void TFortschrittFrm::showProgress() {
    centreOnScreen();
    show();
    repaintNow();
}

void TFortschrittFrm::hideProgress() {
    hide();
}

void TFortschrittFrm::setCounterText(const QString& text) {
    Label2->setText(text);
    repaintNow();
}

void TFortschrittFrm::setPosition(int position) {
    ProgressBar1->setValue(std::clamp(position, kFirstPort, kLastPort));
    repaintNow();
}

void TFortschrittFrm::setStep(int port) {
    Label2->setText(QStringLiteral("%1 %2 %3 %4").arg(teste_).arg(port).arg(von_).arg(kLastPort));
    ProgressBar1->setValue(std::clamp(port, kFirstPort, kLastPort));
    repaintNow();
}

QString TFortschrittFrm::counterText() const {
    return Label2->text();
}

int TFortschrittFrm::position() const {
    return ProgressBar1->value();
}

void TFortschrittFrm::applyLanguage(const LanguageTexts& texts) {
    Label1->setText(QString::fromStdString(texts.searching));
    teste_ = QString::fromStdString(texts.teste);
    von_ = QString::fromStdString(texts.von);
}

void TFortschrittFrm::repaintNow() {
    // The caller keeps the UI thread busy until the probing is done, so paint now rather than
    // at the next turn of the event loop. User input stays queued until then.
    if (!isVisible()) {
        return;
    }
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace kesto
