// SPDX-License-Identifier: MIT
// Editing the prefix table through the window, as a user does it: keys and clicks on the grid,
// the memo and the navigator of a real Form1. Every scenario then reads the table file through a
// connection of its own.
#include "DBGrid.h"
#include "DBMemo.h"
#include "DBNavigator.h"
#include "ErrorReport.h"
#include "MessageDialog.h"
#include "PrefixTableFixture.h"
#include "ShownMessages.h"
#include "TForm1.h"
#include "Table.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace {

// Form1 on a fixture table, shown and active, the keyboard focus in the grid.
struct Window
{
    explicit Window(const PrefixTableFixture &fixture) : form(fixture.folder)
    {
        form.show();
        if (!QTest::qWaitForWindowActive(&form))
            qFatal("the window did not become active");
    }
    DBGrid *grid() const { return form.DBGrid1; }
    Table *table() const { return form.Table1; }
    QString prefix() const { return table()->value(u"Prefix"_s).toString(); }
    int column(const QString &field) const { return table()->fieldIndex(field); }

    QPoint cell(int row, int column) const
    {
        const QModelIndex index = grid()->model()->index(row, column);
        grid()->scrollTo(index);
        return grid()->visualRect(index).center();
    }
    void clickCell(int row, int column) const
    {
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cell(row, column));
    }
    // Types as the keyboard does: each key goes to the widget with the focus (the grid, then the
    // cell editor that the first key opened).
    static void type(const QString &text)
    {
        for (const QChar ch : text)
            QTest::keyClicks(QApplication::focusWidget(), QString(ch));
    }
    // Clicks a cell and types into it: the cell's editor opens with the text typed.
    void typeIntoCell(int row, int column, const QString &text) const
    {
        clickCell(row, column);
        type(text);
    }
    QLineEdit *editor() const { return grid()->cellEditor(); }
    void press(DBNavigator::Button which) const
    {
        QTest::mouseClick(form.DBNavigator1->button(which), Qt::LeftButton);
    }
    void showNavigator() { QTest::mouseClick(form.Button2, Qt::LeftButton); }
    void clickMemo() const
    {
        QTest::mouseClick(form.DBMemo1->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QTest::keyClick(form.DBMemo1, Qt::Key_End, Qt::ControlModifier);
    }

    TForm1 form;
};

// The text of the field of the record with the prefix, as another program reads it.
QString storedField(const PrefixTableFixture &fixture, const QString &field, const QString &prefix)
{
    return fixture.stored(u"SELECT %1 FROM DXCC22 WHERE Prefix = '%2'"_s.arg(field, prefix)).toString();
}

int storedCount(const PrefixTableFixture &fixture)
{
    return fixture.stored(u"SELECT COUNT(*) FROM DXCC22"_s).toInt();
}

// The fixture table with three fillers: A000 A001 A002 K U UA UA3 UA9 VE ZS.
constexpr int Fillers = 3;
constexpr int Rows = Fillers + 7;

} // namespace

class TestEditing : public QObject
{
    Q_OBJECT
private slots:
    void typingAtStartEditsTheFirstColumn();
    void cellEditorOpensOnEnterOrF2_data();
    void cellEditorOpensOnEnterOrF2();
    void editACell_data();
    void editACell();
    void refusedTextStaysInItsEditor_data();
    void refusedTextStaysInItsEditor();
    void duplicateKeyKeepsTheRecordEditing_data();
    void duplicateKeyKeepsTheRecordEditing();
    void insertInTheMiddle();
    void appendWithDownAndDropIt_data();
    void appendWithDownAndDropIt();
    void emptyTableFilledWithDown();
    void tabMovesThroughCellsAndRecords();
    void deleteAsksFirst_data();
    void deleteAsksFirst();
    void memoEdit_data();
    void memoEdit();
    void memoOverCapacityLeavesTheStoredTextUntouched();
    void navigatorEnabledStates_data();
    void navigatorEnabledStates();
    void showingAndHidingTheNavigatorLeavesAnEditPending();
    void closingDropsAPendingChange_data();
    void closingDropsAPendingChange();
    void readOnlyTableTakesNoTyping();
};

void TestEditing::typingAtStartEditsTheFirstColumn()
{
    PrefixTableFixture fixture(Fillers);
    Shown shown;
    Window window(fixture);
    QCOMPARE(QApplication::focusWidget(), window.grid());
    window.type(u"B"_s);
    QVERIFY(window.editor());
    QCOMPARE(window.editor()->text(), u"B"_s);
    QCOMPARE(window.grid()->currentIndex(), window.grid()->model()->index(0, 0));
    QCOMPARE(window.table()->state(), DatasetState::Edit);
    QCOMPARE(window.grid()->model()->headerData(0, Qt::Vertical, GridModel::IndicatorRole).toInt(),
             int(GridModel::EditIndicator));
    QTest::keyClick(window.editor(), Qt::Key_Return);
    QTRY_COMPARE(window.prefix(), u"B"_s);
    QCOMPARE(storedField(fixture, u"Country"_s, u"A000"_s), u"Filler"_s); // written, not saved
    QVERIFY(shown.reports.isEmpty());
}

