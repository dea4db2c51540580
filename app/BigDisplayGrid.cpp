#include "BigDisplayGrid.h"

#include "UiFonts.h"

#include <QPaintEvent>
#include <QPainter>

namespace kesto {

namespace {
constexpr QColor kGridLine{64, 64, 64};
} // namespace

BigDisplayGrid::BigDisplayGrid(QWidget* parent) : QWidget(parent) {
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
        }
    }
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
    p.fillRect(cell, Qt::black);
    const auto [name, value] =
        splitBigDisplayText(cells_[static_cast<std::size_t>(row * kBigDisplayColumns + column)]);
    p.save();
    p.setClipRect(cell);
    const int namePoints = nameFontPointSize();
    const int valuePoints = valueFontPointSize();
    if (namePoints > 0) {
        p.setFont(layoutFont("Arial", namePoints));
        p.setPen(Qt::white);
        p.drawText(QRect(cell.left() + 2, cell.top(), cell.width() - 2, cell.height()),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, QString::fromStdString(name));
    }
    if (valuePoints > 0) {
        p.setFont(layoutFont("Arial", valuePoints));
        p.setPen(Qt::red);
        p.drawText(QRect(cell.left() + 2, cell.top() + valuePoints, cell.width() - 2,
                         cell.height() - valuePoints),
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
