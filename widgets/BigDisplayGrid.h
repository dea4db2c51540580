#pragma once

#include "acquisition/DisplayRefresh.h"
#include "acquisition/LiveValues.h"
#include "config/Language.h"

#include <QString>
#include <QWidget>

#include <array>

namespace kesto {

// The big-digit display: 4 columns x 5 rows on black, each cell the channel's name (with its
// unit) above its value. Cells share the widget equally (width / 4, height / 5, integer
// division), and both fonts scale with the row height, so the digits grow with the window.
// Nothing can be selected or focused. Assistive tools find one text per cell: its channel's
// caption as the name, the value as the value and description.
class BigDisplayGrid : public QWidget {
    Q_OBJECT

public:
    explicit BigDisplayGrid(QWidget* parent = nullptr);

    // Cell texts row by row, each "name~value"; repaints only when a text changed.
    void setCells(const BigDisplayTexts& cells);
    QString cellText(int column, int row) const;
    // A cell (row-major) in a limit alarm: drawn on the alarm colour inside a frame, with a mark
    // pointing up or down; `text` ("above the limit 100") is spoken after its value.
    void setCellAlarm(int cell, LimitAlarm alarm, const QString& text);
    // Every channel's cell as its alarm stands in `display`.
    void showAlarms(const LiveDisplay& display, const LanguageTexts& texts);
    LimitAlarm cellAlarm(int cell) const;
    // What a screen reader speaks of a cell: its caption without blanks around it ("O2 [%]",
    // "Lambda") and its value ("4.3", during an alarm "4.3, below the limit 4.5"). Both empty
    // for the empty cell.
    QString spokenCellName(int cell) const;
    QString spokenCellValue(int cell) const;

    int defaultColWidth() const { return colWidth_; }
    int defaultRowHeight() const { return rowHeight_; }
    // Point sizes of the name and value fonts for the current row height.
    int nameFontPointSize() const { return rowHeight_ / 7; }
    int valueFontPointSize() const { return rowHeight_ / 3; }
    QRect cellRect(int column, int row) const;

    // Draws one cell: the text split at the first "~", the name small and white at the top left,
    // the value large and red, its top as many pixels below the cell's top as its point size.
    void StringGrid1DrawCell(QPainter& painter, int column, int row) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormResize();
    void tellAccessibility(int cell);

    BigDisplayTexts cells_{};
    std::array<LimitAlarm, kBigDisplayColumns * kBigDisplayRows> alarms_{};
    std::array<QString, kBigDisplayColumns * kBigDisplayRows> alarmTexts_{};
    int colWidth_ = 0;
    int rowHeight_ = 0;
};

} // namespace kesto
