// SPDX-License-Identifier: MIT
#include "DataSource.h"

DataSource::DataSource(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("DataSource1"));
}

void DataSource::setDataSet(Table *table)
{
    if (m_table == table)
        return;
    if (m_table)
        disconnect(m_table, nullptr, this, nullptr);
    m_table = table;
    if (table) {
        connect(table, &Table::stateChanged, this, &DataSource::stateChanged);
        connect(table, &Table::rowsReset, this, &DataSource::rowsReset);
        connect(table, &Table::currentRowChanged, this, &DataSource::currentRowChanged);
        connect(table, &Table::recordChanged, this, &DataSource::recordChanged);
        connect(table, &Table::aboutToSettle, this, &DataSource::aboutToSettle);
        connect(table, &QObject::destroyed, this, [this] {
            m_table = nullptr;
            emit dataSetChanged();
        });
    }
    emit dataSetChanged();
}

bool DataSource::edit()
{
    if (!m_table || !m_table->isActive())
        return false;
    if (m_table->isEditing())
        return true;
    // A view never opens what cannot be saved: a key typed into a read-only table just does nothing.
    if (!m_autoEdit || !m_table->canModify())
        return false;
    m_table->edit();

    return m_table->isEditing();
}
