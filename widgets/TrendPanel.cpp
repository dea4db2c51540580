#include "widgets/TrendPanel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>

namespace kesto {

TrendPanel::TrendPanel(const QString& swatchName, const QString& readOutName,
                       const QString& choiceName, QWidget* parent)
    : QWidget(parent) {
    setFixedHeight(kHeight);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 4, 8, 4);
    swatch_ = new QLabel(this);
    swatch_->setObjectName(swatchName);
    swatch_->setAutoFillBackground(true);
    swatch_->setFixedWidth(24);
    row->addWidget(swatch_);
    readOut_ = new QLabel(this);
    readOut_->setObjectName(readOutName);
    readOut_->setTextFormat(Qt::PlainText);
    row->addWidget(readOut_, 1);
    choiceList_ = new QComboBox(this);
    choiceList_->setObjectName(choiceName);
    choiceList_->setEditable(false);
    choiceList_->setMinimumWidth(100);
    // A screen reader speaks the chosen channel key as the list's name; this says what it is.
    choiceList_->setAccessibleDescription(QStringLiteral("Channel of the cursor read-out"));
    row->addWidget(choiceList_);
    // Only a pick by the user counts, not the refilling of the list.
    connect(choiceList_, &QComboBox::activated, this, &TrendPanel::choiceActivated);
}

void TrendPanel::setChoices(const std::vector<std::string>& entries) {
    choiceList_->clear();
    for (const std::string& entry : entries) {
        choiceList_->addItem(QString::fromStdString(entry));
    }
    choiceList_->setCurrentIndex(0);
}

void TrendPanel::showReadOut(const std::optional<std::string>& text, Colour colour) {
    if (!text) {
        readOut_->clear();
        return;
    }
    QPalette pal = swatch_->palette();
    pal.setColor(QPalette::Window, QColor(red(colour), green(colour), blue(colour)));
    swatch_->setPalette(pal);
    readOut_->setText(QString::fromStdString(*text));
}

} // namespace kesto
