#include "widgets/DiagramPage.h"

#include "widgets/TrendPanel.h"
#include "widgets/TrendRecorder.h"

#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <QVBoxLayout>

namespace kesto {

DiagramPage::DiagramPage(QWidget* page, int diagram, const DiagramNames& names,
                         ReadOutText readOut, QObject* parent)
    : QObject(parent), diagram_(diagram), readOut_(readOut) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    trend_ = new TrendRecorder(page);
    trend_->setObjectName(names.trend);
    layout->addWidget(trend_, 1);

    if (names.scrollBar != nullptr) {
        scrollBar_ = new QScrollBar(Qt::Horizontal, page);
        scrollBar_->setObjectName(names.scrollBar);
        scrollBar_->setRange(0, 0);
        layout->addWidget(scrollBar_);
    }

    panel_ = new TrendPanel(names.swatch, names.readOut, names.choiceList, page);
    panel_->setObjectName(names.panel);
    layout->addWidget(panel_);

    connect(panel_, &TrendPanel::choiceActivated, this, &DiagramPage::ComboBoxChange);
    connect(trend_, &TrendRecorder::NewCursorPos, this, &DiagramPage::NewCursorPos);
}

void DiagramPage::applyChannels(const LiveDisplay& display) {
    trend_->setSlotSettings(diagramSlotSettings(diagram_, display));
    panel_->setChoices(choiceListEntries(diagram_, display));
}

void DiagramPage::ComboBoxChange() {
    panel_->readOut()->clear();
    trend_->setAbsScaleCh(panel_->choiceList()->currentIndex() + 1);
    NewCursorPos();
}

void DiagramPage::NewCursorPos() {
    const TrendSlots& slotSet = trend_->slotSettings();
    const int i = panel_->choiceList()->currentIndex();
    panel_->showReadOut(readOut_(slotSet, i, trend_->valueAtCursor()), SlotColor(slotSet, i));
}

} // namespace kesto
