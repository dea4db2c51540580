#pragma once

#include <QAccessibleWidget>

#include <functional>

class QKeyEvent;
class QPainter;

namespace kesto {

// The keys that press a clickable widget which has the keyboard focus, as a left click does:
// Return, Enter or Space, without Ctrl, Alt or Meta.
bool isPressKey(const QKeyEvent* event);

// The focus mark of a clickable widget: a dotted line inside `rect`, black under white, so that
// it shows on every bar colour and on the white page alike.
void drawFocusMark(QPainter& painter, const QRect& rect);

// What assistive tools see of a clickable widget: its one action, "Press", does what a click
// does; its key bindings are Return and Space. A disabled widget offers no action.
class PressAccessible : public QAccessibleWidget {
public:
    PressAccessible(QWidget* widget, QAccessible::Role role, std::function<void()> press);

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    std::function<void()> press_;
};

} // namespace kesto
