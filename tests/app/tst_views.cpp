// SPDX-License-Identifier: MIT
#include "DBGrid.h"
#include "DBMemo.h"
#include "DBNavigator.h"
#include "DataSource.h"
#include "DatabaseError.h"
#include "MessageDialog.h"
#include "PrefixTableFixture.h"
#include "Table.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <sqlite3.h>

#include <atomic>
#include <cstring>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(std::exception_ptr)

namespace {

// A table opened on a fixture, with a data source, as the window has them.
struct Bound
{
    explicit Bound(const PrefixTableFixture &fixture)
    {
        table.setTableName(fixture.tableName());
        table.open();
        source.setDataSet(&table);
    }
    Table table;
    DataSource source;
};

QString prefix(const Table &table)
{
    return table.value(u"Prefix"_s).toString();
}

// The marks drawn in one row's section of the indicator column, as an image.
QImage indicatorOf(DBGrid &grid, int row)
{
    QHeaderView *header = grid.verticalHeader();
    const QRect section(0, header->sectionViewportPosition(row), header->width(), header->sectionSize(row));
    return header->grab(section).toImage().convertToFormat(QImage::Format_RGB32);
}

int darkPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qGray(image.pixel(x, y)) < 60;
    return count;
}

QString messageOf(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const DatabaseError &e) {
        return e.message();
    } catch (...) {
        return u"(not a DatabaseError)"_s;
    }
}

// Counts the records the table reads one by one (its "WHERE rowid = ?" statement), on every
// connection the process opens while an instance lives.
class RecordReads
{
public:
    RecordReads() { sqlite3_auto_extension(reinterpret_cast<void (*)()>(&RecordReads::attach)); }
    ~RecordReads() { sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&RecordReads::attach)); }
    static int count() { return s_count; }
    static void reset() { s_count = 0; }

private:
    static int attach(sqlite3 *db, char **, const void *)
    {
        sqlite3_trace_v2(db, SQLITE_TRACE_STMT, &RecordReads::traced, nullptr);
        return SQLITE_OK;
    }
    static int traced(unsigned, void *, void *, void *sql)
    {
        if (std::strstr(static_cast<const char *>(sql), "WHERE rowid = ?"))
            ++s_count;
        return 0;
    }
    static inline std::atomic<int> s_count = 0;
};

} // namespace

class TestViews : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<std::exception_ptr>(); }
    void gridColumns();
    void gridFollowsTheTableBothWays();
    void indicatorMarksOnlyTheCurrentRecord();
    void gridEditsThroughTheModel();
    void gridReadsOnlyTheRowsItShows();
    void memoShowsTheFieldOfTheCurrentRecord();
    void memoWithoutItsFieldIsEmptyAndReadOnly();
    void memoTypingEditsTheRecord();
    void memoKeysOpenTheRecord_data();
    void memoKeysOpenTheRecord();
    void memoContextMenuOpensTheRecord();
    void memoCapacity_data();
    void memoCapacity();
    void navigatorButtons();
    void navigatorEnabledStates_data();
    void navigatorEnabledStates();
    void navigatorActions();
    void navigatorPriorAndNextRepeatWhileHeld();
    void navigatorDeleteAsksFirst_data();
    void navigatorDeleteAsksFirst();
    void navigatorErrorsGoToItsListener();

private:
    PrefixTableFixture m_fixture;
};

