#include "widgets/ClickLabel.h"

#include "widgets/Pressable.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <mutex>

namespace kesto {
namespace {

// A click label that takes the keyboard focus is a button to assistive tools.
QAccessibleInterface* clickLabelAccessible(const QString& className, QObject* object) {
    if (className != QLatin1String(ClickLabel::staticMetaObject.className())) {
        return nullptr;
    }
    auto* label = qobject_cast<ClickLabel*>(object);
    if (label == nullptr || (label->focusPolicy() & Qt::TabFocus) == 0) {
        return nullptr; // an ordinary label: read by its text
    }
    return new PressAccessible(label, QAccessible::Button, [label] { emit label->clicked(); });
}

} // namespace

ClickLabel::ClickLabel(QWidget* parent) : PressableWidget(parent) {
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(clickLabelAccessible); });
}

void ClickLabel::press() {
    emit clicked();
}

void ClickLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (hasFocus()) {
        QPainter p(this);
        drawFocusMark(p, rect());
    }
}

} // namespace kesto
