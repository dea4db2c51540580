#include "app/Application.h"

#include <QMessageBox>

#include <exception>

namespace kesto {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    } catch (...) {
        showError(QStringLiteral("An unknown error occurred."));
    }
    return false;
}

void Application::showError(const QString& text) {
    // A handler that fails on every tick must not stack up boxes: the open box takes the
    // newest text.
    if (errorBox_ != nullptr) {
        errorBox_->setText(text);
        return;
    }
    // Not exec(): a nested event loop inside notify would let the next failure nest another.
    // The box is modal for the user, while timers and the serial line go on.
    auto* box = new QMessageBox(QMessageBox::Critical, applicationName(), text, QMessageBox::Ok,
                                activeWindow());
    box->setObjectName("ErrorBox");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    errorBox_ = box;
    box->show();
}

} // namespace kesto
