// SPDX-License-Identifier: MIT
#pragma once

#include "Table.h"

#include <QObject>
#include <QPointer>

// The one link between a Table and the views bound to it. Views connect to these signals,
// never to each other, and keep no copy of the table's values.
class DataSource : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool autoEdit READ autoEdit WRITE setAutoEdit)
public:
    explicit DataSource(QObject *parent = nullptr);

    void setDataSet(Table *table);
    Table *dataSet() const { return m_table; }

    bool autoEdit() const { return m_autoEdit; }
    void setAutoEdit(bool on) { m_autoEdit = on; }

    // Called by a view when the user starts changing the current record: with autoEdit on,
    // a browsing record is put into editing (an empty table into inserting). Returns whether
    // the record can now be changed: false, without an error, for a closed or read-only table.
    bool edit();

signals:
    void dataSetChanged();                 // another table was bound, or none
    void stateChanged(DatasetState state); // forwarded from the table
    void rowsReset();
    void currentRowChanged(int row);
    void recordChanged(int field);
    void aboutToSettle();

private:
    QPointer<Table> m_table;
    bool m_autoEdit = true;
};

// The table a view or model bound to source shows, if any.
inline Table *dataSetOf(const DataSource *source)
{
    return source ? source->dataSet() : nullptr;
}
