#include "recording/ui/uMMCToCSVFrm.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace kesto {
namespace {

constexpr int kClientWidth = 313;
constexpr int kClientHeight = 73;

// The bar counts in int; a card of more lines than that fills it early.
int barValue(std::size_t lines) {
    return static_cast<int>(std::min<std::size_t>(lines, INT_MAX));
}

} // namespace

TMMCtoCSVFrm::TMMCtoCSVFrm(QWidget* parent)
    // A title bar without any buttons, above the other windows.
    : ProgressWindow(parent, Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("MMCtoCSVFrm"));
    setWindowTitle(QStringLiteral("Converting MMC data"));
    setFixedSize(kClientWidth, kClientHeight);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedHeight(18);
    ProgressBar1->setAccessibleName(windowTitle()); // what a screen reader calls the bar

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(8, 8, 8, 10);
    root->setSpacing(8);
    root->addWidget(Label1);
    root->addWidget(ProgressBar1);
}

void TMMCtoCSVFrm::showProgress() {
    Label1->clear();
    // Centred once shown, when the frame around the window is known.
    show();
    centreOnScreen();
}

void TMMCtoCSVFrm::hideProgress() {
    hide();
}

QString TMMCtoCSVFrm::labelText() const {
    return Label1->text();
}

int TMMCtoCSVFrm::position() const {
    return ProgressBar1->value();
}

int TMMCtoCSVFrm::maximum() const {
    return ProgressBar1->maximum();
}

void TMMCtoCSVFrm::countingLines(std::size_t linesCounted) {
    Label1->setText(QString::fromStdString(readingCardText(linesCounted)));
}

void TMMCtoCSVFrm::conversionStarts(std::size_t lineCount) {
    ProgressBar1->setRange(0, barValue(lineCount));
    ProgressBar1->setValue(0);
    Label1->clear();
}

void TMMCtoCSVFrm::convertingLines(std::size_t converted, std::size_t lineCount) {
    Label1->setText(QString::fromStdString(convertingCardText(converted, lineCount)));
    ProgressBar1->setValue(barValue(converted));
}

} // namespace kesto
