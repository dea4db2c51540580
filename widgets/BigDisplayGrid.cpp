#include "widgets/BigDisplayGrid.h"

#include "acquisition/SpokenText.h"
#include "measurement/LimitAlarms.h"
#include "widgets/Accessible.h"
#include "widgets/AlarmLook.h"
#include "widgets/QtText.h"
#include "widgets/UiFonts.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <vector>

namespace kesto {

namespace {

constexpr QColor kGridLine{64, 64, 64};
constexpr int kCellCount = kBigDisplayColumns * kBigDisplayRows;

// One cell of the grid as assistive tools see it: a read-only text.
class BigDisplayCellAccessible final : public QAccessibleInterface {
public:
    BigDisplayCellAccessible(BigDisplayGrid* grid, int cell) : grid_(grid), cell_(cell) {}

    bool isValid() const override { return !grid_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        QAccessibleInterface* p = parent();
        return p != nullptr ? p->window() : nullptr;
    }
    QAccessibleInterface* parent() const override {
        return grid_ ? QAccessible::queryAccessibleInterface(grid_.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        if (!grid_) {
            return {};
        }
        switch (t) {
        case QAccessible::Name:
            return grid_->spokenCellName(cell_);
        case QAccessible::Value:
        case QAccessible::Description:
            return grid_->spokenCellValue(cell_);
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        if (!grid_) {
            return {};
        }
        const QRect r = grid_->cellRect(cell_ % kBigDisplayColumns, cell_ / kBigDisplayColumns);
        return {grid_->mapToGlobal(r.topLeft()), r.size()};
    }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.readOnly = true;
        s.invisible = !grid_ || !grid_->isVisible();
        return s;
    }

private:
    QPointer<BigDisplayGrid> grid_;
    int cell_;
};

// The grid: a group named like its page, with one child per channel cell (the empty last cell
// is left out).
class BigDisplayAccessible final : public QAccessibleWidget {
public:
    explicit BigDisplayAccessible(BigDisplayGrid* grid)
        : QAccessibleWidget(grid, QAccessible::Grouping) {
        for (int cell = 0; cell < kCellCount; ++cell) {
            if (bigDisplayChannel(cell % kBigDisplayColumns, cell / kBigDisplayColumns)) {
                cells_.push_back(QAccessible::registerAccessibleInterface(
                    new BigDisplayCellAccessible(grid, cell)));
                cellNumbers_.push_back(cell);
            }
        }
    }
    ~BigDisplayAccessible() override {
        for (const QAccessible::Id id : cells_) {
            QAccessible::deleteAccessibleInterface(id);
        }
    }