void TestEditing::cellEditorOpensOnEnterOrF2_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::newRow("Enter") << Qt::Key_Return;
    QTest::newRow("F2") << Qt::Key_F2;
}

void TestEditing::cellEditorOpensOnEnterOrF2()
{
    QFETCH(Qt::Key, key);
    PrefixTableFixture fixture(Fillers);
    Shown shown;
    Window window(fixture);
    const int country = window.column(u"Country"_s);
    window.clickCell(2, country);
    QTest::keyClick(window.grid(), key);
    QVERIFY(window.editor());
    QCOMPARE(window.editor()->text(), u"Filler"_s);
    QCOMPARE(window.table()->state(), DatasetState::Browse); // nothing typed yet
    QTest::keyClick(window.editor(), Qt::Key_Escape);
    QVERIFY(!window.editor());
    QCOMPARE(window.table()->state(), DatasetState::Browse);

    QTest::keyClick(window.grid(), key);
    QTest::keyClick(window.editor(), Qt::Key_End);
    window.type(u"s"_s);
    QTest::keyClick(window.editor(), Qt::Key_Return);
    QTRY_COMPARE(window.table()->value(country).toString(), u"Fillers"_s);

    // A memo's cell shows its mark and takes no typing.
    const int memo = window.column(u"F7"_s);
    QCOMPARE(window.grid()->model()->index(2, memo).data().toString(), u"(MEMO)"_s);
    window.table()->cancel();
    window.typeIntoCell(2, memo, u"typed"_s);
    QTest::keyClick(window.grid(), key);
    QVERIFY(!window.editor());
    QCOMPARE(window.table()->state(), DatasetState::Browse);
    QCOMPARE(storedField(fixture, u"Country"_s, u"A002"_s), u"Filler"_s);
    QVERIFY(shown.reports.isEmpty());
}

void TestEditing::editACell_data()
{
    QTest::addColumn<QString>("finish");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<DatasetState>("state");
    QTest::newRow("navigator post") << u"post"_s << true << DatasetState::Browse;
    QTest::newRow("navigator cancel") << u"cancel"_s << false << DatasetState::Browse;
    QTest::newRow("move to another record") << u"down"_s << true << DatasetState::Browse;
    QTest::newRow("Esc in the grid") << u"esc"_s << false << DatasetState::Browse;
    QTest::newRow("navigator post, editor still open") << u"post with editor"_s << true << DatasetState::Browse;
    QTest::newRow("Esc in the editor undoes the cell only") << u"esc in editor"_s << false << DatasetState::Edit;
}

void TestEditing::editACell()
{
    QFETCH(QString, finish);
    QFETCH(bool, saved);
    QFETCH(DatasetState, state);
    PrefixTableFixture fixture(Fillers);
    Shown shown;
    Window window(fixture);
    window.showNavigator();
    const int country = window.column(u"Country"_s);
    window.typeIntoCell(1, country, u"Changed"_s);
    QCOMPARE(window.table()->state(), DatasetState::Edit);
    QCOMPARE(window.editor()->text(), u"Changed"_s);
    if (finish != u"post with editor"_s && finish != u"esc in editor"_s) {
        QTest::keyClick(window.editor(), Qt::Key_Return);
        QTRY_VERIFY(!window.editor());
        QCOMPARE(window.table()->value(country).toString(), u"Changed"_s);
        QCOMPARE(storedField(fixture, u"Country"_s, u"A001"_s), u"Filler"_s);
    }

    if (finish.startsWith(u"post"_s)) {
        window.press(DBNavigator::Post);
    } else if (finish == u"cancel"_s) {
        window.press(DBNavigator::Cancel);
    } else if (finish == u"down"_s) {
        QTest::keyClick(window.grid(), Qt::Key_Down);
        QCOMPARE(window.prefix(), u"A002"_s);
    } else if (finish == u"esc"_s) {
        QTest::keyClick(window.grid(), Qt::Key_Escape);
    } else if (finish == u"esc in editor"_s) {
        QTest::keyClick(window.editor(), Qt::Key_Escape);
        QVERIFY(!window.editor());
    }
    QCOMPARE(window.table()->state(), state);
    QVERIFY(!window.editor());
    const QString expected = saved ? u"Changed"_s : u"Filler"_s;
    QCOMPARE(storedField(fixture, u"Country"_s, u"A001"_s), expected);
    QCOMPARE(window.grid()->model()->index(1, country).data().toString(), expected);
    if (state == DatasetState::Edit) { // the second Esc drops the record's changes
        QTest::keyClick(window.grid(), Qt::Key_Escape);
        QCOMPARE(window.table()->state(), DatasetState::Browse);
    }
    QVERIFY(shown.reports.isEmpty());
}

