// SPDX-License-Identifier: MIT
#include "DBGrid.h"
#include "MessageDialog.h"
#include "ViewAction.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPainter>
#include <QPainterPath>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>

#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

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

// The title row: each field's name 2 pixels from its column's left edge, as the column widths
// (at least the title's width plus 4) are designed; the style's own margins would clip it.
class TitleHeader : public QHeaderView
{
public:
    explicit TitleHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent) {}

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        QStyleOptionHeader option;
        initStyleOption(&option);
        initStyleOptionForIndex(&option, logicalIndex);
        option.rect = rect;
        const QString title = option.text;
        option.text.clear();
        painter->save();
        style()->drawControl(QStyle::CE_Header, &option, painter, this); // the bevel alone
        painter->setClipRect(rect);
        painter->setFont(font());
        painter->setPen(palette().color(QPalette::ButtonText));
        painter->drawText(rect.adjusted(2, 0, -1, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title);
        painter->restore();
    }
};

} // namespace

// The cell editor: a line edit that takes at most the field's declared length. Its text goes into
// the field only when the user typed something, and a text the field refuses keeps it open.
class DBGridDelegate : public QStyledItemDelegate
{
public:
    explicit DBGridDelegate(DBGrid *grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const override
    {
        auto *editor = new QLineEdit(parent);
        editor->setFrame(false);
        if (const int length = m_grid->gridModel()->maxLength(index.column()); length > 0)
            editor->setMaxLength(length);
        m_grid->editorOpened(editor, index);
        return editor;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        auto *line = qobject_cast<QLineEdit *>(editor);
        if (!line || m_grid->m_openingRecord)
            return; // the record was just opened under the user's first key: keep what was typed
        const QString text = index.data(Qt::EditRole).toString();
        if (line->text() != text)
            line->setText(text);
        line->setModified(false);
    }

    void setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const override
    {
        if (auto *line = qobject_cast<QLineEdit *>(editor))
            m_grid->writeEditor(line, index);
    }

    bool eventFilter(QObject *object, QEvent *event) override
    {
        auto *editor = qobject_cast<QLineEdit *>(object);
        if (!editor)
            return QStyledItemDelegate::eventFilter(object, event);
        if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            const auto modifiers = key->modifiers() & ~Qt::KeypadModifier;
            if (key->key() == Qt::Key_Escape && modifiers == Qt::NoModifier) {
                // Esc undoes what was typed into the cell; with nothing typed, the record's changes.
                const bool typed = editor->isModified();
                emit closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
                if (!typed)
                    m_grid->cancelRecord();
                return true;
            }
            if (key->key() == Qt::Key_Delete && modifiers == Qt::ControlModifier) {
                m_grid->deleteCurrentRecord();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            // A message or a menu coming up does not end the cell's editing, nor does a click
            // into the grid itself: moving to another cell writes the editor there.
            const auto reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
                return false;
            if (QWidget *focus = QApplication::focusWidget(); focus && (focus == m_grid || m_grid->isAncestorOf(focus)))
                return false;
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    DBGrid *m_grid;
};

DBGrid::DBGrid(QWidget *parent) : QTableView(parent), m_model(new GridModel(this))
{
    setHorizontalHeader(new TitleHeader(this));
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
    // Sizing a column or row to its contents would read every row of the table.
    disconnect(horizontalHeader(), SIGNAL(sectionHandleDoubleClicked(int)), this, SLOT(resizeColumnToContents(int)));
    disconnect(verticalHeader(), SIGNAL(sectionHandleDoubleClicked(int)), this, SLOT(resizeRowToContents(int)));
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { m_resetting = true; });
    connect(m_model, &QAbstractItemModel::modelReset, this, &DBGrid::afterReset);
    connect(qApp, &QApplication::focusChanged, this, &DBGrid::focusMoved);
    fitRows();
}

DBGrid::~DBGrid()
{
    // The application reports focus changes while the widget below is being torn down.
    disconnect(qApp, nullptr, this, nullptr);
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
    if (source) {
        connect(source, &DataSource::currentRowChanged, this, &DBGrid::followTable);
        connect(source, &DataSource::aboutToSettle, this, &DBGrid::writeEditorBeforeSettle);
    }
    m_model->setDataSource(source); // resets the model, and so the columns and the current row
}

Table *DBGrid::table() const
{
    Table *t = dataSetOf(m_source);
    return t && t->isActive() ? t : nullptr;
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
    const Table *t = table();
    if (!t || column < 0 || column >= t->fields().size())
        return 0;
    const Field &field = t->fields().at(column);
    const int characters = field.isMemo() ? 10 : field.displayWidth;
    const int cell = fontMetrics().horizontalAdvance(QLatin1Char('0')) * characters + 4;
    const int title = horizontalHeader()->fontMetrics().horizontalAdvance(field.name) + 4;
    return std::max(cell, title);
}

QLineEdit *DBGrid::cellEditor() const
{
    return m_editor;
}

bool DBGrid::run(const std::function<void()> &action)
{
    const bool listened = isSignalConnected(QMetaMethod::fromSignal(&DBGrid::actionFailed));
    return runViewAction(listened, action, [this](std::exception_ptr error) { emit actionFailed(error); });
}

void DBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    m_refusedEditor = nullptr;
    QTableView::currentChanged(current, previous); // writes and closes the editor of the cell left
    if (current.isValid())
        m_column = current.column();
    Table *t = table();
    // While the rows are reset the view picks a cell of its own (on regaining the focus from a
    // closed editor, say): the table's current record is shown once the reset is done.
    if (m_following || m_resetting || !current.isValid() || !t)
        return;
    if (m_refusedEditor && previous.isValid()) {
        // The field refused the text of the cell left: stay in that cell, the text in its editor.
        const QScopedValueRollback following(m_following, true);
        selectionModel()->setCurrentIndex(previous, QItemSelectionModel::ClearAndSelect);
        return;
    }
    if (current.row() != t->currentRow()) {
        const QScopedValueRollback moving(m_moving, true);
        run([&] { t->moveTo(current.row()); });
    }
    // Settling a pending record can renumber the rows or fail: show where the table really is.
    if (currentIndex().row() != t->currentRow())
        followTable(t->currentRow());
    else
        m_shownRow = t->currentRow();
}

void DBGrid::followTable(int row)
{
    if (m_moving || row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex index = m_model->index(row, std::clamp(m_column, 0, m_model->columnCount() - 1));
    if (!index.isValid())
        return;
    // A step to a neighbour scrolls as little as possible; a jump (a search, first, last) shows
    // the record near the middle of the rows.
    const bool step = m_shownRow >= 0 && std::abs(row - m_shownRow) <= 1;
    if (currentIndex() != index || !selectionModel()->isSelected(index)) {
        const QScopedValueRollback following(m_following, true);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    }
    scrollTo(index, step ? QAbstractItemView::EnsureVisible : QAbstractItemView::PositionAtCenter);
    if (!step && verticalScrollMode() == QAbstractItemView::ScrollPerItem && rowHeight(row) > 0) {
        // Qt centres by whole rows from the top and leaves a record second of five and a half
        // rows; count the rows that fit above the middle instead.
        const int above = (viewport()->height() / 2 - rowHeight(row) / 2) / rowHeight(row);
        verticalScrollBar()->setValue(std::max(0, row - std::max(0, above)));
    }
    m_shownRow = row;
}

void DBGrid::afterReset()
{
    m_resetting = false;
    ++m_resets;
    m_editor = nullptr; // a reset closes every editor
    m_refusedEditor = nullptr;
    fitColumns();
    if (const Table *t = table())
        followTable(t->currentRow());
}

// Runs a key or mouse handler of the view; when the rows were reset under it (a record settled,
// inserted or dropped), the view's own bookkeeping may have marked another cell: show the table's.
void DBGrid::showCurrentRecordAfter(const std::function<void()> &handler)
{
    const int resets = m_resets;
    handler();
    if (m_resets != resets && table())
        followTable(table()->currentRow());
}

void DBGrid::keyPressEvent(QKeyEvent *event)
{
    Table *t = table();
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (t) {
        switch (event->key()) {
        case Qt::Key_Insert:
            if (modifiers == Qt::NoModifier) {
                insertRecord();
                event->accept();
                return;
            }
            break;
        case Qt::Key_Delete:
            if (modifiers == Qt::ControlModifier) {
                deleteCurrentRecord();
                event->accept();
                return;
            }
            break;
        case Qt::Key_Escape:
            if (t->isEditing()) {
                cancelRecord();
                event->accept();
                return;
            }
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Enter on a cell opens its editor; in the editor it writes the cell (the delegate).
            if (state() != EditingState && currentIndex().isValid()) {
                edit(currentIndex(), EditKeyPressed, event);
                event->accept();
                return;
            }
            break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: {
            const bool forward = event->key() == Qt::Key_Tab && !(modifiers & Qt::ShiftModifier);
            showCurrentRecordAfter([&] {
                const QModelIndex target = moveCursor(forward ? MoveNext : MovePrevious, modifiers);
                if (target.isValid() && target != currentIndex())
                    setCurrentIndex(target);
            });
            event->accept();
            return;
        }
        case Qt::Key_Down:
            if (t->isEmpty() && modifiers == Qt::NoModifier) {
                showCurrentRecordAfter([this] { nextRecord(); }); // appends the first record
                event->accept();
                return;
            }
            break;
        default:
            break;
        }
    }
    showCurrentRecordAfter([&] { QTableView::keyPressEvent(event); });
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        event->accept(); // at the grid's edge too: the window around it must not scroll instead
        break;
    default:
        break;
    }
}

void DBGrid::mousePressEvent(QMouseEvent *event)
{
    showCurrentRecordAfter([&] { QTableView::mousePressEvent(event); });
}

QModelIndex DBGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const Table *t = table();
    const QModelIndex current = currentIndex();
    if (!t || !current.isValid() || t->currentRow() != current.row())
        return QTableView::moveCursor(action, modifiers);
    const int lastColumn = m_model->columnCount() - 1;
    switch (action) {
    case MoveNext:
        if (current.column() < lastColumn)
            return current.siblingAtColumn(current.column() + 1);
        if (!nextRecord())
            return current;
        return m_model->index(t->currentRow(), 0);
    case MovePrevious:
        if (current.column() > 0)
            return current.siblingAtColumn(current.column() - 1);
        if (!priorRecord())
            return current;
        return m_model->index(t->currentRow(), lastColumn);
    case MoveHome:
    case MoveEnd:
        // Ctrl+Home and Ctrl+End go to the first and the last record and keep the column.
        if (!(modifiers & Qt::ControlModifier))
            break;
        return m_model->index(action == MoveHome ? 0 : m_model->rowCount() - 1, current.column());
    case MoveDown:
        if (current.row() < m_model->rowCount() - 1)
            break;
        if (!nextRecord())
            return current;
        return m_model->index(t->currentRow(), current.column());
    default:
        break;
    }
    return QTableView::moveCursor(action, modifiers);
}

