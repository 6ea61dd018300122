// SPDX-License-Identifier: MIT
#include "DBMemo.h"
#include "ViewAction.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMetaMethod>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QTextBlock>

using namespace Qt::Literals::StringLiterals;

const QString DBMemo::CapacityMessage = u"(Text exceeds memo capacity)"_s;

namespace {

// Breaking a line inside a word rescans the whole word for each line: a long text without spaces
// would take many seconds to lay out. Such a text is wrapped anywhere instead (linear time).
constexpr qsizetype LongestWordWrapped = 1000;

bool hasLongWord(const QString &text)
{
    qsizetype run = 0;
    for (const QChar ch : text) {
        run = ch.isSpace() ? 0 : run + 1;
        if (run > LongestWordWrapped)
            return true;
    }
    return false;
}

} // namespace

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
        connect(source, &DataSource::aboutToSettle, this, &DBMemo::storeBeforeSettle);
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
    return dataSetOf(m_source);
}

bool DBMemo::isBound() const
{
    const Table *t = table();
    return t && t->isActive() && m_field >= 0;
}

// The memo could take a change now (it may still have to open the record first).
bool DBMemo::canChange() const
{
    return isBound() && !m_overCapacity && table()->canModify();
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

QString DBMemo::storedText() const
{
    const Table *t = table();
    return fieldText(t->fields().at(m_field), t->value(m_field));
}

void DBMemo::load()
{
    if (m_storing)
        return;
    QString text;
    m_overCapacity = false;
    if (isBound()) {
        text = storedText();
        if (text.size() > Capacity) {
            m_overCapacity = true;
            text = CapacityMessage;
        }
    }
    // Reloading the same text would move the cursor to the start under the user's typing.
    if (text != toPlainText()) {
        const auto wrap = hasLongWord(text) ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere;
        if (wrap != wordWrapMode()) {
            clear(); // the old text is never laid out again in the other mode
            setWordWrapMode(wrap);
        }
        setPlainText(text);
    }
    document()->setModified(false);
    updateReadOnly();
}

bool DBMemo::textPending() const
{
    return isBound() && !m_overCapacity && document()->isModified() && table()->isEditing();
}

void DBMemo::writeText()
{
    {
        // The field's change must not reload the memo under the text being written.
        const QScopedValueRollback storing(m_storing, true);
        const QString text = toPlainText();
        table()->setValue(m_field, text.isEmpty() ? QVariant() : QVariant(text));
    }
    document()->setModified(false);
}

void DBMemo::store()
{
    if (textPending())
        run([this] { writeText(); });
}

void DBMemo::storeBeforeSettle()
{
    if (!textPending())
        return;
    try {
        writeText();
    } catch (const DatabaseError &error) {
        table()->refuseSettle(error.message()); // the text stays in the memo; the record is not saved
    }
}

void DBMemo::updateReadOnly()
{
    const bool writable = isBound() && !m_overCapacity && table()->isEditing() && table()->canModify();
    setReadOnly(!writable);
    if (!writable) // still lets the user select and scroll with the keyboard
        setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

bool DBMemo::startEditing()
{
    if (!canChange())
        return false;
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
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Insert: // Shift+Insert pastes, whatever the platform's key bindings say
        return modifiers == Qt::ShiftModifier;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        break;
    }
    const auto commands = Qt::ControlModifier | Qt::MetaModifier;
    return !event->text().isEmpty() && event->text().at(0).isPrint() && !(modifiers & commands);
}

void DBMemo::keyPressEvent(QKeyEvent *event)
{
    const auto modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (isBound() && !m_overCapacity && event->key() == Qt::Key_Escape && modifiers == Qt::NoModifier
        && table()->isEditing()) {
        // Drops what was typed since the text was last written into the field.
        setPlainText(storedText());
        document()->setModified(false);
        event->accept();
        return;
    }
    if (isReadOnly() && changesText(event)) {
        if (!startEditing()) {
            event->accept();
            return;
        }
        if (event->key() == Qt::Key_Insert && modifiers == Qt::ShiftModifier) {
            paste();
            event->accept();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void DBMemo::focusOutEvent(QFocusEvent *event)
{
    store();
    QPlainTextEdit::focusOutEvent(event);
}

QMenu *DBMemo::createEditMenu()
{
    // The menu of a writable memo, whatever the state: a change chosen here first opens the record.
    auto *menu = new QMenu(this);
    const bool changeable = canChange();
    const bool selection = textCursor().hasSelection();
    const QMimeData *clipboard = QGuiApplication::clipboard()->mimeData();
    const auto change = [this](void (QPlainTextEdit::*operation)()) {
        return [this, operation] {
            if (isReadOnly() && !startEditing())
                return;
            (this->*operation)();
        };
    };
    const auto add = [menu](const QString &text, QKeySequence::StandardKey key, bool enabled, auto slot) {
        QAction *action = menu->addAction(text);
        action->setShortcut(key);
        action->setEnabled(enabled);
        QObject::connect(action, &QAction::triggered, menu, slot);
        return action;
    };
    add(u"&Undo"_s, QKeySequence::Undo, changeable && document()->isUndoAvailable(), change(&QPlainTextEdit::undo))
        ->setObjectName(u"edit-undo"_s);
    add(u"&Redo"_s, QKeySequence::Redo, changeable && document()->isRedoAvailable(), change(&QPlainTextEdit::redo))
        ->setObjectName(u"edit-redo"_s);
    menu->addSeparator();
    add(u"Cu&t"_s, QKeySequence::Cut, changeable && selection, change(&QPlainTextEdit::cut))
        ->setObjectName(u"edit-cut"_s);
    add(u"&Copy"_s, QKeySequence::Copy, selection, [this] { copy(); })->setObjectName(u"edit-copy"_s);
    add(u"&Paste"_s, QKeySequence::Paste, changeable && clipboard && clipboard->hasText(), change(&QPlainTextEdit::paste))
        ->setObjectName(u"edit-paste"_s);
    add(u"Delete"_s, QKeySequence::Delete, changeable && selection, [this] {
        if (isReadOnly() && !startEditing())
            return;
        textCursor().removeSelectedText();
    })->setObjectName(u"edit-delete"_s);
    menu->addSeparator();
    add(u"Select All"_s, QKeySequence::SelectAll, !document()->isEmpty(), [this] { selectAll(); })
        ->setObjectName(u"select-all"_s);
    return menu;
}

void DBMemo::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createEditMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
    event->accept();
}
