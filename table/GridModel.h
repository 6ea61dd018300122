// SPDX-License-Identifier: MIT
#pragma once

#include "DataSource.h"

#include <QAbstractTableModel>
#include <QPointer>

// The rows of a DataSource's table as a Qt table model: one column per field in field order,
// titled with the field's name. Rows are read on demand from the table (which caches them), so
// a table of any size costs the same. The vertical header carries the current-row indicator:
// Qt::DecorationRole / IndicatorRole of the current row tells Browse, Edit or Insert.
class GridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Indicator { NoIndicator = 0, BrowseIndicator, EditIndicator, InsertIndicator };
    static constexpr int IndicatorRole = Qt::UserRole + 1;

    explicit GridModel(QObject *parent = nullptr);

    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return m_source; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Writes the cell's text into the field of the current record (putting it into editing
    // through the data source); does not save the record. Throws DatabaseError on bad text.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    Indicator indicator(int row) const;

    // The most characters a cell editor of the column takes: n for a field declared CHAR(n) or
    // VARCHAR(n) (any ...CHAR(n)), 0 for no limit.
    int maxLength(int column) const;

private:
    void reset();
    QPointer<DataSource> m_source;
    int m_rows = 0;
    int m_columns = 0;
    int m_current = -1;
};