bool DBGrid::focusNextPrevChild(bool next)
{
    if (!isVisible() || !isEnabled())
        return QTableView::focusNextPrevChild(next);
    // Tab belongs to the cells: it moves through them and never leaves the grid.
    QKeyEvent tab(QEvent::KeyPress, next ? Qt::Key_Tab : Qt::Key_Backtab, Qt::NoModifier);
    keyPressEvent(&tab);
    return true;
}

void DBGrid::keyboardSearch(const QString &)
{
    // A typed letter that opens no editor searches nothing: the search would read every row.
}

void DBGrid::editorOpened(QLineEdit *editor, const QModelIndex &index)
{
    m_editor = editor;
    m_editorIndex = index;
    connect(editor, &QLineEdit::textEdited, this, [this, editor] { editorTyped(editor); });
}

void DBGrid::editorTyped(QLineEdit *editor)
{
    Table *t = table();
    if (!t || editor != m_editor || t->isEditing())
        return;
    // The first change typed into a cell opens the record for editing.
    bool opened = false;
    {
        const QScopedValueRollback opening(m_openingRecord, true);
        run([&] { opened = m_source->edit(); });
    }
    if (!opened && m_editor && m_editorIndex.isValid()) {
        m_editor->setText(m_editorIndex.data(Qt::EditRole).toString());
        m_editor->setModified(false);
    }
}

