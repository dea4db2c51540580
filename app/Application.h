#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace kesto {

// The program's application object. An error that leaves an event handler or a slot ends that
// handler only: it is shown in the application's error message box with its text, and the
// event loop goes on with the next event, so acquisition and a running recording keep going.
class Application : public QApplication {
    Q_OBJECT

public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The box of the last error while it is open; null otherwise.
    QMessageBox* errorBox() const { return errorBox_.data(); }

private:
    void showError(const QString& text);

    QPointer<QMessageBox> errorBox_;
};

} // namespace kesto
