// SPDX-License-Identifier: MIT
#include "DBGrid.h"
#include "ViewAction.h"

#include <QEvent>
#include <QHeaderView>
#include <QMetaMethod>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyledItemDelegate>

#include <cstdlib>

namespace {

// The vertical header is the indicator column: no numbers, a mark on the current record's row.
class IndicatorHeader : public QHeaderView
{
public:
    explicit IndicatorHeader(QWidget *parent) : QHeaderView(Qt::Vertical, parent)
    {
        setSectionResizeMode(QHeaderView::Fixed);
        setSectionsClickable(false);
        setHighlightSections(false);
    }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        // The base leaves its own clip behind (empty for a section this narrow).
        painter->save();
        QHeaderView::paintSection(painter, rect, logicalIndex);
        painter->restore();
        if (!model())
            return;
        const auto mark = GridModel::Indicator(
            model()->headerData(logicalIndex, Qt::Vertical, GridModel::IndicatorRole).toInt());
        if (mark == GridModel::NoIndicator)
            return;
        painter->save();
        painter->setClipRect(rect);
        painter->setRenderHint(QPainter::Antialiasing, false);
        const QColor ink = palette().color(QPalette::ButtonText);
        const QPoint c = rect.center();
        switch (mark) {
        case GridModel::BrowseIndicator: { // a solid arrow pointing at the row
            QPolygon arrow;
            arrow << QPoint(c.x() - 2, c.y() - 4) << QPoint(c.x() + 2, c.y()) << QPoint(c.x() - 2, c.y() + 4);
            painter->setPen(ink);
            painter->setBrush(ink);
            painter->drawPolygon(arrow);
            break;
        }
        case GridModel::EditIndicator: { // an I-beam: the record is being edited
            painter->setPen(ink);
            painter->drawLine(c.x(), c.y() - 4, c.x(), c.y() + 4);
            painter->drawLine(c.x() - 2, c.y() - 5, c.x() - 1, c.y() - 5);
            painter->drawLine(c.x() + 1, c.y() - 5, c.x() + 2, c.y() - 5);
            painter->drawLine(c.x() - 2, c.y() + 5, c.x() - 1, c.y() + 5);
            painter->drawLine(c.x() + 1, c.y() + 5, c.x() + 2, c.y() + 5);
            break;
        }
        case GridModel::InsertIndicator: { // an asterisk: a new record
            painter->setPen(QPen(ink, 1));
            painter->drawLine(c.x(), c.y() - 3, c.x(), c.y() + 3);
            painter->drawLine(c.x() - 3, c.y() - 2, c.x() + 3, c.y() + 2);
            painter->drawLine(c.x() - 3, c.y() + 2, c.x() + 3, c.y() - 2);
            break;
        }
        case GridModel::NoIndicator:
            break;
        }
        painter->restore();
    }
};

} // namespace

// Writes an editor's value through the model inside the grid's own frame, so that a refused
// value reaches the grid's listener instead of unwinding through Qt's item-view code.
class DBGridDelegate : public QStyledItemDelegate
{
public:
    explicit DBGridDelegate(DBGrid *grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        const QByteArray property = editor->metaObject()->userProperty().name();
        if (property.isEmpty())
            return;
        const QVariant value = editor->property(property.constData());
        m_grid->run([&] { model->setData(index, value, Qt::EditRole); });
    }

private:
    DBGrid *m_grid;
};

DBGrid::DBGrid(QWidget *parent) : QTableView(parent), m_model(new GridModel(this))
{
    setVerticalHeader(new IndicatorHeader(this));
    setModel(m_model);
    setItemDelegate(new DBGridDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(true);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(m_model, &QAbstractItemModel::modelReset, this, &DBGrid::afterReset);
    fitRows();
}

DataSource *DBGrid::dataSource() const
{
    return m_source;
}

void DBGrid::setDataSource(DataSource *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    m_shownRow = -1;
    if (source)
        connect(source, &DataSource::currentRowChanged, this, &DBGrid::followTable);
    m_model->setDataSource(source); // resets the model, and so the columns and the current row
}

QFont DBGrid::titleFont() const
{
    return horizontalHeader()->font();
}

void DBGrid::setTitleFont(const QFont &font)
{
    horizontalHeader()->setFont(font);
    fitRows();
    fitColumns();
}

int DBGrid::designedColumnWidth(int column) const
{
    const Table *table = m_source ? m_source->dataSet() : nullptr;
    if (!table || column < 0 || column >= table->fields().size())
        return 0;
    const Field &field = table->fields().at(column);
    const int characters = field.isMemo() ? 10 : field.displayWidth;
    const int cell = fontMetrics().horizontalAdvance(QLatin1Char('0')) * characters + 4;
    const int title = horizontalHeader()->fontMetrics().horizontalAdvance(field.name) + 4;
    return std::max(cell, title);
}

bool DBGrid::run(const std::function<void()> &action)
{
    const bool listened = isSignalConnected(QMetaMethod::fromSignal(&DBGrid::actionFailed));
    return runViewAction(listened, action, [this](std::exception_ptr error) { emit actionFailed(error); });
}

void DBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    Table *table = m_source ? m_source->dataSet() : nullptr;
    if (m_following || !current.isValid() || !table || !table->isActive())
        return;
    if (current.row() != table->currentRow()) {
        m_moving = true;
        run([&] { table->moveTo(current.row()); });
        m_moving = false;
    }
    // Settling a pending record can renumber the rows or fail: show where the table really is.
    if (table->currentRow() != current.row())
        followTable(table->currentRow());
    else
        m_shownRow = current.row();
}

void DBGrid::followTable(int row)
{
    if (m_moving || row < 0 || row >= m_model->rowCount())
        return;
    const int column = std::max(currentIndex().column(), 0);
    const QModelIndex index = m_model->index(row, column);
    if (!index.isValid())
        return;
    // A step to a neighbour scrolls as little as possible; a jump (a search, first, last) shows
    // the record near the middle of the rows.
    const bool step = m_shownRow >= 0 && std::abs(row - m_shownRow) <= 1;
    m_following = true;
    if (currentIndex() != index)
        setCurrentIndex(index);
    m_following = false;
    scrollTo(index, step ? QAbstractItemView::EnsureVisible : QAbstractItemView::PositionAtCenter);
    m_shownRow = row;
}

void DBGrid::afterReset()
{
    fitColumns();
    const Table *table = m_source ? m_source->dataSet() : nullptr;
    if (table && table->isActive())
        followTable(table->currentRow());
}

void DBGrid::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        fitRows();
        fitColumns();
    }
}

void DBGrid::fitRows()
{
    // A record's row is the text height plus 3 and a grid line; the title row has 4 to spare.
    const int line = showGrid() ? 1 : 0;
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 3 + line);
    // The style insets a title's text by its header margin on every side: never clip a title.
    const int titleText = horizontalHeader()->fontMetrics().height();
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, horizontalHeader());
    horizontalHeader()->setFixedHeight(std::max(titleText + 4 + line, titleText + 2 * margin));
    verticalHeader()->setFixedWidth(11);
}

void DBGrid::fitColumns()
{
    const int line = showGrid() ? 1 : 0;
    for (int column = 0; column < m_model->columnCount(); ++column)
        setColumnWidth(column, designedColumnWidth(column) + line);
}
