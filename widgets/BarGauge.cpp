#include "widgets/BarGauge.h"

#include "acquisition/NumberFormat.h"
#include "acquisition/SpokenText.h"
#include "widgets/Accessible.h"
#include "widgets/AlarmLook.h"
#include "widgets/Pressable.h"
#include "widgets/UiFonts.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kesto {

BarGauge::BarGauge(QWidget* parent) : PressableWidget(parent) {
    installBarGaugeAccessibility();
    setFont(layoutFont("MS Sans Serif", 10, true));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

void BarGauge::setSettings(const ChannelSettings& s) {
    if (s == settings_) {
        return;
    }
    const bool textChanged = s.format != settings_.format || s.unit != settings_.unit;
    const bool nameChanged = s.displayName != settings_.displayName || s.unit != settings_.unit;
    settings_ = s;
    changed(textChanged);
    if (nameChanged) {
        tellAccessibility(QAccessible::NameChanged); // the name without a given one
    }
}

void BarGauge::setDisplayName(const std::string& name) {
    if (name != settings_.displayName) {
        settings_.displayName = name;
        tellAccessibility(QAccessible::NameChanged);
    }
}

void BarGauge::setMinimum(float minimum) {
    if (minimum != settings_.minimum) {
        settings_.minimum = minimum;
        changed(false);
    }
}

void BarGauge::setMaximum(float maximum) {
    if (maximum != settings_.maximum) {
        settings_.maximum = maximum;
        changed(false);
    }
}

void BarGauge::setUnit(const std::string& unit) {
    if (unit != settings_.unit) {
        settings_.unit = unit;
        changed(true);
        tellAccessibility(QAccessible::NameChanged);
    }
}

void BarGauge::setColour(Colour colour) {
    if (colour != settings_.colour) {
        settings_.colour = colour;
        changed(false);
    }
}

QColor BarGauge::barColour() const {
    return {red(settings_.colour), green(settings_.colour), blue(settings_.colour)};
}

void BarGauge::setValue(float value) {
    // Compare bit patterns so that a NaN stored once does not repaint forever.
    if (value == value_ || (std::isnan(value) && std::isnan(value_))) {
        return;
    }
    value_ = value;
    changed(true);
}

void BarGauge::setValid(bool valid) {
    if (valid != valid_) {
        valid_ = valid;
        tellAccessibility(QAccessible::DescriptionChanged);
    }
}

void BarGauge::setNoValueText(const QString& text) {
    if (text != noValueText_) {
        noValueText_ = text;
        tellAccessibility(QAccessible::DescriptionChanged);
    }
}

void BarGauge::setAlarm(LimitAlarm alarm, const QString& text) {
    if (alarm == alarm_ && text == alarmText_) {
        return;
    }
    alarm_ = alarm;
    alarmText_ = text;
    changed(true);
}

QString BarGauge::valueText() const {
    return QString::fromStdString(formatNumber(value_, settings_.format));
}

QString BarGauge::barText() const {
    return valueText() + QLatin1Char(' ') + unit();
}

QString BarGauge::spokenName() const {
    if (const QString given = accessibleName(); !given.isEmpty()) {
        return given;
    }
    return QString::fromStdString(spokenLabel(settings_.displayName + " [" + settings_.unit + "]"));
}

QString BarGauge::spokenValue() const {
    const QString value = valid_ ? barText().trimmed() : noValueText_;
    return alarm_ == LimitAlarm::None ? value : value + QStringLiteral(", ") + alarmText_;
}

void BarGauge::press() {
    emit clicked();
}

double BarGauge::fillFraction() const {
    const double span = static_cast<double>(settings_.maximum) - settings_.minimum;
    if (!(span > 0) || std::isnan(value_)) {
        return 0;
    }
    const double share = (static_cast<double>(value_) - settings_.minimum) / span;
    return std::clamp(share, 0.0, 1.0);
}

void BarGauge::changed(bool valueChanged) {
    update();
    if (valueChanged) {
        // The spoken value stands in the description too.
        tellAccessibility(QAccessible::DescriptionChanged);
    }
}

void BarGauge::tellAccessibility(QAccessible::Event type) {
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, type);
        QAccessible::updateAccessibility(&event);
    }
}

void BarGauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect all = rect();
    const bool alarm = alarm_ != LimitAlarm::None;
    // In an alarm the empty part is a dark alarm colour too, so that a short bar shows it.
    p.fillRect(all, alarm ? kAlarmColour.darker(250) : QColor(Qt::black));
    const int filled = static_cast<int>(std::lround(fillFraction() * all.width()));
    if (filled > 0) {
        p.fillRect(QRect(all.left(), all.top(), filled, all.height()),
                   alarm ? kAlarmColour : barColour());
    }
    if (alarm) {
        drawAlarmFrame(p, all, 2);
        const int side = all.height() - 8;
        drawAlarmMark(p, QRect(all.right() - 4 - side, all.top() + 4, side, side), alarm_);
    }
    p.setPen(Qt::white);
    p.setFont(font());
    p.drawText(all, Qt::AlignCenter | Qt::TextSingleLine, barText());
    if (hasFocus()) {
        drawFocusMark(p, all);
    }
}

namespace {

// No value interface on purpose: through AT-SPI a value interface brings the actions
// "Increase" and "Decrease", which a display that cannot be set must not offer.
class BarGaugeAccessible final : public PressAccessible {
public:
    explicit BarGaugeAccessible(BarGauge* gauge)
        : PressAccessible(gauge, QAccessible::ProgressBar, [gauge] { gauge->press(); }) {}

    BarGauge* gauge() const { return static_cast<BarGauge*>(widget()); }

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            return gauge()->spokenName();
        case QAccessible::Value:
        case QAccessible::Description:
            return gauge()->spokenValue();
        default:
            return PressAccessible::text(t);
        }
    }
};

} // namespace

void installBarGaugeAccessibility() {
    installAccessibleInterface<BarGauge, BarGaugeAccessible>();
}

} // namespace kesto
