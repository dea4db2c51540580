#pragma once

#include <QDialog>

namespace kesto {

// A small progress window with a title bar but no buttons on it. The user cannot close it: Esc
// and the window system's close request are refused; only the work it reports hides it.
class ProgressWindow : public QDialog {
    Q_OBJECT

public:
    explicit ProgressWindow(QWidget* parent = nullptr, Qt::WindowFlags extraFlags = {});

public slots:
    void reject() override;

protected:
    // Centres the window's frame on its screen.
    void centreOnScreen();

    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace kesto
