#pragma once

#include "widgets/PressableWidget.h"

#include "acquisition/Colour.h"
#include "acquisition/LiveValues.h"

#include <QAccessible>
#include <QString>
#include <QWidget>

namespace kesto {

// A horizontal bar on black: the bar grows from the scale minimum to the value, in the
// channel's colour, with the value (in the channel's number format) and the unit written on
// it in bold white. Holds the display settings of one channel and its current value.
// It takes the keyboard focus; Return or Space then acts as a click.
class BarGauge : public PressableWidget<QWidget> {
    Q_OBJECT

public:
    explicit BarGauge(QWidget* parent = nullptr);

    const ChannelSettings& settings() const { return settings_; }
    // Replaces all display settings at once; repaints only when something changed.
    void setSettings(const ChannelSettings& settings);

    void setDisplayName(const std::string& name);
    void setMinimum(float minimum);
    void setMaximum(float maximum);
    void setUnit(const std::string& unit);
    void setColour(Colour colour);

    QString firstName() const { return QString::fromStdString(settings_.firstName); }
    QString displayName() const { return QString::fromStdString(settings_.displayName); }
    float minimum() const { return settings_.minimum; }
    float maximum() const { return settings_.maximum; }
    QString unit() const { return QString::fromStdString(settings_.unit); }
    QString format() const { return QString::fromStdString(settings_.format); }
    Colour colour() const { return settings_.colour; }
    QColor barColour() const;

    float value() const { return value_; }
    void setValue(float value);
    // A channel without a valid value still shows its value (0) on the bar, but is spoken as
    // `noValueText` (from the language file), so that it does not sound like a reading.
    void setValid(bool valid);
    bool isValid() const { return valid_; }
    void setNoValueText(const QString& text);
    // A limit alarm: the bar in the alarm colour inside a frame, with a mark pointing up or down;
    // `text` ("above the limit 100") is spoken after the value.
    void setAlarm(LimitAlarm alarm, const QString& text);
    LimitAlarm alarm() const { return alarm_; }

    // The value in the number format, "10.5".
    QString valueText() const;
    // What stands on the bar: value text, blank, unit ("10.5 %").
    QString barText() const;
    // Share of the bar that is filled, 0 to 1: the value clamped to the scale range. A range
    // whose maximum is not above its minimum shows an empty bar.
    double fillFraction() const;

    // What a screen reader speaks. The name is the accessible name the window gives the gauge
    // (its name label's caption), else display name and unit, "CO [mg/m3]"; the value is the
    // bar text without blanks around it, "86 mg/m3" ("1.20" for Lambda's blank unit), or the
    // no-value text while the value is not valid; during an alarm its text follows, "160 ppm, above
    // the limit 100".
    QString spokenName() const;
    QString spokenValue() const;

    // What a click does: emits clicked().
    void press() override;

    QSize sizeHint() const override { return {281, 21}; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void changed(bool valueChanged);
    void tellAccessibility(QAccessible::Event event);

    ChannelSettings settings_;
    float value_ = 0;
    bool valid_ = true;
    QString noValueText_ = QStringLiteral("no value");
    LimitAlarm alarm_ = LimitAlarm::None;
    QString alarmText_;
};

// Makes bar gauges known to accessibility tools: a progress bar with the spoken name, the
// spoken value (also as its description, the one text besides the name that AT-SPI carries)
// and the one action "Press".
// Called by every gauge's constructor; installing twice is harmless.
void installBarGaugeAccessibility();

} // namespace kesto
