// SPDX-License-Identifier: MIT
#include "DBMemo.h"
#include "ViewAction.h"

#include <QKeyEvent>
#include <QMetaMethod>
#include <QScrollBar>

DBMemo::DBMemo(QWidget *parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
    updateReadOnly();
}

DataSource *DBMemo::dataSource() const
{
    return m_source;
}

void DBMemo::setDataSource(DataSource *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (source) {
        connect(source, &DataSource::dataSetChanged, this, &DBMemo::bind);
        connect(source, &DataSource::rowsReset, this, &DBMemo::bind);
        connect(source, &DataSource::stateChanged, this, &DBMemo::updateReadOnly);
        connect(source, &DataSource::currentRowChanged, this, &DBMemo::load);
        connect(source, &DataSource::recordChanged, this, [this](int field) {
            if (field < 0 || field == m_field)
                load();
        });
        connect(source, &DataSource::aboutToSettle, this, &DBMemo::store);
    }
    bind();
}

void DBMemo::setDataField(const QString &name)
{
    m_dataField = name;
    bind();
}

Table *DBMemo::table() const
{
    return m_source ? m_source->dataSet() : nullptr;
}

bool DBMemo::isBound() const
{
    const Table *t = table();
    return t && t->isActive() && m_field >= 0;
}

bool DBMemo::run(const std::function<void()> &action)
{
    const bool listened = isSignalConnected(QMetaMethod::fromSignal(&DBMemo::actionFailed));
    return runViewAction(listened, action, [this](std::exception_ptr error) { emit actionFailed(error); });
}

void DBMemo::bind()
{
    const Table *t = table();
    m_field = (t && t->isActive() && !m_dataField.isEmpty()) ? t->fieldIndex(m_dataField) : -1;
    load();
    updateReadOnly();
}

void DBMemo::load()
{
    if (m_storing)
        return;
    QString text;
    if (isBound()) {
        const Table *t = table();
        text = fieldText(t->fields().at(m_field), t->value(m_field));
    }
    // Reloading the same text would move the cursor to the start under the user's typing.
    if (text != toPlainText())
        setPlainText(text);
    document()->setModified(false);
}

void DBMemo::store()
{
    Table *t = table();
    if (!isBound() || !document()->isModified() || !t->isEditing())
        return;
    const QString text = toPlainText();
    m_storing = true;
    run([&] { t->setValue(m_field, text.isEmpty() ? QVariant() : QVariant(text)); });
    m_storing = false;
    document()->setModified(false);
}

void DBMemo::updateReadOnly()
{
    const bool writable = isBound() && table()->isEditing();
    setReadOnly(!writable);
    if (!writable) // still lets the user select and scroll with the keyboard
        setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

bool DBMemo::startEditing()
{
    bool editing = false;
    run([&] { editing = m_source->edit(); });
    updateReadOnly();
    return editing && !isReadOnly();
}

static bool changesText(const QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut)
        || event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo))
        return true;
    switch (event->key()) {
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        break;
    }
    const auto commands = Qt::ControlModifier | Qt::MetaModifier;
    return !event->text().isEmpty() && event->text().at(0).isPrint() && !(event->modifiers() & commands);
}

void DBMemo::keyPressEvent(QKeyEvent *event)
{
    if (isBound() && event->key() == Qt::Key_Escape && table()->isEditing()) {
        // Drops what was typed since the text was last written into the field.
        const QString text = fieldText(table()->fields().at(m_field), table()->value(m_field));
        setPlainText(text);
        document()->setModified(false);
        event->accept();
        return;
    }
    if (isReadOnly() && isBound() && changesText(event) && !startEditing()) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void DBMemo::focusOutEvent(QFocusEvent *event)
{
    store();
    QPlainTextEdit::focusOutEvent(event);
}
