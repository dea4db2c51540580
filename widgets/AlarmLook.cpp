#include "widgets/AlarmLook.h"

#include <QLabel>
#include <QPainter>
#include <QPolygon>

#include <algorithm>

namespace kesto {

void drawAlarmFrame(QPainter& p, const QRect& r, int width) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(kAlarmFrameColour);
    const QRect inner = r.adjusted(width, width, -width, -width);
    p.drawRect(QRect(r.left(), r.top(), r.width(), width));
    p.drawRect(QRect(r.left(), inner.bottom() + 1, r.width(), width));
    p.drawRect(QRect(r.left(), inner.top(), width, inner.height()));
    p.drawRect(QRect(inner.right() + 1, inner.top(), width, inner.height()));
    p.restore();
}

void drawAlarmMark(QPainter& p, const QRect& box, LimitAlarm alarm) {
    if (alarm == LimitAlarm::None || box.width() < 3 || box.height() < 3) {
        return;
    }
    const int side = std::min(box.width(), box.height());
    const QRect r(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
    QPolygon triangle;
    if (alarm == LimitAlarm::Above) {
        triangle << QPoint(r.center().x(), r.top()) << r.bottomRight() << r.bottomLeft();
    } else {
        triangle << r.topLeft() << r.topRight() << QPoint(r.center().x(), r.bottom());
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(kAlarmFrameColour);
    p.drawPolygon(triangle);
    p.restore();
}

void showLabelAlarm(QLabel* label, LimitAlarm alarm) {
    const bool on = alarm != LimitAlarm::None;
    if ((label->frameShape() == QFrame::Box) == on) {
        return;
    }
    if (on) {
        QPalette pal = label->palette();
        pal.setColor(QPalette::Active, QPalette::WindowText, kAlarmColour);
        pal.setColor(QPalette::Inactive, QPalette::WindowText, kAlarmColour);
        label->setPalette(pal);
    } else {
        label->setPalette(QPalette()); // back to the page's colours
    }
    label->setFrameStyle(on ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
    label->setLineWidth(on ? 2 : 1);
}

} // namespace kesto
