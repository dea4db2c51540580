#pragma once

#include <QMouseEvent>
#include <QRect>

namespace kesto {

// A left-button click as the clickable widgets take it: pressed, then released inside.
class LeftClick {
public:
    // True when the press was taken.
    bool press(QMouseEvent* event) {
        if (event->button() != Qt::LeftButton) {
            return false;
        }
        pressed_ = true;
        event->accept();
        return true;
    }

    // True when the release was taken; `completed` tells whether it ends a click inside `area`.
    bool release(QMouseEvent* event, const QRect& area, bool& completed) {
        completed = false;
        if (event->button() != Qt::LeftButton || !pressed_) {
            return false;
        }
        pressed_ = false;
        event->accept();
        completed = area.contains(event->position().toPoint());
        return true;
    }

private:
    bool pressed_ = false;
};

} // namespace kesto
