#pragma once

// Helpers for the Qt tests: answering a modal window the code under test opens with exec(),
// and counting the paints a widget gets.

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace kesto::test {

// Runs `answer` on the first modal window that shows up.
inline void whenModal(std::function<void(QWidget*)> answer) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            answer(modal);
        }
    });
    timer->start();
}

// Counts the paint events of the widgets it is installed on.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

} // namespace kesto::test
