#pragma once

#include "config/Language.h"

#include <QByteArray>
#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QPushButton;

namespace kesto {

// The version window's picture, stored with the program.
QByteArray versionPictureJpeg();

// The version window: the program title in bold, a picture of 169 x 81 pixels and an OK button.
// The title is read from `titleSource` each time the window is shown, so it always matches the
// main window's caption.
class TVersionFrm : public QDialog {
    Q_OBJECT

public:
    explicit TVersionFrm(QWidget* parent = nullptr);

    void setTitleSource(std::function<QString()> titleSource);
    // Convenience: follow `window`'s windowTitle().
    void setTitleSource(const QWidget* window);

    // Window caption and OK caption.
    void applyLanguage(const LanguageTexts& texts);

    // The decoded picture; null when the stored JPEG could not be decoded.
    const QImage& picture() const { return picture_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();

    std::function<QString()> titleSource_;
    QImage picture_;

    QLabel* Label1 = nullptr;
    QLabel* Image1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
};

} // namespace kesto
