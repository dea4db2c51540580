#include "widgets/Pressable.h"

#include <QKeyEvent>
#include <QPainter>
#include <QWidget>

namespace kesto {

bool isPressKey(const QKeyEvent* event) {
    constexpr Qt::KeyboardModifiers kBlocking =
        Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if ((event->modifiers() & kBlocking) != 0) {
        return false;
    }
    const int key = event->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
}

void drawFocusMark(QPainter& painter, const QRect& rect) {
    const QRect r = rect.adjusted(1, 1, -2, -2);
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 1, Qt::SolidLine));
    painter.drawRect(r);
    painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
    painter.drawRect(r);
    painter.restore();
}

PressAccessible::PressAccessible(QWidget* widget, QAccessible::Role role,
                                 std::function<void()> press)
    : QAccessibleWidget(widget, role), press_(std::move(press)) {}

QStringList PressAccessible::actionNames() const {
    if (!widget()->isEnabled()) {
        return {};
    }
    return {pressAction()};
}

void PressAccessible::doAction(const QString& actionName) {
    if (actionName == pressAction() && widget()->isEnabled() && press_) {
        press_();
    }
}

QStringList PressAccessible::keyBindingsForAction(const QString& actionName) const {
    if (actionName == pressAction()) {
        return {QStringLiteral("Return"), QStringLiteral("Space")};
    }
    return {};
}

} // namespace kesto
