#pragma once

#include "acquisition/LiveValues.h"
#include "trends/SlotLayout.h"

#include <QObject>

#include <optional>
#include <string>

class QScrollBar;
class QWidget;

namespace kesto {

class TrendPanel;
class TrendRecorder;

// The names a diagram page's controls carry, by which the program finds them.
struct DiagramNames {
    const char* trend;
    const char* scrollBar; // null: the page has none
    const char* swatch;
    const char* readOut;
    const char* choiceList;
    const char* panel;
};

// One diagram page as the live trends and the viewer build it: the trend recorder, a scroll bar
// where the page scrolls through its records, and the panel under it (colour swatch, cursor
// read-out, channel choice list). The read-out follows the cursor and the chosen channel;
// choosing a channel also puts that slot's scale on the diagram.
class DiagramPage : public QObject {
    Q_OBJECT

public:
    using ReadOutText = std::optional<std::string> (*)(const TrendSlots& slotSet, int index,
                                                        const ValueAtCursor& atCursor);

    // Builds the page's controls into `page` (laid out top to bottom) for diagram `diagram`.
    DiagramPage(QWidget* page, int diagram, const DiagramNames& names, ReadOutText readOut,
                QObject* parent = nullptr);

    TrendRecorder* trend() const { return trend_; }
    QScrollBar* scrollBar() const { return scrollBar_; }
    TrendPanel* panel() const { return panel_; }

    // The channel settings to the slots and the choice list (first entry selected, the
    // diagram's scale slot unchanged).
    void applyChannels(const LiveDisplay& display);
    // The user picked a channel: its slot's scale, then the read-out as after a cursor move.
    void ComboBoxChange();
    // The cursor read-out.
    void NewCursorPos();

private:
    int diagram_;
    ReadOutText readOut_;
    TrendRecorder* trend_ = nullptr;
    QScrollBar* scrollBar_ = nullptr;
    TrendPanel* panel_ = nullptr;
};

} // namespace kesto
