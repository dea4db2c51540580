#include "widgets/TrendRecorder.h"

#include "acquisition/DateTimeFormat.h"
#include "acquisition/NumberFormat.h"
#include "widgets/Accessible.h"
#include "widgets/AlarmLook.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace kesto {
namespace {

const QColor kGridColour(0, 88, 0);
const QColor kCursorColour(Qt::white);
constexpr int kValueDivisions = 5;

// The row of a value in a slot's scale range; values outside the range stand at its edge.
int rowOf(float value, const ChannelSettings& slot, const QRect& chart) {
    const double span = static_cast<double>(slot.maximum) - slot.minimum;
    double share = span > 0 ? (static_cast<double>(value) - slot.minimum) / span : 0.0;
    share = std::clamp(share, 0.0, 1.0);
    return chart.bottom() - static_cast<int>(std::lround(share * (chart.height() - 1)));
}

// A colour that stays readable as text on the black chart.
QColor readableOnBlack(QColor c) {
    return c.lightness() < 70 ? QColor(Qt::lightGray) : c;
}

} // namespace

TrendRecorder::TrendRecorder(QWidget* parent) : QWidget(parent) {
    installTrendRecorderAccessibility();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::CrossCursor);
    setMinimumSize(kScaleWidth + 20, 40);
    sampler_ = new QTimer(this);
    sampler_->setInterval(kSampleIntervalMs);
    connect(sampler_, &QTimer::timeout, this, &TrendRecorder::sample);
    ownClock_ = std::make_unique<SystemClock>();
    clock_ = ownClock_.get();
}

TrendRecorder::~TrendRecorder() = default;

void TrendRecorder::setSlotSettings(const TrendSlots& slotSet) {
    if (slotSet == slots_) {
        return;
    }
    slots_ = slotSet;
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void TrendRecorder::setRecording(bool on) {
    model_.setFlowing(on);
    if (on) {
        sampler_->start();
    } else {
        sampler_->stop();
    }
    update();
}

bool TrendRecorder::isRecording() const {
    return sampler_->isActive();
}

void TrendRecorder::setClock(const Clock* clock) {
    clock_ = clock != nullptr ? clock : ownClock_.get();
}

void TrendRecorder::setCurrentValue(std::size_t slot, float value) {
    if (slot < kTrendSlots) {
        current_[slot] = value;
    }
}

void TrendRecorder::sample() {
    appendRecord(toDateTimeValue(clock_->localNow()), current_);
}

void TrendRecorder::appendRecord(double time, const SlotValues& values) {
    model_.append(time, values);
    update();
}

void TrendRecorder::clear() {
    model_.clear();
    update();
}

void TrendRecorder::showRecords(TrendColumns columns) {
    model_.showColumns(std::move(columns));
    update();
}

void TrendRecorder::setMaxRecords(std::size_t maxRecords) {
    model_.setMaxRecords(maxRecords);
    update();
}

void TrendRecorder::shift(long long delta) {
    if (delta == 0) {
        return;
    }
    model_.shift(delta);
    update();
}

void TrendRecorder::setAbsScaleCh(int slot) {
    slot = std::clamp(slot, 1, static_cast<int>(kTrendSlots));
    if (slot != absScaleCh_) {
        absScaleCh_ = slot;
        update();
    }
}

void TrendRecorder::setScaleVisible(bool visible) {
    if (visible != scaleVisible_) {
        scaleVisible_ = visible;
        update();
        emit chartResized();
    }
}

QRect TrendRecorder::chartRect() const {
    QRect r = rect();
    if (scaleVisible_) {
        r.setRight(r.right() - kScaleWidth);
    }
    return r;
}

void TrendRecorder::moveCursorTo(int column) {
    const std::optional<int> before = cursorColumn();
    model_.moveCursor(column, chartWidth());
    const QRect chart = chartRect();
    for (const auto c : {before, cursorColumn()}) {
        if (c) {
            // The line and the curve segments either side of it.
            update(QRect(chart.left() + *c - 1, chart.top(), 3, chart.height()));
        }
    }
    notifyAccessibility();
    emit NewCursorPos();
}

void TrendRecorder::cursorFromMouse(int x) {
    moveCursorTo(x - chartRect().left());
}

double TrendRecorder::scaleSlotValueAtCursor() const {
    return SlotValueAtCursor(absScaleCh_ - 1, model_.valueAtCursor());
}

QString TrendRecorder::accessibleValueText() const {
    const auto text = viewerReadOut(slots_, absScaleCh_ - 1, model_.valueAtCursor());
    if (!text) {
        return noRecordText_;
    }
    QString s = QString::fromStdString(*text);
    if (!model_.valueAtCursor().onRecord) {
        s += QStringLiteral(" (") + offRecordsText_ + QLatin1Char(')');
    }
    return s;
}

void TrendRecorder::setSpokenTexts(const QString& noRecord, const QString& offRecords) {
    noRecordText_ = noRecord;
    offRecordsText_ = offRecords;
}

QColor TrendRecorder::toQColor(Colour c) {
    return {red(c), green(c), blue(c)};
}

// ---------------------------------------------------------------------------------------------

void TrendRecorder::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect dirty = event->rect();
    p.fillRect(dirty, Qt::black);
    const QRect chart = chartRect();
    const QRect area = dirty & chart;
    if (!area.isEmpty()) {
        p.setClipRect(area);
        const int width = chart.width();
        const int firstColumn = area.left() - chart.left();
        const int lastColumn = area.right() - chart.left();

        // Vertical grid lines stay with their records as the display flows or scrolls: they
        // stand on every 60th record counted from the first one ever stored.
        p.setPen(kGridColour);
        const std::uint64_t firstNumber = model_.store().discarded() + model_.firstShown(width);
        const int phase =
            static_cast<int>((kGridSpacing - firstNumber % kGridSpacing) % kGridSpacing);
        int column =
            phase +
            ((std::max(firstColumn - phase, 0) + kGridSpacing - 1) / kGridSpacing) * kGridSpacing;
        for (; column <= lastColumn; column += kGridSpacing) {
            const int x = chart.left() + column;
            p.drawLine(x, area.top(), x, area.bottom());
        }
        for (int i = 1; i < kValueDivisions; ++i) {
            const int y = chart.bottom() - (chart.height() - 1) * i / kValueDivisions;
            p.drawLine(area.left(), y, area.right(), y);
        }

        paintCurves(p, chart, firstColumn, lastColumn);
        paintLimits(p, chart);

        if (const auto c = model_.cursorColumn(width); c && *c >= 0 && *c < width) {
            p.setPen(kCursorColour);
            p.drawLine(chart.left() + *c, chart.top(), chart.left() + *c, chart.bottom());
        }
        p.setClipping(false);
    }
    if (scaleVisible_) {
        const QRect scale(chart.right() + 1, 0, width() - chart.width(), height());
        if (scale.intersects(dirty)) {
            paintScale(p, scale);
        }
    }
}

