#include "widgets/PageControl.h"

#include <QPainter>
#include <qdrawutil.h>

namespace kesto {

OwnerDrawTabBar::OwnerDrawTabBar(QWidget* parent) : QTabBar(parent) {
    setDrawBase(false);
    setExpanding(false);
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
}

QSize OwnerDrawTabBar::tabSizeHint(int index) const {
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(tabText(index)) + 8, kTabHeight};
}

void OwnerDrawTabBar::PageControl1DrawTab(QPainter& p, int index) const {
    const QRect r = tabRect(index);
    p.save();
    p.setClipRect(r);
    p.fillRect(r, Qt::white);
    // The button edge: raised, the active page's tab pressed in.
    qDrawShadePanel(&p, r, palette(), index == currentIndex(), 1);
    const QFontMetrics fm(font());
    const QString text = tabText(index);
    const int x = r.left() + (r.width() - fm.horizontalAdvance(text)) / 2;
    const int y = r.top() + (r.height() - fm.height()) / 2;
    p.setFont(font());
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRect(x, y, fm.horizontalAdvance(text), fm.height()),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    p.restore();
}

void OwnerDrawTabBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    for (int i = 0; i < count(); ++i) {
        PageControl1DrawTab(p, i);
    }
}

PageControl::PageControl(QWidget* parent) : QTabWidget(parent) {
    setTabBar(new OwnerDrawTabBar(this));
    setDocumentMode(true);
}

} // namespace kesto
