// SPDX-License-Identifier: MIT
#pragma once

#include "DataSource.h"

#include <QPlainTextEdit>
#include <QPointer>

#include <exception>
#include <functional>

// The data-aware memo: the whole text of one field (dataField) of the current record,
// word-wrapped. It stays read-only until a change is typed, pasted, cut or undone: that change
// first puts the record into editing through the data source. The text goes back into the field
// when the memo loses the focus or the record is about to be saved; Esc reloads the field.
// Without an open table or with no such field the memo is empty and read-only.
class DBMemo : public QPlainTextEdit
{
    Q_OBJECT
    Q_PROPERTY(DataSource *dataSource READ dataSource WRITE setDataSource)
    Q_PROPERTY(QString dataField READ dataField WRITE setDataField)
public:
    explicit DBMemo(QWidget *parent = nullptr);

    DataSource *dataSource() const;
    void setDataSource(DataSource *source);

    QString dataField() const { return m_dataField; }
    void setDataField(const QString &name);

    // The table is open and has the field.
    bool isBound() const;

signals:
    // An error of something the user did in the memo; without a listener the error propagates.
    void actionFailed(std::exception_ptr error);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    bool run(const std::function<void()> &action);
    Table *table() const;
    void bind();
    void load();
    void store();
    void updateReadOnly();
    bool startEditing();

    QPointer<DataSource> m_source;
    QString m_dataField;
    int m_field = -1;
    bool m_storing = false;
};
