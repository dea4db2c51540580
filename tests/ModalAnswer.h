#pragma once

// Answers a modal window from a test: the code under test opens it with exec() and waits.

#include <QApplication>
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

} // namespace kesto::test