    int childCount() const override { return static_cast<int>(cells_.size()); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount()) {
            return nullptr;
        }
        return QAccessible::accessibleInterface(cells_[static_cast<std::size_t>(index)]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (std::size_t i = 0; i < cells_.size(); ++i) {
            if (QAccessible::accessibleInterface(cells_[i]) == child) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (int i = 0; i < childCount(); ++i) {
            QAccessibleInterface* c = child(i);
            if (c != nullptr && c->rect().contains(x, y)) {
                return c;
            }
        }
        return nullptr;
    }
    // The child that shows `cell` (row-major), if any.
    QAccessibleInterface* cellChild(int cell) const {
        for (std::size_t i = 0; i < cellNumbers_.size(); ++i) {
            if (cellNumbers_[i] == cell) {
                return child(static_cast<int>(i));
            }
        }
        return nullptr;
    }

private:
    std::vector<QAccessible::Id> cells_;
    std::vector<int> cellNumbers_;
};

} // namespace

BigDisplayGrid::BigDisplayGrid(QWidget* parent) : QWidget(parent) {
    installAccessibleInterface<BigDisplayGrid, BigDisplayAccessible>();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setMinimumSize(kBigDisplayColumns, kBigDisplayRows);
    FormResize();
}

void BigDisplayGrid::setCells(const BigDisplayTexts& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (cells[i] != cells_[i]) {
            cells_[i] = cells[i];
            const int column = static_cast<int>(i) % kBigDisplayColumns;
            const int row = static_cast<int>(i) / kBigDisplayColumns;
            update(cellRect(column, row));
            tellAccessibility(static_cast<int>(i));
        }
    }
}

void BigDisplayGrid::tellAccessibility(int cell) {
    if (!QAccessible::isActive()) {
        return;
    }
    auto* grid = dynamic_cast<BigDisplayAccessible*>(QAccessible::queryAccessibleInterface(this));
    if (QAccessibleInterface* child = grid != nullptr ? grid->cellChild(cell) : nullptr) {
        QAccessibleEvent name(child, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&name);
        QAccessibleEvent value(child, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&value);
    }
}

void BigDisplayGrid::showAlarms(const LiveDisplay& display, const LanguageTexts& texts) {
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (const auto channel =
                bigDisplayChannel(cell % kBigDisplayColumns, cell / kBigDisplayColumns)) {
            const ChannelDisplay& d = display[index(*channel)];
            setCellAlarm(cell, d.alarm, qs(limitAlarmText(d.settings, d.alarm, texts)));
        }
    }
}

void BigDisplayGrid::setCellAlarm(int cell, LimitAlarm alarm, const QString& text) {
    if (cell < 0 || cell >= kCellCount) {
        return;
    }
    const auto i = static_cast<std::size_t>(cell);
    if (alarms_[i] == alarm && alarmTexts_[i] == text) {
        return;
    }
    alarms_[i] = alarm;
    alarmTexts_[i] = text;
    update(cellRect(cell % kBigDisplayColumns, cell / kBigDisplayColumns));
    tellAccessibility(cell);
}

LimitAlarm BigDisplayGrid::cellAlarm(int cell) const {
    return cell >= 0 && cell < kCellCount ? alarms_[static_cast<std::size_t>(cell)]
                                          : LimitAlarm::None;
}

QString BigDisplayGrid::spokenCellName(int cell) const {
    if (cell < 0 || cell >= kCellCount) {
        return {};
    }
    return QString::fromStdString(
        spokenLabel(splitBigDisplayText(cells_[static_cast<std::size_t>(cell)]).first));
}

QString BigDisplayGrid::spokenCellValue(int cell) const {
    if (cell < 0 || cell >= kCellCount) {
        return {};
    }
    const auto i = static_cast<std::size_t>(cell);
    const QString value = QString::fromStdString(splitBigDisplayText(cells_[i]).second).trimmed();
    return alarms_[i] == LimitAlarm::None ? value : value + QStringLiteral(", ") + alarmTexts_[i];
}

QString BigDisplayGrid::cellText(int column, int row) const {
    if (column < 0 || column >= kBigDisplayColumns || row < 0 || row >= kBigDisplayRows) {
        return {};
    }
    return QString::fromStdString(
        cells_[static_cast<std::size_t>(row * kBigDisplayColumns + column)]);
}

QRect BigDisplayGrid::cellRect(int column, int row) const {
    // One pixel of each cell is its grid line on the right and at the bottom.
    return {column * colWidth_, row * rowHeight_, colWidth_ - 1, rowHeight_ - 1};
}

void BigDisplayGrid::FormResize() {
    colWidth_ = width() / kBigDisplayColumns;
    rowHeight_ = height() / kBigDisplayRows;
}

void BigDisplayGrid::resizeEvent(QResizeEvent*) {
    FormResize();
    update();
}

void BigDisplayGrid::StringGrid1DrawCell(QPainter& p, int column, int row) const {
    const QRect cell = cellRect(column, row);
    if (cell.width() <= 0 || cell.height() <= 0) {
        return;
    }
    const auto i = static_cast<std::size_t>(row * kBigDisplayColumns + column);
    const bool alarm = alarms_[i] != LimitAlarm::None;
    p.fillRect(cell, alarm ? kAlarmColour : QColor(Qt::black));
    const auto [name, value] = splitBigDisplayText(cells_[i]);
    p.save();
    p.setClipRect(cell);
    const int namePoints = nameFontPointSize();
    const int valuePoints = valueFontPointSize();
    // In an alarm the texts stand clear of the frame.
    const int frame = alarm ? std::max(2, rowHeight_ / 30) : 0;
    if (alarm) {
        drawAlarmFrame(p, cell, frame);
        // The mark in the top right corner, as high as the value's digits.
        const int side = std::max(6, valuePoints);
        drawAlarmMark(p, QRect(cell.right() - 2 * frame - side, cell.top() + 2 * frame, side, side),
                      alarms_[i]);
    }
    if (namePoints > 0) {
        p.setFont(layoutFont("Arial", namePoints));
        p.setPen(Qt::white);
        p.drawText(QRect(cell.left() + 2 + frame, cell.top() + frame, cell.width() - 2 - frame,
                         cell.height() - frame),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, QString::fromStdString(name));
    }
    if (valuePoints > 0) {
        p.setFont(layoutFont("Arial", valuePoints));
        p.setPen(alarm ? QColor(Qt::white) : QColor(Qt::red));
        p.drawText(QRect(cell.left() + 2 + frame, cell.top() + valuePoints,
                         cell.width() - 2 - frame, cell.height() - valuePoints),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                   QString::fromStdString(value));
    }
    p.restore();
}

void BigDisplayGrid::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    // Grid lines and the few pixels the integer division leaves at the right and bottom.
    p.fillRect(event->rect(), kGridLine);
    p.fillRect(QRect(colWidth_ * kBigDisplayColumns, 0, width(), height()), Qt::black);
    p.fillRect(QRect(0, rowHeight_ * kBigDisplayRows, width(), height()), Qt::black);
    for (int row = 0; row < kBigDisplayRows; ++row) {
        for (int column = 0; column < kBigDisplayColumns; ++column) {
            if (event->rect().intersects(cellRect(column, row))) {
                StringGrid1DrawCell(p, column, row);
            }
        }
    }
}

} // namespace kesto
