#pragma once

#include "acquisition/LiveValues.h"

#include <QColor>
#include <QRect>

class QLabel;
class QPainter;

namespace kesto {

// How every display shows a limit alarm. The alarm colour is told apart without colour too: a
// frame in a colour far brighter than it, and a triangle that points up for the upper limit and
// down for the lower one.
inline constexpr QColor kAlarmColour{215, 0, 0};
inline constexpr QColor kAlarmFrameColour{255, 221, 0};

// A frame `width` pixels wide just inside `r`.
void drawAlarmFrame(QPainter& p, const QRect& r, int width);
// The triangle, filled in the frame colour with a black outline, centred in `box`.
void drawAlarmMark(QPainter& p, const QRect& box, LimitAlarm alarm);

// A channel's name label in alarm: its text and a frame around it in the alarm colour (while the
// label is enabled; a greyed label keeps its grey text, and the frame still marks it).
void showLabelAlarm(QLabel* label, LimitAlarm alarm);

} // namespace kesto
