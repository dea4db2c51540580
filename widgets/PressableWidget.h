#pragma once

#include "widgets/Pressable.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace kesto {

// A widget that is pressed as a button is: by a left click (pressed, then released inside it),
// or by Return, Enter or Space while it has the keyboard focus. It repaints when the focus comes
// or goes, for its focus mark. While disabled it gets neither mouse nor key events.
template <typename Base> class PressableWidget : public Base {
public:
    using Base::Base;

protected:
    // What a press does.
    virtual void press() = 0;

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) {
            Base::mousePressEvent(event);
            return;
        }
        pressed_ = true;
        event->accept();
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton || !pressed_) {
            Base::mouseReleaseEvent(event);
            return;
        }
        pressed_ = false;
        event->accept();
        if (this->rect().contains(event->position().toPoint())) {
            press();
        }
    }

    void keyPressEvent(QKeyEvent* event) override {
        if (isPressKey(event) && !event->isAutoRepeat()) {
            event->accept();
            press();
            return;
        }
        Base::keyPressEvent(event);
    }

    void focusInEvent(QFocusEvent* event) override {
        Base::focusInEvent(event);
        this->update();
    }

    void focusOutEvent(QFocusEvent* event) override {
        Base::focusOutEvent(event);
        this->update();
    }

private:
    bool pressed_ = false;
};

} // namespace kesto
