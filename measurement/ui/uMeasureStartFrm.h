#pragma once

#include "config/Language.h"
#include "measurement/Measurement.h"

#include <QDialog>

#include <array>
#include <optional>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace kesto {

// The measurement's start dialog: seconds per reading, number of readings, the spacing of the
// readings' starts, and the customer, site, appliance and technician. The spacing never falls
// below a reading's length, and follows it while the user has left it equal.
class TMeasureStartFrm : public QDialog {
    Q_OBJECT

public:
    struct Choice {
        MeasurementPlan plan;
        MeasurementFields fields;
    };

    explicit TMeasureStartFrm(QWidget* parent = nullptr);

    void applyLanguage(const LanguageTexts& texts);

    // Shows the dialog modally, filled with `preset`; the choice on OK.
    std::optional<Choice> ask(const Choice& preset);
    // Fills the dialog as ask() does, without showing it.
    void present(const Choice& preset);
    Choice choice() const;

    QSpinBox* secondsEdit() const { return seconds_; }
    QSpinBox* readingsEdit() const { return readings_; }
    QSpinBox* spacingEdit() const { return spacing_; }

private:
    void secondsChanged(int seconds);

    QSpinBox* seconds_;
    QSpinBox* readings_;
    QSpinBox* spacing_;
    QLineEdit* customer_;
    QLineEdit* site_;
    QLineEdit* appliance_;
    QLineEdit* technician_;
    std::array<QLabel*, 7> captions_{};
    QDialogButtonBox* buttons_;
    int lastSeconds_ = 30;
};

} // namespace kesto
