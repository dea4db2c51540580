#pragma once

#include "acquisition/Interfaces.h"
#include "acquisition/LiveValues.h"
#include "config/Language.h"
#include "trends/SlotLayout.h"

#include <QObject>

#include <array>
#include <cstddef>

class QComboBox;
class QLabel;
class QWidget;

namespace kesto {

class DiagramPage;
class TrendRecorder;

// The three live diagrams of the main window: on each diagram page a recording trend
// (`AbTrend1` to `AbTrend3`) and a bottom panel with the colour swatch, the cursor read-out and
// the channel choice list. Binds them to the live values and the channel settings.
class LiveTrends : public QObject {
    Q_OBJECT

public:
    static constexpr std::size_t kMaxRecords = 60000;

    // Builds the diagrams into the three pages; samples carry the date and time of `clock`.
    LiveTrends(const std::array<QWidget*, kDiagramCount>& pages, const Clock& clock,
               QObject* parent = nullptr);

    // Every second: the values on the channels' bars become the current values of their slots.
    // Each trend records them when its own sampling clock comes due.
    void YTTimerTimer(const LiveDisplay& display);
    // The channel settings to the slots and the choice lists (first entry selected, the
    // diagram's scale slot unchanged); the read-outs are blanked.
    void ApplyChannelsToTrends(const LiveDisplay& display);
    // Assistive tools name each diagram as its tab does.
    void applyLanguage(const LanguageTexts& texts);
    // The user picked a channel: its slot's scale, then the read-out as after a cursor move.
    void ComboBoxChange(int diagram);
    // The cursor read-out of a diagram.
    void NewCursorPos(int diagram);
    // Empties a read-out and sets its swatch to three blanks.
    void blankReadOut(int diagram);
    void setMaxRecords(std::size_t maxRecords);
    void clearRecords();

    TrendRecorder* trend(int diagram) const;
    QComboBox* choiceList(int diagram) const;
    QLabel* readOut(int diagram) const;
    QLabel* swatch(int diagram) const;
    // The trend printed from a page of the main window: diagram 2 and 3 from their own pages,
    // diagram 1 from every other page.
    TrendRecorder* trendForPage(int pageIndex) const;

private:
    DiagramPage* at(int diagram) const { return diagrams_.at(static_cast<std::size_t>(diagram)); }

    std::array<DiagramPage*, kDiagramCount> diagrams_{};
};

} // namespace kesto