void TestEditing::refusedTextStaysInItsEditor_data()
{
    QTest::addColumn<QString>("leave");
    QTest::newRow("Enter") << u"enter"_s;
    QTest::newRow("Tab") << u"tab"_s;
    QTest::newRow("Down") << u"down"_s;
    QTest::newRow("click on another record") << u"click"_s;
    QTest::newRow("navigator next") << u"next"_s;
    QTest::newRow("navigator post") << u"post"_s;
    QTest::newRow("focus to the callsign field") << u"edit1"_s;
}

void TestEditing::refusedTextStaysInItsEditor()
{
    QFETCH(QString, leave);
    PrefixTableFixture fixture(Fillers);
    Shown shown;
    Window window(fixture);
    window.showNavigator();
    const int dxcc = window.column(u"DXCC"_s);
    window.typeIntoCell(1, dxcc, u"1x"_s);
    QCOMPARE(window.table()->state(), DatasetState::Edit);
    const QPointer<QLineEdit> editor = window.editor();
    QVERIFY(editor);
    if (leave == u"enter"_s)
        QTest::keyClick(editor, Qt::Key_Return);
    else if (leave == u"tab"_s)
        QTest::keyClick(editor, Qt::Key_Tab);
    else if (leave == u"down"_s)
        QTest::keyClick(editor, Qt::Key_Down);
    else if (leave == u"click"_s)
        window.clickCell(3, dxcc);
    else if (leave == u"next"_s)
        window.press(DBNavigator::Next);
    else if (leave == u"post"_s)
        window.press(DBNavigator::Post);
    else if (leave == u"edit1"_s)
        QTest::mouseClick(window.form.Edit1, Qt::LeftButton);

    QTRY_COMPARE(shown.reportTexts(), QStringList{u"'1x' is not a valid integer value."_s});
    QTest::qWait(50); // nothing else follows from the same key or click
    QCOMPARE(shown.reports.size(), 1);
    QVERIFY(editor);
    QCOMPARE(window.editor(), editor.data());
    QCOMPARE(editor->text(), u"1x"_s);
    QTRY_VERIFY(editor->hasFocus());
    QCOMPARE(window.table()->state(), DatasetState::Edit);
    QCOMPARE(window.prefix(), u"A001"_s);
    QCOMPARE(window.grid()->currentIndex(), window.grid()->model()->index(1, dxcc));
    QCOMPARE(storedField(fixture, u"DXCC"_s, u"A001"_s), u"1"_s);

    // Corrected, the text is taken.
    editor->selectAll();
    QTest::keyClicks(editor, u"12"_s);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(window.table()->value(dxcc).toInt(), 12);
    window.press(DBNavigator::Post);
    QCOMPARE(storedField(fixture, u"DXCC"_s, u"A001"_s), u"12"_s);
    QCOMPARE(shown.reports.size(), 1);
}

void TestEditing::duplicateKeyKeepsTheRecordEditing_data()
{
    QTest::addColumn<QString>("save");
    QTest::newRow("Down") << u"down"_s;
    QTest::newRow("navigator post") << u"post"_s;
    QTest::newRow("search") << u"search"_s;
}

void TestEditing::duplicateKeyKeepsTheRecordEditing()
{
    QFETCH(QString, save);
    PrefixTableFixture fixture(Fillers);
    Shown shown;
    Window window(fixture);
    window.showNavigator();
    window.typeIntoCell(1, window.column(u"Country"_s), u"Typed"_s);
    QTest::keyClick(window.editor(), Qt::Key_Tab);
    window.clickCell(1, 0);
    window.type(u"K"_s); // a key another record has
    QTest::keyClick(window.editor(), Qt::Key_Return);
    QTRY_VERIFY(!window.editor());
    if (save == u"down"_s) {
        QTest::keyClick(window.grid(), Qt::Key_Down);
    } else if (save == u"post"_s) {
        window.press(DBNavigator::Post);
    } else {
        window.form.Edit1->setText(u"UA3ABC"_s);
        QTest::mouseClick(window.form.Button1, Qt::LeftButton);
    }
    QCOMPARE(shown.reports.size(), 1);
    QVERIFY2(shown.reports[0].text.contains(u"UNIQUE"_s), qPrintable(shown.reports[0].text));
    // Nothing typed is lost: the record is still being edited, with both changes.
    QCOMPARE(window.table()->state(), DatasetState::Edit);
    QCOMPARE(window.table()->currentRow(), 1);
    QCOMPARE(window.grid()->currentIndex().row(), 1);
    QCOMPARE(window.prefix(), u"K"_s);
    QCOMPARE(window.table()->value(u"Country"_s).toString(), u"Typed"_s);
    QCOMPARE(storedField(fixture, u"Country"_s, u"A001"_s), u"Filler"_s);
    QCOMPARE(storedField(fixture, u"Country"_s, u"K"_s), u"United States"_s);
    QCOMPARE(storedCount(fixture), Rows);
}

