// SPDX-License-Identifier: MIT
#pragma once

#include "DatabaseError.h"
#include "Field.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>
#include <string_view>

enum class DatasetState {
    Inactive, // closed
    Browse,
    Edit,   // the current record has pending changes or is open for them
    Insert, // a new record that is not stored yet
};

// The prefix table: one SQLite table seen as an ordered list of records with one current
// record and an editing state, like a desktop database's table component. It owns the truth;
// the grid, the memo and the navigator observe it through a DataSource.
//
// Rows are numbered 0..rowCount()-1 in table order (the primary key, else the row order).
// While a record is being inserted, it occupies a row of its own at insertRow(), so
// rowCount() is recordCount() + 1 and the stored rows from there on move down by one.
//
// Every operation that fails throws DatabaseError with the text the user is shown.
class Table : public QObject
{
    Q_OBJECT
public:
    explicit Table(QObject *parent = nullptr);
    ~Table() override;

    // The table's full path without extension, e.g. "/opt/prefixbook/DXCC22": the file is that
    // path plus ".db", the table inside it is named by the last path component. Only while closed.
    void setTableName(const QString &name);
    QString tableName() const;
    QString fileName() const; // the database file that open() reads
    static QString fileNameFor(const QString &tableName); // the same for any table name

    void open();
    void close(); // drops a pending edit or insert
    bool isActive() const;
    bool isReadOnly() const; // the file or its folder cannot be written
    bool canModify() const { return isActive() && !isReadOnly(); }

    DatasetState state() const;
    bool isEditing() const { return state() == DatasetState::Edit || state() == DatasetState::Insert; }
    bool isModified() const; // the pending record differs from what is stored

    const QVector<Field> &fields() const;
    int fieldIndex(const QString &name) const; // -1 when there is no such field (case-insensitive)
    const Field &fieldByName(const QString &name) const; // throws "Table1: Field 'X' not found"

    // Navigation. Each first settles a pending record: saves it when changed, drops it otherwise.
    int recordCount() const; // stored records
    int rowCount() const;    // recordCount() plus the record being inserted
    int currentRow() const;  // -1 when there is no record
    int insertRow() const;   // row of the record being inserted, -1 when not inserting
    bool isEmpty() const { return rowCount() == 0; }
    bool bof() const; // at the first record (or empty)
    bool eof() const; // at the last record (or empty)
    void first();
    void prior();
    void next();
    void last();
    void moveTo(int row);
    void moveBy(int distance);

    // Finds the first record in table order whose field equals value; ignores the case of
    // Latin and Cyrillic letters when caseInsensitive. Found: it becomes current, true.
    // Not found: nothing moves, false. An empty value matches no record.
    bool locate(const QString &fieldName, const QString &value, bool caseInsensitive = true);

    // Editing.
    void edit();   // opens the current record for changes (inserts on an empty table)
    void insert(); // a new empty record at the current row
    void append(); // a new empty record after the last row
    void post();   // saves the pending record, one transaction
    void cancel(); // drops the pending record's changes
    void deleteRecord();
    void refresh(); // re-reads the table, keeping the current record where it still exists

    // The current record's values (the pending values while editing).
    QVariant value(int field) const;
    QVariant value(const QString &fieldName) const;
    // Changes a field of the pending record; the record must be in Edit or Insert state.
    void setValue(int field, const QVariant &value);
    // The same from text typed by the user: checked against the field's type.
    void setText(int field, const QString &text);

    // Called from aboutToSettle by an editor whose text its field refuses: the settle or post
    // that announced itself then throws DatabaseError(message) and the record stays as it is.
    void refuseSettle(const QString &message);

    // Any row's value, for the views; stored rows are read on demand through a small cache.
    QVariant valueAt(int row, int field) const;

    // Visits one field of every stored record in table order, in one pass over the file, as
    // UTF-8 text (numbers as SQLite writes them); NULL values are skipped.
    void forEachText(int field, const std::function<void(int row, std::string_view text)> &visit) const;

signals:
    void stateChanged(DatasetState state);
    // The set or order of rows changed (open, close, refresh, insert, delete, post).
    void rowsReset();
    // The current row moved (row may be -1).
    void currentRowChanged(int row);
    // A field of the current record's buffer changed (-1: all of them, e.g. after cancel).
    void recordChanged(int field);
    // Just before the pending record is settled, so that editors write their text into it (or
    // refuse the settle, see refuseSettle()).
    void aboutToSettle();

private:
    friend class TablePreload;
    class Private;
    std::unique_ptr<Private> d;
};

// Reads a table on a worker thread ahead of its open(), which then takes up what was read
// instead of reading it again, or throws the error the reading met: the program starts one
// before it builds its window. The first open() of that file takes it; destroying the preload
// waits for the reading to end and closes what no table took.
class TablePreload
{
public:
    explicit TablePreload(const QString &tableName); // as Table::setTableName() takes it
    ~TablePreload();
    TablePreload(const TablePreload &) = delete;
    TablePreload &operator=(const TablePreload &) = delete;

    void wait() const; // until the reading is done

    struct Reading;

private:
    friend class Table;
    static std::unique_ptr<Table::Private> take(const QString &fileName);
    std::unique_ptr<Reading> m_reading;
};
