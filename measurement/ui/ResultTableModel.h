#pragma once

#include "measurement/Measurement.h"

#include <QAbstractTableModel>

#include <vector>

namespace kesto {

// The result window's table: the columns of resultColumns(), one row per channel.
class ResultTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    void setColumns(std::vector<ResultColumn> columns);
    const std::vector<ResultColumn>& columns() const { return columns_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    std::vector<ResultColumn> columns_;
};

} // namespace kesto
