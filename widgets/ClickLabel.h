#pragma once

#include "widgets/PressableWidget.h"

#include <QLabel>

namespace kesto {

// A label that reports left clicks; while disabled it gets no mouse events and stays silent.
// Given a focus policy it also takes the keyboard focus, and Return or Space act as a click;
// assistive tools then see it as a button whose one action is "Press".
class ClickLabel : public PressableWidget<QLabel> {
    Q_OBJECT

public:
    explicit ClickLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    // Emits clicked().
    void press() override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace kesto