void TestEditing::insertInTheMiddle()
{
    PrefixTableFixture fixture(Fillers);
    Shown shown;
    Window window(fixture);
    window.clickCell(4, 0); // U
    QTest::keyClick(window.grid(), Qt::Key_Insert);
    QCOMPARE(window.table()->state(), DatasetState::Insert);
    QCOMPARE(window.table()->insertRow(), 4);
    QCOMPARE(window.grid()->model()->rowCount(), Rows + 1);
    QCOMPARE(window.grid()->currentIndex(), window.grid()->model()->index(4, 0));
    QCOMPARE(window.grid()->model()->headerData(4, Qt::Vertical, GridModel::IndicatorRole).toInt(),
             int(GridModel::InsertIndicator));
    QCOMPARE(window.grid()->model()->index(5, 0).data().toString(), u"U"_s);

    // The prefix cell takes at most the nine characters of VARCHAR(9).
    window.type(u"UA1234567890"_s);
    QCOMPARE(window.editor()->text(), u"UA1234567"_s);
    QTest::keyClick(window.editor(), Qt::Key_Tab);
    window.type(u"Inserted"_s);
    QTest::keyClick(window.editor(), Qt::Key_Tab);
    window.type(u"54"_s);
    QTest::keyClick(window.grid(), Qt::Key_Down); // writes the cell, saves the record, moves on
    QCOMPARE(window.table()->state(), DatasetState::Browse);
    QCOMPARE(window.prefix(), u"U"_s);
    QCOMPARE(storedCount(fixture), Rows + 1);
    QCOMPARE(storedField(fixture, u"Country"_s, u"UA1234567"_s), u"Inserted"_s);
    QCOMPARE(storedField(fixture, u"DXCC"_s, u"UA1234567"_s), u"54"_s);
    QCOMPARE(window.grid()->model()->index(6, 0).data().toString(), u"UA1234567"_s); // in key order

    // Insert pressed in a cell's editor: the cell is written and its record saved first.
    window.typeIntoCell(8, 1, u"Before insert"_s); // UA9
    QTest::keyClick(window.editor(), Qt::Key_Insert);
    QCOMPARE(window.table()->state(), DatasetState::Insert);
    QCOMPARE(window.table()->insertRow(), 8);
    QCOMPARE(storedField(fixture, u"Country"_s, u"UA9"_s), u"Before insert"_s);
    QVERIFY(shown.reports.isEmpty());
}

void TestEditing::appendWithDownAndDropIt_data()
{
    QTest::addColumn<QString>("leave");
    QTest::addColumn<bool>("typed");
    QTest::newRow("Up") << u"up"_s << false;
    QTest::newRow("focus to the callsign field") << u"edit1"_s << false;
    QTest::newRow("focus to the memo") << u"memo"_s << false;
    QTest::newRow("Esc") << u"esc"_s << false;
    QTest::newRow("typed, then Up") << u"up"_s << true;
    QTest::newRow("typed, then the callsign field") << u"edit1"_s << true;
}

