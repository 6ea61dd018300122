// SPDX-License-Identifier: MIT
#include "GridModel.h"

using namespace Qt::Literals::StringLiterals;

GridModel::GridModel(QObject *parent) : QAbstractTableModel(parent) {}

void GridModel::setDataSource(DataSource *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (source) {
        connect(source, &DataSource::dataSetChanged, this, &GridModel::reset);
        connect(source, &DataSource::rowsReset, this, &GridModel::reset);
        connect(source, &DataSource::stateChanged, this, [this] {
            if (m_current >= 0)
                emit headerDataChanged(Qt::Vertical, m_current, m_current);
        });
        connect(source, &DataSource::currentRowChanged, this, [this](int row) {
            const int previous = m_current;
            m_current = row;
            if (previous >= 0 && previous < m_rows)
                emit headerDataChanged(Qt::Vertical, previous, previous);
            if (row >= 0 && row < m_rows)
                emit headerDataChanged(Qt::Vertical, row, row);
        });
        connect(source, &DataSource::recordChanged, this, [this](int field) {
            if (m_current < 0 || m_current >= m_rows || m_columns == 0)
                return;
            const int left = field < 0 ? 0 : field;
            const int right = field < 0 ? m_columns - 1 : field;
            emit dataChanged(index(m_current, left), index(m_current, right));
        });
    }
    reset();
}

void GridModel::reset()
{
    beginResetModel();
    const Table *table = dataSetOf(m_source);
    const bool active = table && table->isActive();
    m_rows = active ? table->rowCount() : 0;
    m_columns = active ? int(table->fields().size()) : 0;
    m_current = active ? table->currentRow() : -1;
    endResetModel();
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    const Table *table = dataSetOf(m_source);
    if (!table || !index.isValid() || index.row() >= m_rows || index.column() >= m_columns)
        return {};
    const Field &field = table->fields().at(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
        const QVariant value = table->valueAt(index.row(), index.column());
        if (field.isMemo())
            return (value.isNull() || value.toString().isEmpty()) ? u"(Memo)"_s : u"(MEMO)"_s;
        return fieldText(field, value);
    }
    case Qt::TextAlignmentRole:
        if (field.kind == FieldKind::Integer || field.kind == FieldKind::Float)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    const Table *table = dataSetOf(m_source);
    if (!table || !table->isActive())
        return {};
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole && section >= 0 && section < m_columns)
            return table->fields().at(section).name;
        return {};
    }
    if (role == IndicatorRole)
        return int(indicator(section));
    return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    const Table *table = dataSetOf(m_source);
    if (!table || !index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const Field &field = table->fields().at(index.column());
    if (table->canModify() && field.kind != FieldKind::Memo && field.kind != FieldKind::Blob)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool GridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    Table *table = dataSetOf(m_source);
    if (!table || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    // A cell edits the current record: the view moves the table to the row first.
    if (index.row() != table->currentRow())
        table->moveTo(index.row());
    if (index.row() != table->currentRow())
        return false;
    const Field &field = table->fields().at(index.column());
    const QString text = value.toString();
    if (fieldText(field, table->value(index.column())) == text && !table->isEditing())
        return true; // nothing typed over: do not open the record
    if (!m_source->edit())
        return false;
    table->setText(index.column(), text);
    return true;
}

GridModel::Indicator GridModel::indicator(int row) const
{
    const Table *table = dataSetOf(m_source);
    if (!table || !table->isActive() || row != table->currentRow())
        return NoIndicator;
    switch (table->state()) {
    case DatasetState::Edit:
        return EditIndicator;
    case DatasetState::Insert:
        return InsertIndicator;
    default:
        return BrowseIndicator;
    }
}

int GridModel::maxLength(int column) const
{
    const Table *table = dataSetOf(m_source);
    if (!table || column < 0 || column >= m_columns)
        return 0;
    return table->fields().at(column).maxLength;
}
