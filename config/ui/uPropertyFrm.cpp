#include "config/ui/uPropertyFrm.h"

#include "acquisition/Colour.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace kesto {
namespace {

constexpr int kColourEntryHeight = 16;

QColor toQColor(Colour c) { return QColor(red(c), green(c), blue(c)); }

// Each entry of the colour list is a rectangle filled with its colour, without text.
class ColourDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        painter->save();
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());
        const QRect swatch = option.rect.adjusted(2, 2, -2, -2);
        painter->fillRect(swatch, index.data(Qt::UserRole).value<QColor>());
        painter->setPen(Qt::black);
        painter->drawRect(swatch.adjusted(0, 0, -1, -1));
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), kColourEntryHeight};
    }
};

// The closed combo box shows the selected colour the same way.
class ColourComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;

protected:
    void paintEvent(QPaintEvent* event) override {
        QComboBox::paintEvent(event);
        if (currentIndex() < 0) {
            return;
        }
        QPainter painter(this);
        QRect r = rect().adjusted(4, 4, -24, -4);
        painter.fillRect(r, currentData(Qt::UserRole).value<QColor>());
        painter.setPen(Qt::black);
        painter.drawRect(r.adjusted(0, 0, -1, -1));
    }
};

} // namespace

ChannelProperties::ChannelProperties(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ChannelProperties"));
    nameCaption_ = new QLabel(QStringLiteral("Name"), this);
    minimumCaption_ = new QLabel(QStringLiteral("Minimum"), this);
    maximumCaption_ = new QLabel(QStringLiteral("Maximum"), this);
    unitCaption_ = new QLabel(QStringLiteral("Unit"), this);
    formatCaption_ = new QLabel(QStringLiteral("Format"), this);
    colourCaption_ = new QLabel(QStringLiteral("Color"), this);
    alarmAboveCaption_ = new QLabel(QStringLiteral("Alarm above"), this);
    alarmBelowCaption_ = new QLabel(QStringLiteral("Alarm below"), this);
    nameEdit_ = new QLineEdit(this);
    minimumEdit_ = new QLineEdit(this);
    maximumEdit_ = new QLineEdit(this);
    unitEdit_ = new QLineEdit(this);
    formatEdit_ = new QLineEdit(this);
    nameEdit_->setObjectName(QStringLiteral("NameEdit"));
    minimumEdit_->setObjectName(QStringLiteral("MinEdit"));
    maximumEdit_->setObjectName(QStringLiteral("MaxEdit"));
    unitEdit_->setObjectName(QStringLiteral("UnitEdit"));
    formatEdit_->setObjectName(QStringLiteral("FormatEdit"));

    colourList_ = new ColourComboBox(this);
    colourList_->setObjectName(QStringLiteral("ColorBox"));
    colourList_->setItemDelegate(new ColourDelegate(colourList_));
    for (const auto& entry : colourTable()) {
        colourList_->addItem(QString(), toQColor(entry.value));
        colourList_->setItemData(colourList_->count() - 1, QString::fromUtf8(entry.name.data(),
                                 static_cast<int>(entry.name.size())), Qt::ToolTipRole);
    }
    // The entries show no text; a screen reader speaks the colour's name ("clAqua" as "Aqua").
    for (int i = 0; i < colourList_->count(); ++i) {
        const auto name = colourTable()[static_cast<std::size_t>(i)].name;
        colourList_->setItemText(
            i, QString::fromUtf8(name.data(), static_cast<int>(name.size())).mid(2));
    }
    colourList_->setMaxVisibleItems(static_cast<int>(colourTable().size()));
    colourList_->setCurrentIndex(-1);
    // After the colour list, so that Tab goes down the fields as they stand.
    alarmAboveEdit_ = new QLineEdit(this);
    alarmBelowEdit_ = new QLineEdit(this);
    alarmAboveEdit_->setObjectName(QStringLiteral("AlarmAboveEdit"));
    alarmBelowEdit_->setObjectName(QStringLiteral("AlarmBelowEdit"));

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &ChannelProperties::OKButtonClick);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout;
    const std::array<std::pair<QLabel*, QWidget*>, 8> rows{{
        {nameCaption_, nameEdit_},
        {minimumCaption_, minimumEdit_},
        {maximumCaption_, maximumEdit_},
        {unitCaption_, unitEdit_},
        {formatCaption_, formatEdit_},
        {colourCaption_, colourList_},
        {alarmAboveCaption_, alarmAboveEdit_},
        {alarmBelowCaption_, alarmBelowEdit_},
    }};
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        grid->addWidget(rows[static_cast<std::size_t>(i)].first, i, 0);
        grid->addWidget(rows[static_cast<std::size_t>(i)].second, i, 1);
        // The caption names its field for screen readers, in the current language.
        rows[static_cast<std::size_t>(i)].first->setBuddy(rows[static_cast<std::size_t>(i)].second);
    }
    grid->setColumnMinimumWidth(1, 160);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    showMessage = [this](const QString& text) { QMessageBox::information(this, windowTitle(), text); };
    showError = [this](const QString& text) { QMessageBox::critical(this, windowTitle(), text); };
}