void DBGrid::writeEditor(QLineEdit *editor, const QModelIndex &index)
{
    m_refusedEditor = nullptr;
    if (!editor->isModified())
        return; // nothing typed: the field keeps its value exactly
    const bool written = run([&] { m_model->setData(index, editor->text(), Qt::EditRole); });
    if (written)
        editor->setModified(false);
    else
        m_refusedEditor = editor;
}

void DBGrid::writeEditorBeforeSettle()
{
    Table *t = table();
    if (!t || !editorTextPending() || !m_editorIndex.isValid() || m_editorIndex.row() != t->currentRow())
        return;
    try {
        t->setText(m_editorIndex.column(), m_editor->text());
    } catch (const DatabaseError &error) {
        // The record is not saved, and the text stays in its editor for the user to correct.
        t->refuseSettle(error.message());
        m_refusedEditor = m_editor;
        return;
    }
    m_editor->setModified(false);
    closeEditor(m_editor, QAbstractItemDelegate::NoHint);
}

bool DBGrid::editorTextPending() const
{
    return m_editor && m_editor->isModified();
}

bool DBGrid::pendingRecordUnchanged() const
{
    const Table *t = table();
    return t && t->state() == DatasetState::Insert && !t->isModified() && !editorTextPending();
}

bool DBGrid::nextRecord()
{
    Table *t = table();
    if (!t)
        return false;
    const QScopedValueRollback moving(m_moving, true);
    return run([&] {
        if (t->currentRow() < t->rowCount() - 1) {
            t->moveTo(t->currentRow() + 1);
            return;
        }
        // Past the last record: a new one, unless the last is a new one nothing was typed into.
        if (!pendingRecordUnchanged() && t->canModify())
            t->append();
    });
}

