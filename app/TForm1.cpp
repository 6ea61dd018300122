// SPDX-License-Identifier: MIT
#include "TForm1.h"
#include "DBGrid.h"
#include "DBMemo.h"
#include "DBNavigator.h"
#include "DataSource.h"
#include "EntryFilter.h"
#include "ErrorReport.h"
#include "Fonts.h"
#include "KeyboardLayout.h"
#include "LatinKeyMap.h"
#include "MessageDialog.h"
#include "PrefixSearch.h"
#include "Resources.h"
#include "Table.h"
#include "UiLoader.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString LayoutResource = u":/prefixbook/form1.ui"_s;

template <class T>
T *control(QWidget *root, const QString &name)
{
    T *widget = root->findChild<T *>(name, Qt::FindDirectChildrenOnly);
    if (!widget) {
        throw LayoutError(u"Form1: the layout %1 has no %2 named %3"_s.arg(
            LayoutResource, QString::fromLatin1(T::staticMetaObject.className()), name));
    }
    return widget;
}

} // namespace

TForm1::TForm1(const QString &folder, QWidget *parent) : QWidget(parent), m_folder(folder)
{
    initResources();
    installDesignFonts();
    setObjectName(u"Form1"_s);

    DataSource1 = new DataSource(this);
    DataSource1->setObjectName(u"DataSource1"_s);
    Table1 = new Table(this);
    Table1->setObjectName(u"Table1"_s);
    DataSource1->setDataSet(Table1);

    // Controls keep their place when the window is resized; scroll bars show what does not fit.
    m_clientArea = new QScrollArea(this);
    m_clientArea->setObjectName(u"ClientScrollArea"_s);
    m_clientArea->setFrameShape(QFrame::NoFrame);
    m_clientArea->setFocusPolicy(Qt::NoFocus);
    m_clientArea->setWidgetResizable(false);
    m_clientArea->viewport()->setBackgroundRole(QPalette::Button);
    m_clientArea->viewport()->setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_clientArea);

    loadLayout();
    fitFonts();
    applyScale(designScale());
    bindDataAwareControls();
    connectEvents();

    handle([this] { FormCreate(this); });
    focusFirstControl();
}

TForm1::~TForm1() = default;

QString TForm1::tableNameIn(const QString &folder)
{
    return QDir(folder).filePath(u"DXCC22"_s);
}

void TForm1::loadLayout()
{
    QFile file(LayoutResource);
    if (!file.open(QIODevice::ReadOnly))
        throw LayoutError(u"Form1: cannot read the layout %1"_s.arg(LayoutResource));
    UiLoader loader;
    QWidget *root = loader.load(&file, m_clientArea);
    if (!root)
        throw LayoutError(u"Form1: cannot build the layout %1: %2"_s.arg(LayoutResource, loader.errorString()));
    m_client = root;
    m_client->setBackgroundRole(QPalette::Button);
    m_client->setAutoFillBackground(true);

    DBGrid1 = control<DBGrid>(root, u"DBGrid1"_s);
    Edit1 = control<QLineEdit>(root, u"Edit1"_s);
    Edit2 = control<QLineEdit>(root, u"Edit2"_s);
    Button1 = control<QPushButton>(root, u"Button1"_s);
    DBNavigator1 = control<DBNavigator>(root, u"DBNavigator1"_s);
    Button2 = control<QPushButton>(root, u"Button2"_s);
    Image1 = control<QLabel>(root, u"Image1"_s);
    Button3 = control<QPushButton>(root, u"Button3"_s);
    DBMemo1 = control<DBMemo>(root, u"DBMemo1"_s);
    Button4 = control<QPushButton>(root, u"Button4"_s);
    Label1 = control<QLabel>(root, u"Label1"_s);

    // The layout's root carries the window's own settings; its stored position is not used.
    setWindowTitle(root->windowTitle());
    setWindowIcon(root->windowIcon());
    resize(root->size());
    m_clientArea->setWidget(root);
}

void TForm1::fitFonts()
{
    m_client->setFont(fittedFont(m_client->font()));
    const auto controls = m_client->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *widget : controls)
        widget->setFont(fittedFont(widget->font()));
    DBGrid1->setTitleFont(fittedFont(DBGrid1->titleFont()));
    // A label marked autoSize in the layout takes the size of its text in its font.
    for (QLabel *label : m_client->findChildren<QLabel *>(Qt::FindDirectChildrenOnly)) {
        if (label->property("autoSize").toBool())
            label->resize(label->sizeHint());
    }
}

void TForm1::applyScale(qreal scale)
{
    const auto controls = m_client->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    const auto scaled = [scale](int value) { return qRound(value * scale); };
    if (!qFuzzyCompare(scale, 1.0)) {
        for (QWidget *widget : controls) {
            const QRect r = widget->geometry();
            widget->setGeometry(scaled(r.x()), scaled(r.y()), scaled(r.width()), scaled(r.height()));
        }
        resize(scaled(width()), scaled(height()));
    }
    // The scrolling range is the controls' extent, hidden ones included.
    QRect extent;
    for (QWidget *widget : controls)
        extent |= widget->geometry();
    m_client->resize(extent.right() + 1, extent.bottom() + 1);
}

