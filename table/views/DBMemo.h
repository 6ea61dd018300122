// SPDX-License-Identifier: MIT
#pragma once

#include "DataSource.h"

#include <QPlainTextEdit>
#include <QPointer>

#include <exception>
#include <functional>

// The data-aware memo: the whole text of one field (dataField) of the current record,
// word-wrapped. It stays read-only until a change is typed, pasted, cut, deleted or undone (by key
// or from its context menu): that change first puts the record into editing through the data
// source (an empty table into inserting) and is then applied. The text goes back into the field
// when the memo loses the focus or the record is about to be saved; Esc reloads the field.
// Without an open table or with no such field the memo is empty and read-only.
//
// A text longer than Capacity characters is not shown: the memo shows CapacityMessage in its
// place, stays read-only and never writes anything back, so the stored text survives untouched.
class DBMemo : public QPlainTextEdit
{
    Q_OBJECT
    Q_PROPERTY(DataSource *dataSource READ dataSource WRITE setDataSource)
    Q_PROPERTY(QString dataField READ dataField WRITE setDataField)
public:
    // 1 Mi characters: laid out, word-wrapped, in about half a second (a text with no spaces is
    // wrapped anywhere for that), and far above any note a prefix table holds.
    static constexpr qsizetype Capacity = qsizetype(1) << 20;
    static const QString CapacityMessage; // "(Text exceeds memo capacity)"

    explicit DBMemo(QWidget *parent = nullptr);

    DataSource *dataSource() const;
    void setDataSource(DataSource *source);

    QString dataField() const { return m_dataField; }
    void setDataField(const QString &name);

    // The table is open and has the field.
    bool isBound() const;
    // The field's text is over Capacity and the memo shows CapacityMessage instead.
    bool exceedsCapacity() const { return m_overCapacity; }

    // The context menu's entries, enabled as they would be now (the menu that a right click opens).
    QMenu *createEditMenu();

signals:
    // An error of something the user did in the memo; without a listener the error propagates.
    void actionFailed(std::exception_ptr error);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    bool run(const std::function<void()> &action);
    Table *table() const;
    bool canChange() const;
    void bind();
    QString storedText() const; // the field's text in the record
    void load();
    bool textPending() const; // typed into the memo and not yet written into the field
    void writeText();
    void store();
    void storeBeforeSettle();
    void updateReadOnly();
    bool startEditing();

    QPointer<DataSource> m_source;
    QString m_dataField;
    int m_field = -1;
    bool m_storing = false;
    bool m_overCapacity = false;
};
