#pragma once

#include "acquisition/Interfaces.h"
#include "trends/SlotLayout.h"
#include "trends/TrendModel.h"

#include <QColor>
#include <QString>
#include <QWidget>

#include <cstddef>
#include <memory>
#include <optional>

class QTimer;

namespace kesto {

// A strip chart of up to eight channel slots: one record per pixel column, a vertical grid line
// every 60 columns, a cursor line the user drags with the mouse (or moves with the arrow keys)
// and, optionally, the value scale of one chosen slot on the right, with that slot's alarm limits
// drawn across the chart as dashed lines.
//
// Recording mode (the live trends): the chart samples the current values of its slots with the
// date and time of its clock every 1000 ms and flows, the newest record at the right. Otherwise
// (the viewer) the caller appends time-stamped records and shifts the window.
//
// Painting costs what the visible columns cost, never what the store holds.
class TrendRecorder : public QWidget {
    Q_OBJECT

public:
    static constexpr int kGridSpacing = 60;
    static constexpr int kSampleIntervalMs = 1000;
    static constexpr int kScaleWidth = 56;

    explicit TrendRecorder(QWidget* parent = nullptr);
    ~TrendRecorder() override;

    // The settings of the eight slots (`Name1`, `Name2`, `ValueFormat`, `ValueFrom`, `ValueTo`,
    // `ValueUnit`, `Color`). Slots with an empty first name are recorded but not drawn.
    const TrendSlots& slotSettings() const { return slots_; }
    void setSlotSettings(const TrendSlots& slotSet);

    // Recording: the own sampling clock runs and the display flows.
    void setRecording(bool on);
    bool isRecording() const;
    // The date and time of the samples; null: the system clock.
    void setClock(const Clock* clock);
    void setCurrentValue(std::size_t slot, float value);
    const SlotValues& currentValues() const { return current_; }
    // Records the current slot values with the clock's date and time (the sampling clock's tick).
    void sample();

    // Appends one record; the display repaints.
    void appendRecord(double time, const SlotValues& values);
    void clear();
    // Shows `columns` as its records, from the first one, without copying them (the viewer).
    void showRecords(TrendColumns columns);
    void setMaxRecords(std::size_t maxRecords);
    std::size_t maxRecords() const { return model_.store().maxRecords(); }
    std::size_t recordCount() const { return model_.store().size(); }
    // Moves the displayed window by `delta` records (not in a flowing display).
    void shift(long long delta);

    // The slot (1 to 8) whose value scale is drawn (`AbsScaleCh`).
    int absScaleCh() const { return absScaleCh_; }
    void setAbsScaleCh(int slot);
    void setScaleVisible(bool visible);
    bool scaleVisible() const { return scaleVisible_; }

    // The cursor line and the record last under it.
    const ValueAtCursor& valueAtCursor() const { return model_.valueAtCursor(); }
    // The column of the cursor line; it moves with the record it was put on.
    std::optional<int> cursorColumn() const { return model_.cursorColumn(chartWidth()); }
    // Puts the cursor line into a chart column, as the user does, and notifies.
    void moveCursorTo(int column);

    // The chart area (the widget without the value scale) and its width in columns.
    QRect chartRect() const;
    int chartWidth() const { return chartRect().width(); }
    const TrendModel& model() const { return model_; }

    // For assistive tools: the scale slot's read-out at the cursor, or `noRecord` before a
    // record has been under it; once the cursor has left the records the read-out is followed
    // by `offRecords` in brackets. The texts come from the language file.
    QString accessibleValueText() const;
    void setSpokenTexts(const QString& noRecord, const QString& offRecords);
    double scaleSlotValueAtCursor() const;

    static QColor toQColor(Colour c);

    QSize sizeHint() const override { return {400, 250}; }

signals:
    // The cursor line moved (`OnNewCursorPos`); valueAtCursor() tells what is under it.
    void NewCursorPos();
    // The chart's width changed (the viewer's scroll ranges follow it).
    void chartResized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void paintCurves(QPainter& p, const QRect& chart, int firstColumn, int lastColumn) const;
    // The alarm limits of the scale slot, as dashed lines.
    void paintLimits(QPainter& p, const QRect& chart) const;
    void paintScale(QPainter& p, const QRect& area) const;
    void cursorFromMouse(int x);
    void notifyAccessibility();

    TrendModel model_;
    TrendSlots slots_{};
    SlotValues current_{};
    int absScaleCh_ = 1;
    bool scaleVisible_ = true;
    bool dragging_ = false;
    QTimer* sampler_ = nullptr;
    std::unique_ptr<SystemClock> ownClock_;
    const Clock* clock_ = nullptr;
    QString noRecordText_ = QStringLiteral("No record at the cursor");
    QString offRecordsText_ = QStringLiteral("cursor outside the records");
};

// Makes trend recorders known to accessibility tools (name = accessible name, value = the
// read-out at the cursor). Called by every recorder's constructor; installing twice is harmless.
void installTrendRecorderAccessibility();

} // namespace kesto
