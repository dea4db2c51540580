#pragma once

#include "LeftClick.h"

#include <QLabel>

namespace kesto {

// A label that reports left clicks; while disabled it gets no mouse events and stays silent.
// Given a focus policy it also takes the keyboard focus, and Return or Space act as a click;
// assistive tools then see it as a button whose one action is "Press".
class ClickLabel : public QLabel {
    Q_OBJECT

public:
    explicit ClickLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    LeftClick click_;
};

} // namespace kesto
