// SPDX-License-Identifier: MIT
#pragma once

#include "DataSource.h"
#include "GridModel.h"

#include <QPersistentModelIndex>
#include <QPointer>
#include <QTableView>

#include <exception>
#include <functional>

class QLineEdit;

// The data-aware grid: one column per field of the data source's table, one row per record, an
// indicator column that marks the current record. The table's current record is the grid's
// current row, both ways: a click or a key moves the table, a move of the table moves the grid.
// Rows are read only when they are painted.
//
// Editing, as a desktop database's grid does it: typing into a cell opens its editor and puts
// the record into editing; Enter writes the cell into the field without saving the record; Esc
// undoes the cell, then drops the record's changes; Insert inserts a record; Ctrl+Delete deletes
// one after the confirmation "Delete record?"; Down on the last row appends one, and a new record
// left unchanged (Up, or the focus leaving the grid) is dropped again; Tab and Shift+Tab go on to
// the next or previous record at a row's end and never leave the grid. A text that its field
// refuses is reported, and the cell's editor stays open with it.
class DBGrid : public QTableView
{
    Q_OBJECT
    Q_PROPERTY(DataSource *dataSource READ dataSource WRITE setDataSource)
    Q_PROPERTY(QFont titleFont READ titleFont WRITE setTitleFont)
public:
    explicit DBGrid(QWidget *parent = nullptr);
    ~DBGrid() override;

    DataSource *dataSource() const;
    void setDataSource(DataSource *source);

    // The font of the column titles; the cells use the grid's own font.
    QFont titleFont() const;
    void setTitleFont(const QFont &font);

    GridModel *gridModel() const { return m_model; }

    // Width of a column for a field: "0" in the grid's font times the field's display width
    // (10 for a memo) plus 4, at least the title's width plus 4.
    int designedColumnWidth(int column) const;

    // The cell editor that is open, if any.
    QLineEdit *cellEditor() const;

    // What Ctrl+Delete does: asks "Delete record?" and deletes the current record on OK.
    void deleteCurrentRecord();

signals:
    // An error of something the user did in the grid; without a listener the error propagates.
    void actionFailed(std::exception_ptr error);

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    bool focusNextPrevChild(bool next) override;
    void keyboardSearch(const QString &search) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class DBGridDelegate;
    Table *table() const;
    bool run(const std::function<void()> &action);
    void followTable(int row);
    void afterReset();
    void fitRows();
    void fitColumns();
    void showCurrentRecordAfter(const std::function<void()> &handler);

    // Editing.
    void editorOpened(QLineEdit *editor, const QModelIndex &index);
    void editorTyped(QLineEdit *editor);
    void writeEditor(QLineEdit *editor, const QModelIndex &index);
    void writeEditorBeforeSettle();
    bool editorTextPending() const;
    bool pendingRecordUnchanged() const;
    bool nextRecord(); // false when the table refused to move
    bool priorRecord();
    void insertRecord();
    void cancelRecord();
    void focusMoved(QWidget *from, QWidget *to);

    GridModel *m_model;
    QPointer<DataSource> m_source;
    int m_shownRow = -1;   // the table's row the grid last showed as current
    int m_column = 0;      // the current column, kept across resets of the rows
    int m_resets = 0;      // resets of the rows so far
    bool m_moving = false; // the grid itself is moving the table
    bool m_following = false; // the grid is following a move of the table
    bool m_resetting = false; // the rows are being reset
    QPointer<QLineEdit> m_editor;         // the open cell editor
    QPersistentModelIndex m_editorIndex;  // its cell
    QPointer<QWidget> m_refusedEditor;    // an editor whose text its field just refused
    bool m_openingRecord = false;         // the first key typed is opening the record
};