bool DBGrid::priorRecord()
{
    Table *t = table();
    if (!t)
        return false;
    const QScopedValueRollback moving(m_moving, true);
    return run([&] {
        if (t->currentRow() > 0)
            t->moveTo(t->currentRow() - 1);
        else if (pendingRecordUnchanged())
            t->cancel();
    });
}

void DBGrid::insertRecord()
{
    Table *t = table();
    if (t && t->canModify())
        run([&] { t->insert(); });
}

void DBGrid::cancelRecord()
{
    if (Table *t = table())
        run([&] { t->cancel(); });
}

void DBGrid::deleteCurrentRecord()
{
    Table *t = table();
    if (!t || !t->canModify() || t->isEmpty())
        return;
    if (showMessage(MessageType::Confirmation, u"Delete record?"_s, {MessageButton::Ok, MessageButton::Cancel}, this)
        != MessageButton::Ok)
        return;
    run([&] { t->deleteRecord(); });
}

void DBGrid::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (editor && editor == m_refusedEditor && hint != QAbstractItemDelegate::RevertModelCache) {
        // The field refused the text: the editor stays open with it and gets the focus back.
        if (!editor->hasFocus())
            QMetaObject::invokeMethod(editor, [editor] { editor->setFocus(); }, Qt::QueuedConnection);
        return;
    }
    if (editor == m_refusedEditor)
        m_refusedEditor = nullptr;
    if (editor == m_editor)
        m_editor = nullptr;
    QTableView::closeEditor(editor, hint);
}

void DBGrid::focusMoved(QWidget *from, QWidget *to)
{
    const auto inside = [this](const QWidget *widget) { return widget && (widget == this || isAncestorOf(widget)); };
    if (!inside(from) || !to || inside(to) || to->window() != window())
        return;
    // An empty new record is dropped when the grid loses the focus to another control.
    if (pendingRecordUnchanged())
        cancelRecord();
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