void ChannelProperties::applyLanguage(const LanguageTexts& texts) {
    const auto q = [](const std::string& s) { return QString::fromStdString(s); };
    nameCaption_->setText(q(texts.name));
    minimumCaption_->setText(q(texts.minimum));
    maximumCaption_->setText(q(texts.maximum));
    unitCaption_->setText(q(texts.unit));
    formatCaption_->setText(q(texts.format));
    colourCaption_->setText(q(texts.color));
    alarmAboveCaption_->setText(q(texts.alarmAbove));
    alarmBelowCaption_->setText(q(texts.alarmBelow));
    notAFloat_ = texts.notAFloat;
    okButton_->setText(q(texts.ok));
    cancelButton_->setText(q(texts.cancel));
    settingsTitle_ = q(texts.settings);
    restartMessage_ = q(texts.restartMessage);
}

void ChannelProperties::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* s = screen()) {
        move(s->availableGeometry().center() - rect().center());
    }
}

ChannelPropertyFields ChannelProperties::fields() const {
    ChannelPropertyFields f;
    f.name = nameEdit_->text().toStdString();
    f.minimum = minimumEdit_->text().toStdString();
    f.maximum = maximumEdit_->text().toStdString();
    f.unit = unitEdit_->text().toStdString();
    f.format = formatEdit_->text().toStdString();
    if (colourList_->currentIndex() >= 0) {
        f.colourPosition = colourList_->currentIndex();
    }
    f.alarmAbove = alarmAboveEdit_->text().toStdString();
    f.alarmBelow = alarmBelowEdit_->text().toStdString();
    return f;
}

bool ChannelProperties::editChannel(ChannelDisplay& display) {
    const auto& bar = display.settings;
    setWindowTitle(settingsTitle_ + QLatin1Char(' ') + QString::fromStdString(bar.firstName));
    const ChannelPropertyFields shown = propertyFieldsFor(bar);
    nameEdit_->setText(QString::fromStdString(shown.name));
    minimumEdit_->setText(QString::fromStdString(shown.minimum));
    maximumEdit_->setText(QString::fromStdString(shown.maximum));
    unitEdit_->setText(QString::fromStdString(shown.unit));
    formatEdit_->setText(QString::fromStdString(shown.format));
    colourList_->setCurrentIndex(shown.colourPosition.value_or(-1));
    alarmAboveEdit_->setText(QString::fromStdString(shown.alarmAbove));
    alarmBelowEdit_->setText(QString::fromStdString(shown.alarmBelow));
    shownMinimum_ = shown.minimum;
    shownMaximum_ = shown.maximum;
    nameEdit_->setFocus();

    edited_ = &display;
    const bool accepted = exec() == QDialog::Accepted;
    edited_ = nullptr;
    return accepted;
}

void ChannelProperties::OKButtonClick() {
    const ChannelPropertyFields f = fields();
    if (propertiesNeedRestart(f, shownMinimum_, shownMaximum_)) {
        showMessage(restartMessage_);
    }
    if (edited_ != nullptr) {
        if (const auto error = applyPropertyFields(f, *edited_, notAFloat_)) {
            showError(QString::fromStdString(*error));
        }
    }
    accept();
}

} // namespace kesto