void TrendRecorder::paintCurves(QPainter& p, const QRect& chart, int firstColumn,
                                int lastColumn) const {
    const int width = chart.width();
    const int shown = model_.shownCount(width);
    if (shown == 0) {
        return;
    }
    // One column either side, so that segments crossing into the area are drawn.
    const int from = std::max(firstColumn - 1, 0);
    const int to = std::min(lastColumn + 1, shown - 1);
    if (from > to) {
        return;
    }
    const std::size_t first = model_.firstShown(width);
    const TrendStore& store = model_.store();

    QPolygon line;
    line.reserve(to - from + 1);
    // The scale slot last, so that its curve lies on top.
    const auto scaleSlot = static_cast<std::size_t>(absScaleCh_ - 1);
    for (std::size_t k = 0; k < kTrendSlots; ++k) {
        const std::size_t s = k == kTrendSlots - 1 ? scaleSlot : (k >= scaleSlot ? k + 1 : k);
        const ChannelSettings& slot = slots_[s];
        if (slot.firstName.empty()) {
            continue;
        }
        p.setPen(toQColor(slot.colour));
        line.clear();
        for (int c = from; c <= to; ++c) {
            const float v = store.value(first + static_cast<std::size_t>(c), s);
            if (std::isnan(v)) {
                // A value that is not a number leaves a gap.
                if (line.size() > 1) {
                    p.drawPolyline(line);
                } else if (line.size() == 1) {
                    p.drawPoint(line.front());
                }
                line.clear();
                continue;
            }
            line.append(QPoint(chart.left() + c, rowOf(v, slot, chart)));
        }
        if (line.size() > 1) {
            p.drawPolyline(line);
        } else if (line.size() == 1) {
            p.drawPoint(line.front());
        }
    }
}

void TrendRecorder::paintLimits(QPainter& p, const QRect& chart) const {
    const ChannelSettings& slot = slots_[static_cast<std::size_t>(absScaleCh_ - 1)];
    if (slot.firstName.empty()) {
        return;
    }
    // Across the whole chart, whatever part is repainted, so that the dashes stay in step.
    p.setPen(QPen(kAlarmColour, 1, Qt::DashLine));
    for (const auto& limit : {slot.alarmAbove, slot.alarmBelow}) {
        // A limit outside the scale would stand at its edge, where it is no limit.
        if (limit && *limit >= slot.minimum && *limit <= slot.maximum) {
            const int y = rowOf(static_cast<float>(*limit), slot, chart);
            p.drawLine(chart.left(), y, chart.right(), y);
        }
    }
}

