#pragma once

#include "acquisition/LiveValues.h"
#include "config/ChannelProperties.h"
#include "config/Language.h"

#include <QDialog>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kesto {

// The channel property dialog: one instance, reused for every channel. Each opening shows the
// edited bar's own colour, or no selection when that colour is not in the list.
class ChannelProperties : public QDialog {
    Q_OBJECT
public:
    explicit ChannelProperties(QWidget* parent = nullptr);

    void applyLanguage(const LanguageTexts& texts);

    // Shows the dialog modally for one channel's bar and applies OK to it. Returns true on OK.
    bool editChannel(ChannelDisplay& display);

    // Message boxes, replaceable so tests can see them without a modal box.
    std::function<void(const QString&)> showMessage;
    std::function<void(const QString&)> showError;

    QLineEdit* nameEdit() const { return nameEdit_; }
    QLineEdit* minimumEdit() const { return minimumEdit_; }
    QLineEdit* maximumEdit() const { return maximumEdit_; }
    QLineEdit* unitEdit() const { return unitEdit_; }
    QLineEdit* formatEdit() const { return formatEdit_; }
    QComboBox* colourList() const { return colourList_; }
    QLineEdit* alarmAboveEdit() const { return alarmAboveEdit_; }
    QLineEdit* alarmBelowEdit() const { return alarmBelowEdit_; }
    QPushButton* okButton() const { return okButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    ChannelPropertyFields fields() const;
    // OK: the restart message while the dialog still shows, then the fields are applied, then
    // the dialog closes (also after a field that could not be applied).
    void OKButtonClick();

    QLabel* nameCaption_;
    QLabel* minimumCaption_;
    QLabel* maximumCaption_;
    QLabel* unitCaption_;
    QLabel* formatCaption_;
    QLabel* colourCaption_;
    QLabel* alarmAboveCaption_;
    QLabel* alarmBelowCaption_;
    QLineEdit* nameEdit_;
    QLineEdit* minimumEdit_;
    QLineEdit* maximumEdit_;
    QLineEdit* unitEdit_;
    QLineEdit* formatEdit_;
    QComboBox* colourList_;
    QLineEdit* alarmAboveEdit_;
    QLineEdit* alarmBelowEdit_;
    QPushButton* okButton_;
    QPushButton* cancelButton_;
    QString settingsTitle_ = QStringLiteral("Settings");
    QString restartMessage_ =
        QStringLiteral("Restart program before changes are taking effect.");
    std::string notAFloat_ = LanguageTexts{}.notAFloat;
    std::string shownMinimum_;
    std::string shownMaximum_;
    ChannelDisplay* edited_ = nullptr; // while the dialog shows
};

} // namespace kesto