void TestViews::gridColumns()
{
    Bound bound(m_fixture);
    DBGrid grid;
    QFont cells(u"Liberation Sans"_s);
    cells.setPixelSize(13);
    cells.setBold(true);
    grid.setFont(cells);
    QFont titles(u"Liberation Sans"_s);
    titles.setPixelSize(11);
    titles.setBold(false);
    grid.setTitleFont(titles);
    grid.setDataSource(&bound.source);

    QCOMPARE(grid.model()->columnCount(), 10);
    QCOMPARE(grid.model()->headerData(0, Qt::Horizontal).toString(), u"Prefix"_s);
    const int zero = QFontMetrics(cells).horizontalAdvance(u'0');
    const int line = 1; // the grid line belongs to the column
    QCOMPARE(grid.columnWidth(0), zero * 9 + 4 + line);  // Prefix VARCHAR(9)
    QCOMPARE(grid.columnWidth(1), zero * 40 + 4 + line); // Country VARCHAR(40)
    QCOMPARE(grid.columnWidth(3), QFontMetrics(titles).horizontalAdvance(u"Continent"_s) + 4 + line); // CHAR(2): its title is wider
    QCOMPARE(grid.columnWidth(9), zero * 10 + 4 + line); // F7 CLOB, a memo
    QCOMPARE(grid.model()->data(grid.model()->index(0, 9)).toString(), u"(MEMO)"_s);
    QCOMPARE(grid.verticalHeader()->width(), 11);
}

void TestViews::gridFollowsTheTableBothWays()
{
    Bound bound(m_fixture);
    DBGrid grid;
    grid.resize(400, 200);
    grid.setDataSource(&bound.source);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QCOMPARE(grid.currentIndex().row(), 0);

    bound.table.last();
    QCOMPARE(grid.currentIndex().row(), bound.table.rowCount() - 1);
    QVERIFY(grid.viewport()->rect().contains(grid.visualRect(grid.currentIndex())));

    bound.table.first();
    QCOMPARE(grid.currentIndex().row(), 0);
    const QModelIndex third = grid.model()->index(2, 1);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(third).center());
    QCOMPARE(bound.table.currentRow(), 2);
    QTest::keyClick(&grid, Qt::Key_Down);
    QCOMPARE(bound.table.currentRow(), 3);
    QCOMPARE(grid.currentIndex().row(), 3);
    QVERIFY(grid.selectionModel()->isSelected(grid.currentIndex()));
}

void TestViews::indicatorMarksOnlyTheCurrentRecord()
{
    Bound bound(m_fixture);
    DBGrid grid;
    grid.resize(400, 200);
    grid.setDataSource(&bound.source);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    bound.table.moveTo(2);

    const QImage browse = indicatorOf(grid, 2);
    QVERIFY(darkPixels(browse) > 4);
    for (const int other : {0, 1, 3})
        QCOMPARE(darkPixels(indicatorOf(grid, other)), 0);

    bound.table.edit();
    const QImage editing = indicatorOf(grid, 2);
    QVERIFY(darkPixels(editing) > 4);
    QVERIFY(editing != browse);
    bound.table.cancel();
    QCOMPARE(indicatorOf(grid, 2), browse);

    bound.table.insert();
    const QImage inserting = indicatorOf(grid, 2);
    QVERIFY(darkPixels(inserting) > 4);
    QVERIFY(inserting != browse && inserting != editing);
    QCOMPARE(darkPixels(indicatorOf(grid, 3)), 0);
    bound.table.cancel();
}

void TestViews::gridEditsThroughTheModel()
{
    Bound bound(m_fixture);
    DBGrid grid;
    QSignalSpy failed(&grid, &DBGrid::actionFailed);
    grid.resize(400, 200);
    grid.setDataSource(&bound.source);
    grid.show();
    QVERIFY(QTest::qWaitForWindowActive(&grid));

    // Typing into a cell opens the editor and the record; Enter writes the field without saving
    // the record.
    grid.setCurrentIndex(grid.model()->index(1, 1));
    QTest::keyClicks(&grid, u"Z"_s);
    auto *editor = grid.viewport()->findChild<QLineEdit *>();
    QVERIFY(editor);
    QCOMPARE(bound.table.state(), DatasetState::Edit);
    QCOMPARE(bound.table.value(u"Country"_s).toString(), u"Filler"_s);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(bound.table.value(u"Country"_s).toString(), u"Z"_s); // the delegate commits from the event loop
    QCOMPARE(bound.table.state(), DatasetState::Edit);
    QCOMPARE(m_fixture.stored(u"SELECT Country FROM DXCC22 WHERE Prefix = 'A001'"_s).toString(), u"Filler"_s);
    bound.table.cancel();

    // A text the field refuses is reported to the grid's listener.
    grid.setCurrentIndex(grid.model()->index(1, 2)); // DXCC INTEGER
    QTest::keyClicks(&grid, u"x"_s);
    editor = grid.viewport()->findChild<QLineEdit *>();
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(failed.size(), 1);
    QVERIFY(!messageOf(failed[0][0].value<std::exception_ptr>()).isEmpty());
    QCOMPARE(m_fixture.stored(u"SELECT DXCC FROM DXCC22 WHERE Prefix = 'A001'"_s).toString(), u"1"_s);
    bound.table.cancel();
}

