#include "app/LiveTrends.h"

#include "widgets/DiagramPage.h"
#include "widgets/QtText.h"
#include "widgets/TrendPanel.h"
#include "widgets/TrendRecorder.h"

#include <QComboBox>
#include <QLabel>

namespace kesto {
namespace {

constexpr std::array<DiagramNames, kDiagramCount> kNames{{
    {"AbTrend1", nullptr, "Label6", "Label5", "ComboBox1", "Panel2"},
    {"AbTrend2", nullptr, "Label8", "Label7", "ComboBox2", "Panel3"},
    {"AbTrend3", nullptr, "Label12", "Label11", "ComboBox3", "Panel4"},
}};

const QString kSwatchBlanks(3, QLatin1Char(' '));

} // namespace

LiveTrends::LiveTrends(const std::array<QWidget*, kDiagramCount>& pages, const Clock& clock,
                       QObject* parent)
    : QObject(parent) {
    for (int d = 0; d < kDiagramCount; ++d) {
        auto* page = new DiagramPage(pages[static_cast<std::size_t>(d)], d,
                                     kNames[static_cast<std::size_t>(d)], liveReadOut, this);
        diagrams_[static_cast<std::size_t>(d)] = page;
        TrendRecorder* trend = page->trend();
        trend->setAccessibleName(QStringLiteral("Diagram %1").arg(d + 1));
        trend->setClock(&clock);
        trend->setMaxRecords(kMaxRecords);
        trend->setRecording(true);
        page->panel()->swatch()->setText(kSwatchBlanks);
        if (d == 0) {
            QFont bold = page->panel()->readOut()->font();
            bold.setBold(true);
            page->panel()->readOut()->setFont(bold);
        }
    }
}

void LiveTrends::YTTimerTimer(const LiveDisplay& display) {
    ChannelValues values{};
    for (std::size_t c = 0; c < kChannelCount; ++c) {
        values[c] = display[c].value;
    }
    for (int d = 0; d < kDiagramCount; ++d) {
        TrendRecorder* t = trend(d);
        const SlotValues slotSet = diagramSlotValues(d, values);
        for (std::size_t s = 0; s < usedSlotCount(d); ++s) {
            t->setCurrentValue(s, slotSet[s]);
        }
    }
}

void LiveTrends::ApplyChannelsToTrends(const LiveDisplay& display) {
    for (DiagramPage* page : diagrams_) {
        page->applyChannels(display);
    }
    for (int d = 0; d < kDiagramCount; ++d) {
        blankReadOut(d);
    }
}

void LiveTrends::applyLanguage(const LanguageTexts& t) {
    const std::array<const std::string*, kDiagramCount> captions{&t.diagram1, &t.diagram2,
                                                                 &t.diagram3};
    for (int d = 0; d < kDiagramCount; ++d) {
        trend(d)->setAccessibleName(qs(*captions[static_cast<std::size_t>(d)]));
        choiceList(d)->setAccessibleDescription(qs(t.readOutChannel));
        trend(d)->setSpokenTexts(qs(t.noRecordAtCursor), qs(t.cursorOffRecords));
    }
}

void LiveTrends::ComboBoxChange(int d) {
    at(d)->ComboBoxChange();
}

void LiveTrends::NewCursorPos(int d) {
    at(d)->NewCursorPos();
}

void LiveTrends::blankReadOut(int d) {
    readOut(d)->clear();
    swatch(d)->setText(kSwatchBlanks);
}

void LiveTrends::setMaxRecords(std::size_t maxRecords) {
    for (DiagramPage* page : diagrams_) {
        page->trend()->setMaxRecords(maxRecords);
    }
}

void LiveTrends::clearRecords() {
    for (DiagramPage* page : diagrams_) {
        page->trend()->clear();
    }
}

TrendRecorder* LiveTrends::trend(int d) const {
    return at(d)->trend();
}
QComboBox* LiveTrends::choiceList(int d) const {
    return at(d)->panel()->choiceList();
}
QLabel* LiveTrends::readOut(int d) const {
    return at(d)->panel()->readOut();
}
QLabel* LiveTrends::swatch(int d) const {
    return at(d)->panel()->swatch();
}

TrendRecorder* LiveTrends::trendForPage(int pageIndex) const {
    return trend(diagramPrintedFromTab(pageIndex));
}

} // namespace kesto