void TForm1::bindDataAwareControls()
{
    // The layout names the data source of each data-aware control.
    const QList<QObject *> components = {DataSource1};
    for (QWidget *widget : m_client->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        const QVariant name = widget->property("dataSourceName");
        if (!name.isValid())
            continue;
        QObject *source = nullptr;
        for (QObject *component : components) {
            if (component->objectName() == name.toString())
                source = component;
        }
        if (!source || !widget->setProperty("dataSource", QVariant::fromValue(qobject_cast<DataSource *>(source)))) {
            throw LayoutError(u"Form1: %1 cannot be bound to the data source \"%2\""_s.arg(
                widget->objectName(), name.toString()));
        }
    }
    for (QWidget *view : {static_cast<QWidget *>(DBGrid1), static_cast<QWidget *>(DBMemo1),
                          static_cast<QWidget *>(DBNavigator1)}) {
        if (!view->property("dataSource").value<DataSource *>())
            throw LayoutError(u"Form1: the layout binds %1 to no data source"_s.arg(view->objectName()));
    }
}

void TForm1::connectEvents()
{
    connect(Button1, &QPushButton::clicked, this, [this] { handle([this] { Button1Click(Button1); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { handle([this] { Button2Click(Button2); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { handle([this] { Button3Click(Button3); }); });
    connect(Button4, &QPushButton::clicked, this, [this] { handle([this] { Button4Click(Button4); }); });
    Edit1->installEventFilter(this);
    // Typed characters then all arrive as key presses, none as an input method's commit that
    // would pass by the entry filter.
    Edit1->setAttribute(Qt::WA_InputMethodEnabled, false);
    // What the user does in the data-aware views fails into the same report.
    connect(DBGrid1, &DBGrid::actionFailed, this, &reportException);
    connect(DBMemo1, &DBMemo::actionFailed, this, &reportException);
    connect(DBNavigator1, &DBNavigator::actionFailed, this, &reportException);
}

void TForm1::focusFirstControl()
{
    for (QWidget *widget = m_client->nextInFocusChain(); widget && widget != m_client;
         widget = widget->nextInFocusChain()) {
        if (!m_client->isAncestorOf(widget))
            break;
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled() && !widget->isHidden()) {
            widget->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void TForm1::handle(const std::function<void()> &method)
{
    try {
        method();
    } catch (...) {
        reportException(std::current_exception());
    }
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        bool swallowed = false;
        handle([&] { swallowed = Edit1KeyPress(Edit1, static_cast<QKeyEvent *>(event)); });
        return swallowed;
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::FormCreate(QObject *)
{
    DBNavigator1->setVisible(false);
    if (Table1->isActive())
        Table1->close();
    const QString path = tableNameIn(m_folder);
    Edit2->setText(path);
    Edit2->setCursorPosition(0); // a long path shows its beginning
    Table1->setTableName(path);
    Table1->open();
}

void TForm1::Button1Click(QObject *)
{
    const QString entered = Edit1->text();
    Edit1->setText(upperCased(entered));
    // One message for an empty field: searching for nothing could only add "not found".
    if (entered.isEmpty()) {
        showMessage(MessageType::Error, u"Нужно ввести позывной!"_s, {MessageButton::Ok}, this);
        return;
    }
    const auto found = findPrefix(entered, [this](const QString &key) {
        return Table1->locate(u"Prefix"_s, key, true);
    });
    if (!found)
        showMessage(MessageType::Error, u"Поиск закончен, префикс не обнаружен"_s, {MessageButton::Ok}, this);
}

bool TForm1::Edit1KeyPress(QObject *, QKeyEvent *event)
{
    // With Ctrl, Alt or Meta a key is a command (copy, paste, undo, ...) and types nothing.
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    QString text = event->text();
    bool translated = false;
    // Where the keyboard could not be switched, the field types each key's US character itself.
    if (m_keyboardSwitch == KeyboardSwitch::LatinInField) {
        const QString latin = usLayoutText(text, event->nativeScanCode(), event->modifiers() & Qt::ShiftModifier);
        translated = latin != text;
        text = latin;
    }
    switch (classifyTypedText(text)) {
    case KeyAction::Pass:
        if (!translated)
            return false;
        Edit1->insert(text);
        return true;
    case KeyAction::Discard:
        return true;
    case KeyAction::SearchThenPass:
        // The field then gets Enter too; it types nothing and nothing else acts on it.
        Button1Click(Button1);
        return false;
    case KeyAction::Refuse:
        showMessage(MessageType::Warning, refusedKeyWarning(), {MessageButton::Ok}, this);
        switchToUsKeyboard();
        return true;
    }
    return false;
}

void TForm1::switchToUsKeyboard()
{
    // Nothing is told to the user either way: the warning has already said it.
    m_keyboardSwitch = activateUsLayout() ? KeyboardSwitch::SystemLayout : KeyboardSwitch::LatinInField;
}

void TForm1::Button2Click(QObject *)
{
    DBNavigator1->setVisible(true);
}

void TForm1::Button3Click(QObject *)
{
    close();
}

void TForm1::Button4Click(QObject *)
{
    DBNavigator1->setVisible(false);
}