void TestViews::gridReadsOnlyTheRowsItShows()
{
    constexpr int Records = 1'000'000;
    RecordReads reads;
    PrefixTableFixture fixture(0);
    {
        SQLite::Database db(fixture.path.toStdString(), SQLite::OPEN_READWRITE);
        db.exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF;");
        db.exec(u"WITH RECURSIVE i(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM i WHERE k < %1)"
                " INSERT INTO DXCC22 (Prefix, Country, DXCC, F7) SELECT printf('X%08d', k), 'Row', k, 'Note'"
                " FROM i"_s.arg(Records - 7).toStdString());
    }
    Bound bound(fixture);
    QCOMPARE(bound.table.recordCount(), Records);
    DBGrid grid;
    grid.resize(537, 145);
    grid.setDataSource(&bound.source);
    grid.show();
    QVERIFY(QTest::qWaitForWindowActive(&grid));
    QCoreApplication::processEvents();
    RecordReads::reset();

    // Jump to the end and back, page, drag the scroll bar about, find a record far inside.
    QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
    QCoreApplication::processEvents();
    QCOMPARE(prefix(bound.table), u"ZS"_s);
    QVERIFY(grid.viewport()->rect().contains(grid.visualRect(grid.currentIndex())));
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(&grid, Qt::Key_PageUp);
        QCoreApplication::processEvents();
    }
    QVERIFY(bound.table.currentRow() < Records - 20);
    for (const int part : {2, 3, 1, 4}) {
        grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum() * part / 4);
        QCoreApplication::processEvents();
    }
    QVERIFY(bound.table.locate(u"Prefix"_s, u"x00654321"_s));
    QCoreApplication::processEvents();
    QCOMPARE(grid.currentIndex().row(), bound.table.currentRow());
    QVERIFY(grid.viewport()->rect().contains(grid.visualRect(grid.currentIndex())));
    QTest::keyClick(&grid, Qt::Key_Home, Qt::ControlModifier);
    QCoreApplication::processEvents();
    QCOMPARE(bound.table.currentRow(), 0);
    // A few screens of rows, not the table: a reading of every row would show here.
    QVERIFY2(RecordReads::count() < 1000, qPrintable(QString::number(RecordReads::count())));
}