void TestEditing::appendWithDownAndDropIt()
{
    QFETCH(QString, leave);
    QFETCH(bool, typed);
    PrefixTableFixture fixture(Fillers);
    Shown shown;
    Window window(fixture);
    QTest::keyClick(window.grid(), Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(window.prefix(), u"ZS"_s);
    QTest::keyClick(window.grid(), Qt::Key_Down);
    QCOMPARE(window.table()->state(), DatasetState::Insert);
    QCOMPARE(window.table()->insertRow(), Rows);
    QCOMPARE(window.grid()->currentIndex().row(), Rows);
    QTest::keyClick(window.grid(), Qt::Key_Down); // an empty new record is not followed by another
    QCOMPARE(window.grid()->model()->rowCount(), Rows + 1);
    QCOMPARE(window.grid()->currentIndex().row(), Rows);

    if (typed) {
        window.type(u"ZZ"_s);
        QTest::keyClick(window.editor(), Qt::Key_Return);
        QTRY_COMPARE(window.prefix(), u"ZZ"_s);
    }
    if (leave == u"up"_s)
        QTest::keyClick(window.grid(), Qt::Key_Up);
    else if (leave == u"edit1"_s)
        QTest::mouseClick(window.form.Edit1, Qt::LeftButton);
    else if (leave == u"memo"_s)
        QTest::mouseClick(window.form.DBMemo1->viewport(), Qt::LeftButton);
    else if (leave == u"esc"_s)
        QTest::keyClick(window.grid(), Qt::Key_Escape);

    if (typed && leave == u"edit1"_s) {
        // Leaving the grid does not save: the new record waits, still being inserted.
        QCOMPARE(window.table()->state(), DatasetState::Insert);
        QCOMPARE(storedCount(fixture), Rows);
        window.showNavigator();
        window.press(DBNavigator::Post);
    }
    QCOMPARE(window.table()->state(), DatasetState::Browse);
    QCOMPARE(storedCount(fixture), typed ? Rows + 1 : Rows);
    QCOMPARE(window.grid()->model()->rowCount(), typed ? Rows + 1 : Rows);
    QCOMPARE(window.grid()->currentIndex().row(), window.table()->currentRow());
    QVERIFY(window.grid()->selectionModel()->isSelected(window.grid()->currentIndex()));
    QCOMPARE(window.grid()->selectionModel()->selectedIndexes().size(), 1);
    if (!typed || leave == u"up"_s)
        QCOMPARE(window.prefix(), u"ZS"_s);
    QVERIFY(shown.reports.isEmpty());
}

void TestEditing::emptyTableFilledWithDown()
{
    PrefixTableFixture fixture(-1);
    Shown shown;
    Window window(fixture);
    QCOMPARE(window.grid()->model()->rowCount(), 0);
    QTest::keyClick(window.grid(), Qt::Key_Down);
    QCOMPARE(window.table()->state(), DatasetState::Insert);
    QCOMPARE(window.grid()->currentIndex(), window.grid()->model()->index(0, 0));
    window.type(u"AA"_s);
    QTest::keyClick(window.grid(), Qt::Key_Down); // saves the first record, appends a second
    QCOMPARE(storedCount(fixture), 1);
    QCOMPARE(storedField(fixture, u"Prefix"_s, u"AA"_s), u"AA"_s);
    QCOMPARE(window.table()->state(), DatasetState::Insert);
    QCOMPARE(window.grid()->currentIndex(), window.grid()->model()->index(1, 0));
    QTest::keyClick(window.grid(), Qt::Key_Up);
    QCOMPARE(window.table()->state(), DatasetState::Browse);
    QCOMPARE(window.grid()->model()->rowCount(), 1);
    QCOMPARE(window.prefix(), u"AA"_s);
    QCOMPARE(storedCount(fixture), 1);
    QVERIFY(shown.reports.isEmpty());
}

void TestEditing::tabMovesThroughCellsAndRecords()
{
    PrefixTableFixture fixture(Fillers);
    Shown shown;
    Window window(fixture);
    DBGrid *grid = window.grid();
    const int last = grid->model()->columnCount() - 1;
    window.clickCell(1, last - 1);
    QTest::keyClick(grid, Qt::Key_Tab);
    QCOMPARE(grid->currentIndex(), grid->model()->index(1, last));
    QTest::keyClick(grid, Qt::Key_Tab);
    QCOMPARE(grid->currentIndex(), grid->model()->index(2, 0));
    QCOMPARE(window.prefix(), u"A002"_s);
    QTest::keyClick(grid, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(grid->currentIndex(), grid->model()->index(1, last));
    QCOMPARE(window.prefix(), u"A001"_s);
    QCOMPARE(QApplication::focusWidget(), grid);

    // In an editor, Tab writes the cell and goes on editing the next one.
    window.typeIntoCell(1, 1, u"Tabbed"_s);
    QTest::keyClick(window.editor(), Qt::Key_Tab);
    QCOMPARE(window.table()->value(1).toString(), u"Tabbed"_s);
    QCOMPARE(grid->currentIndex(), grid->model()->index(1, 2));
    QVERIFY(window.editor()); // the next cell's editor
    window.type(u"7"_s);
    QTest::keyClick(window.editor(), Qt::Key_Escape); // undoes this cell only
    QCOMPARE(window.table()->state(), DatasetState::Edit);
    QCOMPARE(window.table()->value(1).toString(), u"Tabbed"_s);
    QCOMPARE(window.table()->value(2).toString(), u"1"_s);

    // At the last record's end Tab appends, as Down does; Shift+Tab leaves the empty record again.
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(storedField(fixture, u"Country"_s, u"A001"_s), u"Tabbed"_s); // saved on leaving
    window.clickCell(Rows - 1, last);
    QTest::keyClick(grid, Qt::Key_Tab);
    QCOMPARE(window.table()->state(), DatasetState::Insert);
    QCOMPARE(grid->currentIndex(), grid->model()->index(Rows, 0));
    QTest::keyClick(grid, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(window.table()->state(), DatasetState::Browse);
    QCOMPARE(grid->currentIndex(), grid->model()->index(Rows - 1, last));
    for (int i = 0; i < 25; ++i)
        QTest::keyClick(grid, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), grid); // Tab never leaves the grid
    QCOMPARE(storedCount(fixture), Rows);
    QVERIFY(shown.reports.isEmpty());
}

void TestEditing::deleteAsksFirst_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<MessageButton>("answer");
    QTest::newRow("Ctrl+Delete, OK") << u"keys"_s << MessageButton::Ok;
    QTest::newRow("Ctrl+Delete, Cancel") << u"keys"_s << MessageButton::Cancel;
    QTest::newRow("Ctrl+Delete in a cell editor, OK") << u"editor"_s << MessageButton::Ok;
    QTest::newRow("navigator, OK") << u"navigator"_s << MessageButton::Ok;
    QTest::newRow("navigator, Cancel") << u"navigator"_s << MessageButton::Cancel;
}

void TestEditing::deleteAsksFirst()
{
    QFETCH(QString, way);
    QFETCH(MessageButton, answer);
    PrefixTableFixture fixture(Fillers);
    Shown shown(answer);
    Window window(fixture);
    window.showNavigator();
    window.clickCell(4, 1); // U
    if (way == u"keys"_s) {
        QTest::keyClick(window.grid(), Qt::Key_Delete, Qt::ControlModifier);
    } else if (way == u"editor"_s) {
        window.type(u"Typed"_s);
        QTest::keyClick(window.editor(), Qt::Key_Delete, Qt::ControlModifier);
    } else {
        window.press(DBNavigator::Delete);
    }
    QCOMPARE(shown.messages.size(), 1);
    QCOMPARE(shown.messages[0].type, MessageType::Confirmation);
    QCOMPARE(shown.messages[0].caption, u"Confirm"_s);
    QCOMPARE(shown.messages[0].text, u"Delete record?"_s);
    QCOMPARE(shown.messages[0].buttons, QList<MessageButton>({MessageButton::Ok, MessageButton::Cancel}));
    const bool deleted = answer == MessageButton::Ok;
    QCOMPARE(fixture.stored(u"SELECT COUNT(*) FROM DXCC22 WHERE Prefix = 'U'"_s).toInt(), deleted ? 0 : 1);
    QCOMPARE(storedCount(fixture), deleted ? Rows - 1 : Rows);
    QCOMPARE(window.prefix(), deleted ? u"UA"_s : u"U"_s);
    QCOMPARE(window.grid()->currentIndex().row(), 4);
    QVERIFY(shown.reports.isEmpty());
}

void TestEditing::memoEdit_data()
{
    QTest::addColumn<QString>("then");
    QTest::addColumn<bool>("saved");
    QTest::newRow("click on another record") << u"click"_s << true;
    QTest::newRow("navigator next") << u"next"_s << true;
    QTest::newRow("navigator post, memo still focused") << u"post"_s << true;
    QTest::newRow("Esc reloads") << u"esc"_s << false;
    QTest::newRow("navigator cancel") << u"cancel"_s << false;
}

void TestEditing::memoEdit()
{
    QFETCH(QString, then);
    QFETCH(bool, saved);
    PrefixTableFixture fixture(Fillers);
    Shown shown;
    Window window(fixture);
    window.showNavigator();
    DBMemo *memo = window.form.DBMemo1;
    window.clickCell(3, 0); // K
    const QString original = PrefixTableFixture::memo(u"K"_s);
    QCOMPARE(memo->toPlainText(), original);
    window.clickMemo();
    QVERIFY(memo->isReadOnly());
    QCOMPARE(window.table()->state(), DatasetState::Browse);
    QTest::keyClicks(memo, u", edited"_s);
    QCOMPARE(window.table()->state(), DatasetState::Edit);
    QCOMPARE(memo->toPlainText(), original + u", edited"_s);

    if (then == u"click"_s) {
        window.clickCell(5, 1);
    } else if (then == u"next"_s) {
        window.press(DBNavigator::Next);
    } else if (then == u"post"_s) {
        window.press(DBNavigator::Post);
        QVERIFY(memo->hasFocus());
    } else if (then == u"esc"_s) {
        QTest::keyClick(memo, Qt::Key_Escape);
        QCOMPARE(memo->toPlainText(), original);
        window.clickCell(5, 1);
    } else if (then == u"cancel"_s) {
        window.press(DBNavigator::Cancel);
        QCOMPARE(memo->toPlainText(), original);
    }
    QCOMPARE(window.table()->state(), DatasetState::Browse);
    QVERIFY(memo->isReadOnly());
    QCOMPARE(storedField(fixture, u"F7"_s, u"K"_s), saved ? original + u", edited"_s : original);
    QVERIFY(shown.reports.isEmpty());
}

void TestEditing::memoOverCapacityLeavesTheStoredTextUntouched()
{
    PrefixTableFixture fixture(Fillers);
    // Over the capacity by one character, with letters beyond ASCII and a line break inside.
    const QString huge = QString(DBMemo::Capacity - 6, u'ж') + u"\r\nend!"_s + u"Я"_s;
    QCOMPARE(huge.size(), DBMemo::Capacity + 1);
    const auto storedBytes = [&] {
        return fixture.stored(u"SELECT hex(F7) FROM DXCC22 WHERE Prefix = 'UA'"_s).toString();
    };
    {
        SQLite::Database db(fixture.path.toStdString(), SQLite::OPEN_READWRITE);
        SQLite::Statement update(db, "UPDATE DXCC22 SET F7 = ? WHERE Prefix = 'UA'");
        update.bind(1, huge.toStdString());
        update.exec();
    }
    const QString before = storedBytes();
    Shown shown;
    Window window(fixture);
    window.showNavigator();
    DBMemo *memo = window.form.DBMemo1;
    window.clickCell(5, 0); // UA
    QCOMPARE(window.prefix(), u"UA"_s);
    QCOMPARE(memo->toPlainText(), u"(Text exceeds memo capacity)"_s);
    QVERIFY(memo->exceedsCapacity());
    QCOMPARE(window.grid()->model()->index(5, window.column(u"F7"_s)).data().toString(), u"(MEMO)"_s);

    // Typing, deleting, pasting, by key and from the menu: nothing changes the memo.
    QApplication::clipboard()->setText(u"pasted"_s);
    window.clickMemo();
    QTest::keyClicks(memo, u"typed"_s);
    QTest::keyClick(memo, Qt::Key_Backspace);
    QTest::keyClick(memo, Qt::Key_Delete);
    QTest::keyClick(memo, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClick(memo, Qt::Key_V, Qt::ControlModifier);
    std::unique_ptr<QMenu> menu(memo->createEditMenu());
    for (QAction *action : menu->actions()) {
        if (action->isSeparator())
            continue;
        if (action->objectName() != u"edit-copy"_s && action->objectName() != u"select-all"_s)
            QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
        action->trigger();
    }
    QCOMPARE(memo->toPlainText(), u"(Text exceeds memo capacity)"_s);
    QCOMPARE(window.table()->state(), DatasetState::Browse);

    // The record edited and saved through the grid meanwhile: the memo writes nothing back.
    const int country = window.column(u"Country"_s);
    window.typeIntoCell(5, country, u"Edited"_s);
    QVERIFY(memo->isReadOnly());
    QTest::keyClick(window.editor(), Qt::Key_Return);
    window.clickMemo();
    QTest::keyClicks(memo, u"typed"_s);
    window.press(DBNavigator::Post);
    window.press(DBNavigator::Next);
    window.press(DBNavigator::Prior);
    QCOMPARE(memo->toPlainText(), u"(Text exceeds memo capacity)"_s);
    QCOMPARE(storedField(fixture, u"Country"_s, u"UA"_s), u"Edited"_s);
    QCOMPARE(storedBytes(), before);
    QVERIFY(shown.reports.isEmpty());
}

void TestEditing::navigatorEnabledStates_data()
{
    QTest::addColumn<int>("fillers"); // -1: an empty table; fillers + 7 rows otherwise
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("where");
    // One character per button: first prior next last insert delete edit post cancel refresh.
    QTest::addColumn<QString>("enabled");
    QTest::newRow("empty") << -1 << false << u"start"_s << u"0000101001"_s;
    QTest::newRow("empty, edit inserts") << -1 << false << u"edit"_s << u"0000110111"_s;
    QTest::newRow("one row") << 0 << false << u"one"_s << u"0000111001"_s;
    QTest::newRow("many rows, first") << Fillers << false << u"start"_s << u"0011111001"_s;
    QTest::newRow("many rows, middle") << Fillers << false << u"middle"_s << u"1111111001"_s;
    QTest::newRow("many rows, last") << Fillers << false << u"last"_s << u"1100111001"_s;
    QTest::newRow("many rows, a cell typed into") << Fillers << false << u"typed"_s << u"1111110111"_s;
    QTest::newRow("read-only, first") << Fillers << true << u"start"_s << u"0011000000"_s;
    QTest::newRow("read-only, middle") << Fillers << true << u"middle"_s << u"1111000000"_s;
}

void TestEditing::navigatorEnabledStates()
{
    QFETCH(int, fillers);
    QFETCH(bool, readOnly);
    QFETCH(QString, where);
    QFETCH(QString, enabled);
    PrefixTableFixture fixture(fillers);
    if (where == u"one"_s) {
        SQLite::Database db(fixture.path.toStdString(), SQLite::OPEN_READWRITE);
        db.exec("DELETE FROM DXCC22 WHERE Prefix <> 'K'");
    }
    if (readOnly)
        QVERIFY(QFile::setPermissions(fixture.path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const int before = storedCount(fixture);
    Shown shown;
    Window window(fixture);
    DBNavigator *navigator = window.form.DBNavigator1;
    QVERIFY(!navigator->isVisible());
    if (where == u"middle"_s)
        window.clickCell(4, 1);
    else if (where == u"last"_s)
        QTest::keyClick(window.grid(), Qt::Key_End, Qt::ControlModifier);
    else if (where == u"typed"_s)
        window.typeIntoCell(4, 1, u"x"_s);
    const auto states = [&] {
        QString actual;
        for (int i = 0; i < DBNavigator::ButtonCount; ++i)
            actual += navigator->button(DBNavigator::Button(i))->isEnabled() ? u'1' : u'0';
        return actual;
    };
    const QString hidden = states(); // kept up to date while hidden
    window.showNavigator();
    if (where == u"edit"_s) {
        window.press(DBNavigator::Edit);
        QCOMPARE(window.table()->state(), DatasetState::Insert);
    }
    QCOMPARE(states(), enabled);
    if (where != u"edit"_s)
        QCOMPARE(hidden, enabled);
    for (int i = 0; i < DBNavigator::ButtonCount; ++i) {
        const QToolButton *button = navigator->button(DBNavigator::Button(i));
        QCOMPARE(button->size(), QSize(28, 41));
        QCOMPARE(button->focusPolicy(), Qt::NoFocus);
        QVERIFY(button->toolTip().isEmpty());
    }
    // A click on a disabled button does nothing; on an enabled one it never takes the focus.
    QWidget *focus = QApplication::focusWidget();
    for (const DBNavigator::Button which : {DBNavigator::First, DBNavigator::Last, DBNavigator::Refresh})
        window.press(which);
    QCOMPARE(QApplication::focusWidget(), focus);
    QCOMPARE(storedCount(fixture), before);
    QVERIFY(shown.reports.isEmpty());
    QVERIFY(shown.messages.isEmpty());
}

void TestEditing::showingAndHidingTheNavigatorLeavesAnEditPending()
{
    PrefixTableFixture fixture(Fillers);
    Shown shown;
    Window window(fixture);
    const int country = window.column(u"Country"_s);
    window.typeIntoCell(2, country, u"Pending"_s); // the editor still open
    for (int round = 0; round < 2; ++round) {
        QTest::mouseClick(window.form.Button2, Qt::LeftButton);
        QVERIFY(window.form.DBNavigator1->isVisible());
        QTest::mouseClick(window.form.Button4, Qt::LeftButton);
        QVERIFY(!window.form.DBNavigator1->isVisible());
    }
    QCOMPARE(window.table()->state(), DatasetState::Edit);
    QCOMPARE(window.table()->value(country).toString(), u"Pending"_s);
    QCOMPARE(storedField(fixture, u"Country"_s, u"A002"_s), u"Filler"_s);
    // The next move saves it.
    window.clickCell(0, country);
    QCOMPARE(storedField(fixture, u"Country"_s, u"A002"_s), u"Pending"_s);
    QVERIFY(shown.reports.isEmpty());
}

void TestEditing::closingDropsAPendingChange_data()
{
    QTest::addColumn<QString>("pending");
    QTest::newRow("cell written") << u"written"_s;
    QTest::newRow("cell editor open") << u"editor"_s;
    QTest::newRow("refused text in a cell editor") << u"refused"_s;
    QTest::newRow("memo typed into") << u"memo"_s;
    QTest::newRow("new record") << u"insert"_s;
}

void TestEditing::closingDropsAPendingChange()
{
    QFETCH(QString, pending);
    PrefixTableFixture fixture(Fillers);
    Shown shown;
    {
        Window window(fixture);
        if (pending == u"written"_s || pending == u"editor"_s) {
            window.typeIntoCell(1, 1, u"Dropped"_s);
            if (pending == u"written"_s)
                QTest::keyClick(window.editor(), Qt::Key_Return);
        } else if (pending == u"refused"_s) {
            window.typeIntoCell(1, 2, u"x"_s);
            QTest::keyClick(window.editor(), Qt::Key_Return);
            QTRY_COMPARE(shown.reports.size(), 1);
            shown.reports.clear();
        } else if (pending == u"memo"_s) {
            window.clickMemo();
            QTest::keyClicks(window.form.DBMemo1, u"dropped"_s);
        } else {
            window.clickCell(1, 0);
            QTest::keyClick(window.grid(), Qt::Key_Insert);
            window.type(u"NEW"_s);
            QTest::keyClick(window.editor(), Qt::Key_Return);
        }
        QTRY_VERIFY(window.table()->isEditing());
        window.form.close();
        QVERIFY(!window.form.isVisible());
    }
    QCOMPARE(storedField(fixture, u"Country"_s, u"A001"_s), u"Filler"_s);
    QCOMPARE(storedField(fixture, u"DXCC"_s, u"A001"_s), u"1"_s);
    QCOMPARE(storedField(fixture, u"F7"_s, u"A000"_s), PrefixTableFixture::memo(u"A000"_s));
    QCOMPARE(storedCount(fixture), Rows);
    QVERIFY(shown.messages.isEmpty());
    QVERIFY(shown.reports.isEmpty());
}

void TestEditing::readOnlyTableTakesNoTyping()
{
    PrefixTableFixture fixture(Fillers);
    QVERIFY(QFile::setPermissions(fixture.path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    Shown shown;
    Window window(fixture);
    QVERIFY(window.table()->isReadOnly());
    window.typeIntoCell(1, 1, u"typed"_s);
    QVERIFY(!window.editor());
    QTest::keyClick(window.grid(), Qt::Key_Insert);
    QTest::keyClick(window.grid(), Qt::Key_Delete, Qt::ControlModifier);
    QTest::keyClick(window.grid(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(window.grid(), Qt::Key_Down);
    window.clickMemo();
    QTest::keyClicks(window.form.DBMemo1, u"typed"_s);
    QCOMPARE(window.form.DBMemo1->toPlainText(), PrefixTableFixture::memo(u"ZS"_s));
    QCOMPARE(window.table()->state(), DatasetState::Browse);
    QCOMPARE(window.grid()->model()->rowCount(), Rows);
    QCOMPARE(storedCount(fixture), Rows);
    QVERIFY(shown.messages.isEmpty());
    QVERIFY(shown.reports.isEmpty());
}

QTEST_MAIN(TestEditing)
#include "tst_editing.moc"
