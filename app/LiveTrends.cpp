#include "app/LiveTrends.h"

#include "widgets/TrendPanel.h"
#include "widgets/QtText.h"
#include "widgets/TrendRecorder.h"

#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

namespace kesto {
namespace {

struct Names {
    const char* trend;
    const char* choiceList;
    const char* readOut;
    const char* swatch;
};
constexpr std::array<Names, kDiagramCount> kNames{{
    {"AbTrend1", "ComboBox1", "Label5", "Label6"},
    {"AbTrend2", "ComboBox2", "Label7", "Label8"},
    {"AbTrend3", "ComboBox3", "Label11", "Label12"},
}};

const QString kSwatchBlanks(3, QLatin1Char(' '));

} // namespace

LiveTrends::LiveTrends(const std::array<QWidget*, kDiagramCount>& pages, const Clock& clock,
                       QObject* parent)
    : QObject(parent) {
    for (int d = 0; d < kDiagramCount; ++d) {
        const Names& names = kNames[static_cast<std::size_t>(d)];
        Diagram& diagram = diagrams_[static_cast<std::size_t>(d)];
        QWidget* page = pages[static_cast<std::size_t>(d)];
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);

        diagram.trend = new TrendRecorder(page);
        diagram.trend->setObjectName(names.trend);
        diagram.trend->setAccessibleName(QStringLiteral("Diagram %1").arg(d + 1));
        diagram.trend->setClock(&clock);
        diagram.trend->setMaxRecords(kMaxRecords);
        diagram.trend->setRecording(true);
        layout->addWidget(diagram.trend, 1);

        diagram.panel = new TrendPanel(names.swatch, names.readOut, names.choiceList, page);
        diagram.panel->setObjectName(QStringLiteral("Panel%1").arg(d + 2));
        diagram.panel->swatch()->setText(kSwatchBlanks);
        if (d == 0) {
            QFont bold = diagram.panel->readOut()->font();
            bold.setBold(true);
            diagram.panel->readOut()->setFont(bold);
        }
        layout->addWidget(diagram.panel);

        connect(diagram.panel, &TrendPanel::choiceActivated, this,
                [this, d] { ComboBoxChange(d); });
        connect(diagram.trend, &TrendRecorder::NewCursorPos, this, [this, d] { NewCursorPos(d); });
    }
}

void LiveTrends::YTTimerTimer(const LiveDisplay& display) {
    ChannelValues values{};
    for (std::size_t c = 0; c < kChannelCount; ++c) {
        values[c] = display[c].value;
    }
    for (int d = 0; d < kDiagramCount; ++d) {
        TrendRecorder* t = at(d).trend;
        const SlotValues slotSet = diagramSlotValues(d, values);
        for (std::size_t s = 0; s < usedSlotCount(d); ++s) {
            t->setCurrentValue(s, slotSet[s]);
        }
    }
}

void LiveTrends::ApplyChannelsToTrends(const LiveDisplay& display) {
    for (int d = 0; d < kDiagramCount; ++d) {
        const Diagram& diagram = at(d);
        diagram.trend->setSlotSettings(diagramSlotSettings(d, display));
        diagram.panel->setChoices(choiceListEntries(d, display));
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
    const Diagram& diagram = at(d);
    diagram.panel->readOut()->clear();
    diagram.trend->setAbsScaleCh(diagram.panel->choiceList()->currentIndex() + 1);
    NewCursorPos(d);
}

void LiveTrends::NewCursorPos(int d) {
    const Diagram& diagram = at(d);
    const TrendSlots& slotSet = diagram.trend->slotSettings();
    const int i = diagram.panel->choiceList()->currentIndex();
    diagram.panel->showReadOut(liveReadOut(slotSet, i, diagram.trend->valueAtCursor()),
                               SlotColor(slotSet, i));
}

void LiveTrends::blankReadOut(int d) {
    at(d).panel->readOut()->clear();
    at(d).panel->swatch()->setText(kSwatchBlanks);
}

void LiveTrends::setMaxRecords(std::size_t maxRecords) {
    for (const Diagram& d : diagrams_) {
        d.trend->setMaxRecords(maxRecords);
    }
}

void LiveTrends::clearRecords() {
    for (const Diagram& d : diagrams_) {
        d.trend->clear();
    }
}

TrendRecorder* LiveTrends::trend(int d) const {
    return at(d).trend;
}
QComboBox* LiveTrends::choiceList(int d) const {
    return at(d).panel->choiceList();
}
QLabel* LiveTrends::readOut(int d) const {
    return at(d).panel->readOut();
}
QLabel* LiveTrends::swatch(int d) const {
    return at(d).panel->swatch();
}

TrendRecorder* LiveTrends::trendForPage(int pageIndex) const {
    return trend(diagramPrintedFromTab(pageIndex));
}

} // namespace kesto
