// SPDX-License-Identifier: MIT
#pragma once

#include "DataSource.h"
#include "GridModel.h"

#include <QPointer>
#include <QTableView>

#include <exception>
#include <functional>

// The data-aware grid: one column per field of the data source's table, one row per record, an
// indicator column that marks the current record. The table's current record is the grid's
// current row, both ways: a click or a key moves the table, a move of the table moves the grid.
// Rows are read only when they are painted.
class DBGrid : public QTableView
{
    Q_OBJECT
    Q_PROPERTY(DataSource *dataSource READ dataSource WRITE setDataSource)
    Q_PROPERTY(QFont titleFont READ titleFont WRITE setTitleFont)
public:
    explicit DBGrid(QWidget *parent = nullptr);

    DataSource *dataSource() const;
    void setDataSource(DataSource *source);

    // The font of the column titles; the cells use the grid's own font.
    QFont titleFont() const;
    void setTitleFont(const QFont &font);

    GridModel *gridModel() const { return m_model; }

    // Width of a column for a field: "0" in the grid's font times the field's display width
    // (10 for a memo) plus 4, at least the title's width plus 4.
    int designedColumnWidth(int column) const;

signals:
    // An error of something the user did in the grid; without a listener the error propagates.
    void actionFailed(std::exception_ptr error);

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void changeEvent(QEvent *event) override;

private:
    friend class DBGridDelegate;
    bool run(const std::function<void()> &action);
    void followTable(int row);
    void afterReset();
    void fitRows();
    void fitColumns();

    GridModel *m_model;
    QPointer<DataSource> m_source;
    int m_shownRow = -1;   // the table's row the grid last showed as current
    bool m_moving = false; // the grid itself is moving the table
    bool m_following = false; // the grid is following a move of the table
};
