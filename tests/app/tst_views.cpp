// SPDX-License-Identifier: MIT
#include "DBGrid.h"
#include "DBMemo.h"
#include "DBNavigator.h"
#include "DataSource.h"
#include "DatabaseError.h"
#include "MessageDialog.h"
#include "PrefixTableFixture.h"
#include "Table.h"

#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

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
    void memoShowsTheFieldOfTheCurrentRecord();
    void memoWithoutItsFieldIsEmptyAndReadOnly();
    void memoTypingEditsTheRecord();
    void navigatorButtons();
    void navigatorEnabledStates_data();
    void navigatorEnabledStates();
    void navigatorActions();
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