void TestViews::memoShowsTheFieldOfTheCurrentRecord()
{
    Bound bound(m_fixture);
    DBMemo memo;
    memo.setDataField(u"F7"_s);
    memo.setDataSource(&bound.source);
    QCOMPARE(memo.toPlainText(), PrefixTableFixture::memo(u"A000"_s));
    QVERIFY(memo.isReadOnly());
    QCOMPARE(memo.lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QCOMPARE(memo.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(memo.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    QVERIFY(bound.table.locate(u"Prefix"_s, u"ua9"_s));
    QCOMPARE(memo.toPlainText(), PrefixTableFixture::memo(u"UA9"_s));
    bound.table.close();
    QVERIFY(memo.toPlainText().isEmpty());
    QVERIFY(memo.isReadOnly());
    bound.table.open();
    QCOMPARE(memo.toPlainText(), PrefixTableFixture::memo(u"A000"_s));
}

void TestViews::memoWithoutItsFieldIsEmptyAndReadOnly()
{
    PrefixTableFixture noMemo(5, "CREATE TABLE DXCC22 (Prefix VARCHAR(9) NOT NULL PRIMARY KEY, Country VARCHAR(40),"
                                 " DXCC INTEGER, Continent CHAR(2), CQ INTEGER);");
    Bound bound(noMemo);
    DBMemo memo;
    memo.setDataField(u"F7"_s);
    memo.setDataSource(&bound.source);
    memo.show();
    QVERIFY(QTest::qWaitForWindowActive(&memo));
    QVERIFY(!memo.isBound());
    QTest::keyClicks(&memo, u"abc"_s);
    QVERIFY(memo.toPlainText().isEmpty());
    QVERIFY(memo.isReadOnly());
    QCOMPARE(bound.table.state(), DatasetState::Browse);
}

void TestViews::memoTypingEditsTheRecord()
{
    Bound bound(m_fixture);
    QWidget window;
    auto *memo = new DBMemo(&window);
    auto *other = new QLineEdit(&window);
    other->move(0, 200);
    memo->setDataField(u"F7"_s);
    memo->setDataSource(&bound.source);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    memo->setFocus();
    memo->moveCursor(QTextCursor::End);

    QTest::keyClicks(memo, u"!"_s);
    QCOMPARE(bound.table.state(), DatasetState::Edit);
    QCOMPARE(memo->toPlainText(), PrefixTableFixture::memo(u"A000"_s) + u"!"_s);

    // Esc brings back the field's text; typing again and leaving writes it into the field.
    QTest::keyClick(memo, Qt::Key_Escape);
    QCOMPARE(memo->toPlainText(), PrefixTableFixture::memo(u"A000"_s));
    memo->moveCursor(QTextCursor::End);
    QTest::keyClicks(memo, u" more"_s);
    other->setFocus();
    QTRY_VERIFY(!memo->hasFocus());
    QCOMPARE(bound.table.value(u"F7"_s).toString(), PrefixTableFixture::memo(u"A000"_s) + u" more"_s);
    QCOMPARE(bound.table.state(), DatasetState::Edit); // written, not saved
    bound.table.post();
    QCOMPARE(m_fixture.stored(u"SELECT F7 FROM DXCC22 WHERE Prefix = 'A000'"_s).toString(),
             PrefixTableFixture::memo(u"A000"_s) + u" more"_s);
    QVERIFY(memo->isReadOnly());
}

void TestViews::memoKeysOpenTheRecord_data()
{
    QTest::addColumn<bool>("emptyTable");
    QTest::addColumn<QKeyCombination>("key");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QString>("text"); // the memo's text afterwards; the cursor starts after "Memo"
    const QString card = PrefixTableFixture::memo(u"A000"_s);
    const auto row = [](const char *name, QKeyCombination key, bool opens, const QString &text) {
        QTest::newRow(name) << false << key << opens << text;
    };
    row("a letter", QKeyCombination(Qt::Key_X), true, u"Memox of A000: a card"_s);
    row("Delete", QKeyCombination(Qt::Key_Delete), true, u"Memoof A000: a card"_s);
    row("Backspace", QKeyCombination(Qt::Key_Backspace), true, u"Mem of A000: a card"_s);
    row("Enter", QKeyCombination(Qt::Key_Return), true, u"Memo\n of A000: a card"_s);
    row("Shift+Insert", QKeyCombination(Qt::ShiftModifier, Qt::Key_Insert), true, u"Memo<clip> of A000: a card"_s);
    row("Ctrl+V", QKeyCombination(Qt::ControlModifier, Qt::Key_V), true, u"Memo<clip> of A000: a card"_s);
    row("Shift+Delete cuts", QKeyCombination(Qt::ShiftModifier, Qt::Key_Delete), true, u"Memoof A000: a card"_s);
    row("Ctrl+Z, nothing to undo", QKeyCombination(Qt::ControlModifier, Qt::Key_Z), true, card);
    row("Right", QKeyCombination(Qt::Key_Right), false, card);
    row("Ctrl+C", QKeyCombination(Qt::ControlModifier, Qt::Key_C), false, card);
    row("Ctrl+A", QKeyCombination(Qt::ControlModifier, Qt::Key_A), false, card);
    row("Esc", QKeyCombination(Qt::Key_Escape), false, card);
    QTest::newRow("a letter, empty table") << true << QKeyCombination(Qt::Key_X) << true << u"x"_s;
}

void TestViews::memoKeysOpenTheRecord()
{
    QFETCH(bool, emptyTable);
    QFETCH(QKeyCombination, key);
    QFETCH(bool, opens);
    QFETCH(QString, text);
    PrefixTableFixture fixture(emptyTable ? -1 : 3);
    Bound bound(fixture);
    DBMemo memo;
    memo.setDataField(u"F7"_s);
    memo.setDataSource(&bound.source);
    memo.show();
    QVERIFY(QTest::qWaitForWindowActive(&memo));
    QApplication::clipboard()->setText(u"<clip>"_s);
    QTextCursor cursor = memo.textCursor();
    cursor.setPosition(emptyTable ? 0 : 4);
    if (key.key() == Qt::Key_Delete && key.keyboardModifiers() == Qt::ShiftModifier)
        cursor.setPosition(5, QTextCursor::KeepAnchor); // something to cut
    memo.setTextCursor(cursor);
    QVERIFY(memo.isReadOnly());

    QTest::keyClick(&memo, key.key(), key.keyboardModifiers());
    const DatasetState expected = !opens ? DatasetState::Browse
                                         : emptyTable ? DatasetState::Insert : DatasetState::Edit;
    QCOMPARE(bound.table.state(), expected);
    QCOMPARE(memo.isReadOnly(), !opens);
    QCOMPARE(memo.toPlainText(), text);
    if (opens)
        bound.table.cancel();
}

void TestViews::memoContextMenuOpensTheRecord()
{
    PrefixTableFixture fixture(3);
    Bound bound(fixture);
    DBMemo memo;
    memo.setDataField(u"F7"_s);
    memo.setDataSource(&bound.source);
    QApplication::clipboard()->setText(u"pasted"_s);
    QVERIFY(memo.isReadOnly());
    const auto action = [](QMenu *menu, const QString &name) {
        return menu->findChild<QAction *>(name);
    };

    // Undo and cut have nothing to work on; paste does, and opens the record first.
    std::unique_ptr<QMenu> menu(memo.createEditMenu());
    QVERIFY(!action(menu.get(), u"edit-undo"_s)->isEnabled());
    QVERIFY(!action(menu.get(), u"edit-cut"_s)->isEnabled());
    QVERIFY(action(menu.get(), u"edit-paste"_s)->isEnabled());
    QCOMPARE(bound.table.state(), DatasetState::Browse);
    memo.moveCursor(QTextCursor::End);
    action(menu.get(), u"edit-paste"_s)->trigger();
    QCOMPARE(bound.table.state(), DatasetState::Edit);
    QCOMPARE(memo.toPlainText(), PrefixTableFixture::memo(u"A000"_s) + u"pasted"_s);

    // Saved, the memo is read-only again: a cut from the menu opens the record anew.
    bound.table.post();
    QVERIFY(memo.isReadOnly());
    QCOMPARE(fixture.stored(u"SELECT F7 FROM DXCC22 WHERE Prefix = 'A000'"_s).toString(),
             PrefixTableFixture::memo(u"A000"_s) + u"pasted"_s);
    memo.selectAll();
    menu.reset(memo.createEditMenu());
    action(menu.get(), u"edit-cut"_s)->trigger();
    QCOMPARE(bound.table.state(), DatasetState::Edit);
    QVERIFY(memo.toPlainText().isEmpty());
    QCOMPARE(QApplication::clipboard()->text(), PrefixTableFixture::memo(u"A000"_s) + u"pasted"_s);
    // Undo is offered now, and puts the text back.
    menu.reset(memo.createEditMenu());
    QVERIFY(action(menu.get(), u"edit-undo"_s)->isEnabled());
    action(menu.get(), u"edit-undo"_s)->trigger();
    QCOMPARE(memo.toPlainText(), PrefixTableFixture::memo(u"A000"_s) + u"pasted"_s);
    bound.table.cancel();
    QCOMPARE(memo.toPlainText(), PrefixTableFixture::memo(u"A000"_s) + u"pasted"_s);

    // Without its field the memo offers no change at all.
    memo.setDataField(u"NoSuchField"_s);
    memo.selectAll();
    menu.reset(memo.createEditMenu());
    for (const QString &name : {u"edit-undo"_s, u"edit-redo"_s, u"edit-cut"_s, u"edit-paste"_s, u"edit-delete"_s})
        QVERIFY2(!action(menu.get(), name)->isEnabled(), qPrintable(name));
    action(menu.get(), u"edit-paste"_s)->trigger();
    QVERIFY(memo.toPlainText().isEmpty());
    QCOMPARE(bound.table.state(), DatasetState::Browse);
}

void TestViews::memoCapacity_data()
{
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<bool>("shown");
    QTest::newRow("at the capacity") << DBMemo::Capacity << true;
    QTest::newRow("one character over") << DBMemo::Capacity + 1 << false;
}

void TestViews::memoCapacity()
{
    QFETCH(qsizetype, length);
    QFETCH(bool, shown);
    PrefixTableFixture fixture(3);
    const QString text(length, u'ы');
    {
        SQLite::Database db(fixture.path.toStdString(), SQLite::OPEN_READWRITE);
        SQLite::Statement update(db, "UPDATE DXCC22 SET F7 = ? WHERE Prefix = 'A000'");
        update.bind(1, text.toStdString());
        update.exec();
    }
    Bound bound(fixture);
    DBMemo memo;
    memo.resize(209, 177);
    memo.setDataField(u"F7"_s);
    memo.setDataSource(&bound.source);
    memo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&memo));
    QCOMPARE(memo.exceedsCapacity(), !shown);
    QCOMPARE(memo.toPlainText(), shown ? text : DBMemo::CapacityMessage);
    // A text without spaces is wrapped anywhere: word wrapping it would take minutes.
    QCOMPARE(memo.wordWrapMode(), shown ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere);
    QCOMPARE(DBMemo::CapacityMessage, u"(Text exceeds memo capacity)"_s);
    bound.table.edit();
    QCOMPARE(memo.isReadOnly(), !shown);
    bound.table.cancel();
    // The next record's short text is shown again.
    bound.table.next();
    QVERIFY(!memo.exceedsCapacity());
    QCOMPARE(memo.toPlainText(), PrefixTableFixture::memo(u"A001"_s));
    QCOMPARE(memo.wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
}

void TestViews::navigatorButtons()
{
    DBNavigator navigator;
    QCOMPARE(navigator.size(), QSize(280, 41));
    QCOMPARE(navigator.focusPolicy(), Qt::NoFocus);
    const QStringList hints = {u"First record"_s, u"Prior record"_s, u"Next record"_s, u"Last record"_s,
                               u"Insert record"_s, u"Delete record"_s, u"Edit record"_s, u"Post edit"_s,
                               u"Cancel edit"_s, u"Refresh data"_s};
    for (int i = 0; i < DBNavigator::ButtonCount; ++i) {
        QToolButton *button = navigator.button(DBNavigator::Button(i));
        QCOMPARE(button->geometry(), QRect(28 * i, 0, 28, 41));
        QCOMPARE(button->focusPolicy(), Qt::NoFocus);
        QVERIFY(button->toolTip().isEmpty());
        QCOMPARE(button->accessibleName(), hints[i]);
        QVERIFY(!button->icon().isNull());
        QVERIFY(!button->isEnabled()); // no table
        const bool repeats = i == DBNavigator::Prior || i == DBNavigator::Next;
        QCOMPARE(button->autoRepeat(), repeats);
        if (repeats) {
            QCOMPARE(button->autoRepeatDelay(), 400);
            QCOMPARE(button->autoRepeatInterval(), 100);
        }
    }
}

void TestViews::navigatorEnabledStates_data()
{
    QTest::addColumn<QString>("situation");
    // One character per button: first prior next last insert delete edit post cancel refresh.
    QTest::addColumn<QString>("enabled");
    QTest::newRow("closed") << u"closed"_s << u"0000000000"_s;
    QTest::newRow("at the first record") << u"first"_s << u"0011111001"_s;
    QTest::newRow("in the middle") << u"middle"_s << u"1111111001"_s;
    QTest::newRow("at the last record") << u"last"_s << u"1100111001"_s;
    QTest::newRow("editing") << u"editing"_s << u"1111110111"_s;
    QTest::newRow("inserting") << u"inserting"_s << u"1111110111"_s;
    QTest::newRow("empty table") << u"empty"_s << u"0000101001"_s;
    QTest::newRow("read-only file") << u"read-only"_s << u"0011000000"_s;
}

void TestViews::navigatorEnabledStates()
{
    QFETCH(QString, situation);
    QFETCH(QString, enabled);

    PrefixTableFixture fixture(situation == u"empty"_s ? -1 : 3);
    if (situation == u"read-only"_s)
        QFile::setPermissions(fixture.path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    Bound bound(fixture);
    DBNavigator navigator;
    navigator.setDataSource(&bound.source);
    navigator.hide(); // kept up to date while hidden
    if (situation == u"closed"_s)
        bound.table.close();
    else if (situation == u"middle"_s)
        bound.table.moveTo(4);
    else if (situation == u"last"_s)
        bound.table.last();
    else if (situation == u"editing"_s) {
        bound.table.moveTo(4);
        bound.table.edit();
    } else if (situation == u"inserting"_s) {
        bound.table.moveTo(4);
        bound.table.insert();
    }
    QString actual;
    for (int i = 0; i < DBNavigator::ButtonCount; ++i)
        actual += navigator.button(DBNavigator::Button(i))->isEnabled() ? u'1' : u'0';
    QCOMPARE(actual, enabled);
    if (situation == u"editing"_s || situation == u"inserting"_s)
        bound.table.cancel();
}

void TestViews::navigatorActions()
{
    PrefixTableFixture fixture(3);
    Bound bound(fixture);
    DBNavigator navigator;
    navigator.setDataSource(&bound.source);
    navigator.show();
    const auto click = [&](DBNavigator::Button which) {
        QTest::mouseClick(navigator.button(which), Qt::LeftButton);
    };
    click(DBNavigator::Last);
    QCOMPARE(prefix(bound.table), u"ZS"_s);
    click(DBNavigator::Prior);
    QCOMPARE(prefix(bound.table), u"VE"_s);
    click(DBNavigator::First);
    QCOMPARE(prefix(bound.table), u"A000"_s);
    click(DBNavigator::Next);
    QCOMPARE(prefix(bound.table), u"A001"_s);

    click(DBNavigator::Edit);
    QCOMPARE(bound.table.state(), DatasetState::Edit);
    bound.table.setText(bound.table.fieldIndex(u"Country"_s), u"Posted"_s);
    click(DBNavigator::Post);
    QCOMPARE(bound.table.state(), DatasetState::Browse);
    QCOMPARE(fixture.stored(u"SELECT Country FROM DXCC22 WHERE Prefix = 'A001'"_s).toString(), u"Posted"_s);

    click(DBNavigator::Edit);
    bound.table.setText(bound.table.fieldIndex(u"Country"_s), u"Dropped"_s);
    click(DBNavigator::Cancel);
    QCOMPARE(bound.table.value(u"Country"_s).toString(), u"Posted"_s);

    click(DBNavigator::Insert);
    QCOMPARE(bound.table.state(), DatasetState::Insert);
    QCOMPARE(bound.table.currentRow(), 1);
    click(DBNavigator::Cancel);

    {
        SQLite::Database db(fixture.path.toStdString(), SQLite::OPEN_READWRITE);
        db.exec("INSERT INTO DXCC22 (Prefix) VALUES ('ZZ')");
    }
    const int before = bound.table.recordCount();
    click(DBNavigator::Refresh);
    QCOMPARE(bound.table.recordCount(), before + 1);
}

void TestViews::navigatorPriorAndNextRepeatWhileHeld()
{
    Bound bound(m_fixture);
    DBNavigator navigator;
    navigator.setDataSource(&bound.source);
    navigator.show();
    QVERIFY(QTest::qWaitForWindowExposed(&navigator));
    QToolButton *next = navigator.button(DBNavigator::Next);
    QToolButton *prior = navigator.button(DBNavigator::Prior);

    // Held for less than the first delay: one step, on release.
    QTest::mousePress(next, Qt::LeftButton);
    QTest::qWait(250);
    QCOMPARE(bound.table.currentRow(), 0);
    QTest::mouseRelease(next, Qt::LeftButton);
    QCOMPARE(bound.table.currentRow(), 1);

    // Held for a second: steps after 400 ms, then every 100 ms (timers only ever fire late).
    QTest::mousePress(next, Qt::LeftButton);
    QTest::qWait(1000);
    QTest::mouseRelease(next, Qt::LeftButton);
    const int moved = bound.table.currentRow() - 1;
    QVERIFY2(moved >= 3 && moved <= 8, qPrintable(QString::number(moved)));

    const int before = bound.table.currentRow();
    QTest::mousePress(prior, Qt::LeftButton);
    QTest::qWait(700);
    QTest::mouseRelease(prior, Qt::LeftButton);
    QVERIFY(bound.table.currentRow() <= before - 2);
}

void TestViews::navigatorDeleteAsksFirst_data()
{
    QTest::addColumn<MessageButton>("answer");
    QTest::addColumn<bool>("deleted");
    QTest::newRow("OK deletes") << MessageButton::Ok << true;
    QTest::newRow("Cancel keeps") << MessageButton::Cancel << false;
}

void TestViews::navigatorDeleteAsksFirst()
{
    QFETCH(MessageButton, answer);
    QFETCH(bool, deleted);
    PrefixTableFixture fixture(3);
    Bound bound(fixture);
    DBNavigator navigator;
    navigator.setDataSource(&bound.source);
    bound.table.moveTo(1);
    QList<MessageRequest> asked;
    setMessageInterceptor([&](const MessageRequest &request) {
        asked << request;
        return answer;
    });
    const auto restore = qScopeGuard([] { setMessageInterceptor({}); });
    navigator.doAction(DBNavigator::Delete);

    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0].type, MessageType::Confirmation);
    QCOMPARE(asked[0].text, u"Delete record?"_s);
    QCOMPARE(asked[0].buttons, QList<MessageButton>({MessageButton::Ok, MessageButton::Cancel}));
    QCOMPARE(fixture.stored(u"SELECT COUNT(*) FROM DXCC22 WHERE Prefix = 'A001'"_s).toString(),
             deleted ? u"0"_s : u"1"_s);
}

void TestViews::navigatorErrorsGoToItsListener()
{
    Bound bound(m_fixture);
    DBNavigator navigator;
    navigator.setDataSource(&bound.source);
    QSignalSpy failed(&navigator, &DBNavigator::actionFailed);
    bound.table.edit();
    bound.table.setText(bound.table.fieldIndex(u"Prefix"_s), u"ZS"_s); // a key that exists
    navigator.doAction(DBNavigator::Post);
    QCOMPARE(failed.size(), 1);
    QVERIFY(!messageOf(failed[0][0].value<std::exception_ptr>()).isEmpty());
    QCOMPARE(bound.table.state(), DatasetState::Edit);
    QVERIFY(navigator.button(DBNavigator::Post)->isEnabled());
    bound.table.cancel();
}

QTEST_MAIN(TestViews)
#include "tst_views.moc"
