#include "measurement/ui/uMeasureStartFrm.h"

#include "widgets/QtText.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kesto {

namespace {

QSpinBox* spinBox(QWidget* parent, const char* name, int minimum, int maximum) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(minimum, maximum);
    box->setAlignment(Qt::AlignRight);
    return box;
}

QLineEdit* lineEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMinimumWidth(260);
    return edit;
}

} // namespace

TMeasureStartFrm::TMeasureStartFrm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("MeasureStartFrm"));
    using P = MeasurementPlan;
    seconds_ = spinBox(this, "SecondsEdit", P::kMinSeconds, P::kMaxSeconds);
    readings_ = spinBox(this, "ReadingsEdit", P::kMinReadings, P::kMaxReadings);
    spacing_ = spinBox(this, "SpacingEdit", P::kMinSeconds, P::kMaxSpacing);
    seconds_->setSuffix(QStringLiteral(" s"));
    spacing_->setSuffix(QStringLiteral(" s"));
    customer_ = lineEdit(this, "CustomerEdit");
    site_ = lineEdit(this, "SiteEdit");
    appliance_ = lineEdit(this, "ApplianceEdit");
    technician_ = lineEdit(this, "TechnicianEdit");
    connect(seconds_, &QSpinBox::valueChanged, this, &TMeasureStartFrm::secondsChanged);
    // The spacing only matters between readings.
    connect(readings_, &QSpinBox::valueChanged, this,
            [this](int readings) { spacing_->setEnabled(readings > 1); });

    auto* form = new QFormLayout;
    const std::array<QWidget*, 7> fields{seconds_, readings_,  spacing_,   customer_,
                                         site_,    appliance_, technician_};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        captions_[i] = new QLabel(this);
        captions_[i]->setBuddy(fields[i]);
        form->addRow(captions_[i], fields[i]);
    }
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons_->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OkButton"));
    buttons_->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelButton"));
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* root = new QVBoxLayout(this);
    root->addLayout(form);
    root->addWidget(buttons_);
    applyLanguage(LanguageTexts{});
}

void TMeasureStartFrm::applyLanguage(const LanguageTexts& t) {
    setWindowTitle(qs(t.startMeasurement));
    const std::array<const std::string*, 7> captions{
        &t.secondsPerReading, &t.readingCount, &t.readingSpacing, &t.customer, &t.site,
        &t.appliance,         &t.technician};
    const std::array<QWidget*, 7> fields{seconds_, readings_,  spacing_,   customer_,
                                         site_,    appliance_, technician_};
    for (std::size_t i = 0; i < captions.size(); ++i) {
        captions_[i]->setText(qs(*captions[i]) + QLatin1Char(':'));
        fields[i]->setAccessibleName(qs(*captions[i]));
    }
    buttons_->button(QDialogButtonBox::Ok)->setText(qs(t.ok));
    buttons_->button(QDialogButtonBox::Cancel)->setText(qs(t.cancel));
}

void TMeasureStartFrm::secondsChanged(int seconds) {
    // A spacing left equal to the reading's length keeps following it.
    if (spacing_->value() == lastSeconds_ || spacing_->value() < seconds) {
        spacing_->setValue(seconds);
    }
    spacing_->setMinimum(seconds);
    lastSeconds_ = seconds;
}

void TMeasureStartFrm::present(const Choice& preset) {
    const MeasurementPlan plan = heldToRanges(preset.plan);
    spacing_->setMinimum(MeasurementPlan::kMinSeconds);
    lastSeconds_ = plan.seconds;
    seconds_->setValue(plan.seconds);
    spacing_->setMinimum(plan.seconds);
    spacing_->setValue(plan.spacing);
    readings_->setValue(plan.readings);
    spacing_->setEnabled(plan.readings > 1);
    customer_->setText(qs(preset.fields.customer));
    site_->setText(qs(preset.fields.site));
    appliance_->setText(qs(preset.fields.appliance));
    technician_->setText(qs(preset.fields.technician));
    seconds_->setFocus();
    seconds_->selectAll();
}

TMeasureStartFrm::Choice TMeasureStartFrm::choice() const {
    const auto text = [](const QLineEdit* edit) { return edit->text().trimmed().toStdString(); };
    return {heldToRanges({seconds_->value(), readings_->value(), spacing_->value()}),
            {text(customer_), text(site_), text(appliance_), text(technician_)}};
}

std::optional<TMeasureStartFrm::Choice> TMeasureStartFrm::ask(const Choice& preset) {
    present(preset);
    if (exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return choice();
}

} // namespace kesto