void TrendRecorder::paintScale(QPainter& p, const QRect& area) const {
    const ChannelSettings& slot = slots_[static_cast<std::size_t>(absScaleCh_ - 1)];
    p.setPen(QColor(96, 96, 96));
    p.drawLine(area.left(), area.top(), area.left(), area.bottom());
    if (slot.firstName.empty()) {
        return;
    }
    const QRect chart = chartRect();
    const QColor colour = readableOnBlack(toQColor(slot.colour));
    p.setPen(colour);
    p.setFont(font());
    const QFontMetrics fm(font());
    for (int i = 0; i <= kValueDivisions; ++i) {
        const double value =
            slot.minimum + (static_cast<double>(slot.maximum) - slot.minimum) * i / kValueDivisions;
        const int y = chart.bottom() - (chart.height() - 1) * i / kValueDivisions;
        p.drawLine(area.left(), y, area.left() + 4, y);
        const QString text = QString::fromStdString(formatNumber(value, slot.format));
        // Labels stay inside the widget at the top and bottom ends.
        const int top =
            std::clamp(y - fm.height() / 2, area.top(), area.bottom() - fm.height() + 1);
        p.drawText(QRect(area.left() + 6, top, area.width() - 7, fm.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, text);
    }
    const QString unit = QString::fromStdString(slot.unit).trimmed();
    if (!unit.isEmpty()) {
        p.drawText(QRect(area.left() + 6, area.top() + fm.height(), area.width() - 7, fm.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, unit);
    }
}

// ---------------------------------------------------------------------------------------------

void TrendRecorder::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    dragging_ = true;
    setFocus(Qt::MouseFocusReason);
    cursorFromMouse(event->position().toPoint().x());
    event->accept();
}

void TrendRecorder::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !(event->buttons() & Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    cursorFromMouse(event->position().toPoint().x());
    event->accept();
}

void TrendRecorder::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && dragging_) {
        dragging_ = false;
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void TrendRecorder::keyPressEvent(QKeyEvent* event) {
    const int width = chartWidth();
    if (width <= 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int shown = model_.shownCount(width);
    const int lastRecord = std::max(shown - 1, 0);
    const auto current = model_.cursorColumn(width);
    const bool inChart = current && *current >= 0 && *current < width;
    int column = inChart ? *current : lastRecord;
    switch (event->key()) {
    case Qt::Key_Left:
        column = inChart ? column - 1 : column;
        break;
    case Qt::Key_Right:
        column = inChart ? column + 1 : column;
        break;
    case Qt::Key_PageUp:
        column -= kGridSpacing;
        break;
    case Qt::Key_PageDown:
        column += kGridSpacing;
        break;
    case Qt::Key_Home:
        column = 0;
        break;
    case Qt::Key_End:
        column = lastRecord;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    moveCursorTo(std::clamp(column, 0, width - 1));
    event->accept();
}

void TrendRecorder::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit chartResized();
}

void TrendRecorder::notifyAccessibility() {
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, scaleSlotValueAtCursor());
        QAccessible::updateAccessibility(&event);
    }
}

// ---------------------------------------------------------------------------------------------

namespace {

class TrendRecorderAccessible final : public ReadOnlyValueAccessible {
public:
    explicit TrendRecorderAccessible(TrendRecorder* trend)
        : ReadOnlyValueAccessible(trend, QAccessible::Chart) {}

    TrendRecorder* trend() const { return static_cast<TrendRecorder*>(widget()); }

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name: {
            const QString name = trend()->accessibleName();
            return name.isEmpty() ? trend()->objectName() : name;
        }
        case QAccessible::Value:
            return trend()->accessibleValueText();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    // The bridge to screen readers offers "Increase" and "Decrease" for every value; here they
    // move the cursor one record later or earlier, as the arrow keys do.
    QStringList actionNames() const override {
        return QAccessibleWidget::actionNames() << increaseAction() << decreaseAction();
    }
    void doAction(const QString& actionName) override {
        const bool later = actionName == increaseAction();
        if (!later && actionName != decreaseAction()) {
            QAccessibleWidget::doAction(actionName);
            return;
        }
        QKeyEvent key(QEvent::KeyPress, later ? Qt::Key_Right : Qt::Key_Left, Qt::NoModifier);
        QCoreApplication::sendEvent(trend(), &key);
    }
    QStringList keyBindingsForAction(const QString& actionName) const override {
        if (actionName == increaseAction()) {
            return {QStringLiteral("Right")};
        }
        if (actionName == decreaseAction()) {
            return {QStringLiteral("Left")};
        }
        return QAccessibleWidget::keyBindingsForAction(actionName);
    }

    // The value at the cursor in the scale slot; assistive tools move the cursor, not the value.
    QVariant currentValue() const override { return trend()->scaleSlotValueAtCursor(); }
    QVariant maximumValue() const override { return static_cast<double>(scaleSlot().maximum); }
    QVariant minimumValue() const override { return static_cast<double>(scaleSlot().minimum); }

private:
    const ChannelSettings& scaleSlot() const {
        return trend()->slotSettings()[static_cast<std::size_t>(trend()->absScaleCh() - 1)];
    }
};

} // namespace

void installTrendRecorderAccessibility() {
    installAccessibleInterface<TrendRecorder, TrendRecorderAccessible>();
}

} // namespace kesto
