#include "app/uVersionFrm.h"

#include "platform/qt/JpegImage.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <utility>

namespace kesto {
namespace {

constexpr int kClientWidth = 311;
constexpr int kClientHeight = 155;
constexpr int kPictureWidth = 169;
constexpr int kPictureHeight = 81;

} // namespace

QByteArray versionPictureJpeg() {
    QFile file(QStringLiteral(":/kesto/app/version.jpg"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

TVersionFrm::TVersionFrm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("VersionFrm"));
    setWindowTitle(QStringLiteral("Version"));
    setFixedSize(kClientWidth, kClientHeight);
    setModal(true);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAlignment(Qt::AlignCenter);
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->setGeometry(8, 12, kClientWidth - 16, 22);

    picture_ = decodeJpeg(versionPictureJpeg());
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(16, 48, kPictureWidth, kPictureHeight);
    if (!picture_.isNull()) {
        Image1->setPixmap(QPixmap::fromImage(picture_));
    }

    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                              QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn1->setGeometry(kClientWidth - 16 - 90, 48 + kPictureHeight - 27, 90, 27);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

void TVersionFrm::setTitleSource(std::function<QString()> titleSource) {
    titleSource_ = std::move(titleSource);
}

void TVersionFrm::setTitleSource(const QWidget* window) {
    if (window == nullptr) {
        titleSource_ = {};
        return;
    }
    titleSource_ = [window] { return window->windowTitle(); };
}

void TVersionFrm::applyLanguage(const LanguageTexts& texts) {
    setWindowTitle(QString::fromStdString(texts.versionTitle));
    BitBtn1->setText(QString::fromStdString(texts.ok));
}

void TVersionFrm::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TVersionFrm::FormShow() {
    Label1->setText(titleSource_ ? titleSource_() : QString());
    // Centred on the screen, not on the main window.
    if (const QScreen* screen =
            this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

} // namespace kesto
