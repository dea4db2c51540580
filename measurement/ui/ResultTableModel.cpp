#include "measurement/ui/ResultTableModel.h"

#include "widgets/QtText.h"

namespace kesto {

void ResultTableModel::setColumns(std::vector<ResultColumn> columns) {
    beginResetModel();
    columns_ = std::move(columns);
    endResetModel();
}

int ResultTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || columns_.empty() ? 0 : static_cast<int>(kChannelCount);
}

int ResultTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant ResultTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() >= columnCount()) {
        return {};
    }
    const ResultColumn& column = columns_[static_cast<std::size_t>(index.column())];
    switch (role) {
    case Qt::DisplayRole:
        return qs(column.cells[static_cast<std::size_t>(index.row())]);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignVCenter |
                                   (column.numeric ? Qt::AlignRight : Qt::AlignLeft));
    default:
        return {};
    }
}

QVariant ResultTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Vertical) {
        return section + 1;
    }
    return section < columnCount() ? qs(columns_[static_cast<std::size_t>(section)].title)
                                   : QVariant();
}

} // namespace kesto
