// SPDX-License-Identifier: MIT
#include "DataSource.h"
#include "GridModel.h"
#include "PrefixIndex.h"
#include "Table.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const char *const Schema = R"(
CREATE TABLE DXCC22 (
  Prefix VARCHAR(9) NOT NULL COLLATE NOCASE PRIMARY KEY CHECK (Prefix <> ''),
  Country VARCHAR(40), DXCC INTEGER, Continent CHAR(2), CQ INTEGER, ITU INTEGER,
  Latitude REAL, Longitude REAL, UTC REAL, F7 CLOB);
)";

struct Row
{
    const char *prefix;
    const char *country;
    int cq;
};

const Row Rows[] = {
    {"K", "United States", 5},      {"U", "Russia", 16},       {"UA", "European Russia", 16},
    {"UA3", "European Russia", 16}, {"UA9", "Asiatic Russia", 17}, {"УА3", "Cyrillic test", 16},
    {"VE", "Canada", 5},
};

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

class Fixture
{
public:
    explicit Fixture(const char *schema = Schema, bool fill = true)
    {
        path = dir.filePath(u"DXCC22.db"_s);
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec(schema);
        if (fill) {
            SQLite::Statement insert(db, "INSERT INTO DXCC22 (Prefix, Country, CQ, F7) VALUES (?, ?, ?, ?)");
            for (const Row &row : Rows) {
                insert.bind(1, row.prefix);
                insert.bind(2, row.country);
                insert.bind(3, row.cq);
                insert.bind(4, std::string("Card of ") + row.prefix);
                insert.exec();
                insert.reset();
            }
        }
    }
    QString tableName() const { return dir.filePath(u"DXCC22"_s); }
    void open(Table &table) const
    {
        table.setTableName(tableName());
        table.open();
    }
    // What another program reading the file sees.
    QVariant stored(const QString &sql) const
    {
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
        SQLite::Statement query(db, sql.toStdString());
        if (!query.executeStep())
            return {};
        const auto column = query.getColumn(0);
        if (column.isNull())
            return {};
        if (column.isInteger())
            return qlonglong(column.getInt64());
        return QString::fromUtf8(column.getText());
    }
    void exec(const char *sql) const
    {
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE);
        db.exec(sql);
    }

    QTemporaryDir dir;
    QString path;
};

QString message(const std::function<void()> &action)
{
    try {
        action();
    } catch (const DatabaseError &error) {
        return error.message();
    }
    return u"(no error)"_s;
}

QString currentPrefix(const Table &table)
{
    return table.value(u"Prefix"_s).toString();
}

} // namespace

class TestTable : public QObject
{
    Q_OBJECT
private slots:
    void opensInKeyOrderWithFieldsFromTheFile();
    void displayWidthsFromDeclaredTypes_data();
    void displayWidthsFromDeclaredTypes();
    void errorTexts_data();
    void errorTexts();
    void missingFileIsNeverCreated();
    void notADatabase();
    void openAndCloseLeaveTheFileUntouched();
    void preloadIsTakenByTheFirstOpen();
    void preloadedOpenFailsAsAPlainOne_data();
    void preloadedOpenFailsAsAPlainOne();
    void locate_data();
    void locate();
    void locateTakesFirstInTableOrder();
    void locateNotFoundLeavesCurrentRecord();
    void navigation();
    void settleSavesChangedRecordBeforeMoving();
    void settleDropsUnchangedRecord();
    void editPostAndCancel();
    void insertInTheMiddleAndAppend();
    void unchangedInsertIsDroppedOnMove();
    void deleteRecord();
    void closeDropsPendingChange();
    void failedSaveKeepsRecordEditing();
    void typedTextIsCheckedAgainstFieldType_data();
    void typedTextIsCheckedAgainstFieldType();
    void readOnlyFileRefusesChanges();
    void refreshSeesOtherProgramsChanges();
    void tableWithoutPrimaryKeyKeepsRowOrder();
    void rowidsBeyond32Bits_data();
    void rowidsBeyond32Bits();
    void twoProgramsShareTheTable();
    void fileRemovedReplacedOrMadeReadOnly();
    void prefixIndexAnswersAsLocate_data();
    void prefixIndexAnswersAsLocate();
    void gridModelFollowsTheTable();
    void dataSourceAutoEdit();
};

void TestTable::opensInKeyOrderWithFieldsFromTheFile()
{
    Fixture fixture;
    Table table;
    QSignalSpy states(&table, &Table::stateChanged);
    QCOMPARE(table.state(), DatasetState::Inactive);
    fixture.open(table);
    QCOMPARE(table.state(), DatasetState::Browse);
    QCOMPARE(states.count(), 1);
    QCOMPARE(table.recordCount(), int(std::size(Rows)));
    QCOMPARE(table.currentRow(), 0);
    QCOMPARE(currentPrefix(table), u"K"_s);
    QCOMPARE(table.value(u"F7"_s).toString(), u"Card of K"_s);

    QStringList names;
    for (const Field &field : table.fields())
        names.append(field.name);
    QCOMPARE(names, (QStringList{u"Prefix"_s, u"Country"_s, u"DXCC"_s, u"Continent"_s, u"CQ"_s, u"ITU"_s,
                                 u"Latitude"_s, u"Longitude"_s, u"UTC"_s, u"F7"_s}));
    QVERIFY(table.fieldByName(u"f7"_s).isMemo());

    // Key order (NOCASE), not insertion order.
    QStringList order;
    for (int row = 0; row < table.rowCount(); ++row)
        order.append(table.valueAt(row, 0).toString());
    QCOMPARE(order, (QStringList{u"K"_s, u"U"_s, u"UA"_s, u"UA3"_s, u"UA9"_s, u"VE"_s, u"УА3"_s}));

    table.close();
    QCOMPARE(table.state(), DatasetState::Inactive);
    QCOMPARE(table.rowCount(), 0);
}

void TestTable::displayWidthsFromDeclaredTypes_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("width");
    QTest::newRow("varchar") << u"VARCHAR(9)"_s << int(FieldKind::String) << 9;
    QTest::newRow("char") << u"CHAR(2)"_s << int(FieldKind::String) << 2;
    QTest::newRow("text") << u"TEXT"_s << int(FieldKind::String) << 20;
    QTest::newRow("integer") << u"INTEGER"_s << int(FieldKind::Integer) << 11;
    QTest::newRow("real") << u"REAL"_s << int(FieldKind::Float) << 10;
    QTest::newRow("numeric") << u"NUMERIC(8,2)"_s << int(FieldKind::Float) << 10;
    QTest::newRow("clob") << u"CLOB"_s << int(FieldKind::Memo) << 10;
    QTest::newRow("memo") << u"memo"_s << int(FieldKind::Memo) << 10;
    QTest::newRow("blob") << u"BLOB"_s << int(FieldKind::Blob) << 10;
    QTest::newRow("untyped") << QString() << int(FieldKind::String) << 20;
}

void TestTable::displayWidthsFromDeclaredTypes()
{
    QFETCH(QString, type);
    QFETCH(int, kind);
    QFETCH(int, width);
    const Field field = Field::fromDeclaration(u"X"_s, type);
    QCOMPARE(int(field.kind), kind);
    QCOMPARE(field.displayWidth, width);
}

void TestTable::errorTexts_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("expected");
    QTest::newRow("locate closed") << u"locate-closed"_s
                                   << u"Table1: Cannot perform this operation on a closed dataset"_s;
    QTest::newRow("next closed") << u"next-closed"_s << u"Table1: Cannot perform this operation on a closed dataset"_s;
    QTest::newRow("missing field") << u"missing-field"_s << u"Table1: Field 'Prefix' not found"_s;
    QTest::newRow("rename open") << u"rename-open"_s << u"Table1: Cannot perform this operation on an open dataset"_s;
    QTest::newRow("post browsing") << u"post-browse"_s << u"Table1: Dataset not in edit or insert mode"_s;
    QTest::newRow("no such table") << u"no-table"_s << u"no such table: DXCC22"_s;
}

void TestTable::errorTexts()
{
    QFETCH(QString, operation);
    QFETCH(QString, expected);
    Fixture fixture;
    Table table;
    table.setTableName(fixture.tableName());
    QString text;
    if (operation == u"locate-closed"_s) {
        text = message([&] { table.locate(u"Prefix"_s, u"UA"_s); });
    } else if (operation == u"next-closed"_s) {
        text = message([&] { table.next(); });
    } else if (operation == u"missing-field"_s) {
        fixture.exec("ALTER TABLE DXCC22 RENAME COLUMN Prefix TO Pfx");
        table.open();
        text = message([&] { table.locate(u"Prefix"_s, u"UA"_s); });
    } else if (operation == u"rename-open"_s) {
        table.open();
        text = message([&] { table.setTableName(u"/elsewhere/DXCC22"_s); });
        QCOMPARE(table.tableName(), fixture.tableName());
    } else if (operation == u"post-browse"_s) {
        table.open();
        text = message([&] { table.post(); });
    } else if (operation == u"no-table"_s) {
        fixture.exec("ALTER TABLE DXCC22 RENAME TO Other");
        text = message([&] { table.open(); });
        QVERIFY(!table.isActive());
    }
    QVERIFY2(text.startsWith(expected), qPrintable(text));
}

void TestTable::missingFileIsNeverCreated()
{
    QTemporaryDir dir;
    Table table;
    table.setTableName(dir.filePath(u"DXCC22"_s));
    const QString text = message([&] { table.open(); });
    QVERIFY2(text.startsWith(u"unable to open database file"_s), qPrintable(text));
    QVERIFY(text.contains(dir.filePath(u"DXCC22.db"_s)));
    QVERIFY(!QFile::exists(dir.filePath(u"DXCC22.db"_s)));
    QVERIFY(!table.isActive());
    QCOMPARE(table.state(), DatasetState::Inactive);
}

void TestTable::notADatabase()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"DXCC22.db"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, '\x5a'));
    file.close();
    const QByteArray before = fileHash(path);
    Table table;
    table.setTableName(dir.filePath(u"DXCC22"_s));
    const QString text = message([&] { table.open(); });
    QCOMPARE(text, u"file is not a database"_s);
    QVERIFY(!table.isActive());
    QCOMPARE(fileHash(path), before);
}

void TestTable::preloadIsTakenByTheFirstOpen()
{
    Fixture fixture("CREATE TABLE DXCC22 (Prefix VARCHAR(9) PRIMARY KEY, F7 CLOB)", false);
    fixture.exec("INSERT INTO DXCC22 VALUES ('W', 'w'), ('A', 'a'), ('K', 'k')");
    QFile::setPermissions(fixture.path, QFile::ReadOwner | QFile::ReadUser);
    const TablePreload preload(fixture.tableName());
    preload.wait();
    // Changed after the preload read it: the first open sees the table as it was read.
    QFile::setPermissions(fixture.path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    fixture.exec("DELETE FROM DXCC22 WHERE Prefix = 'K'");
    Table first;
    fixture.open(first);
    QCOMPARE(first.recordCount(), 3);
    QVERIFY(first.isReadOnly());
    QCOMPARE(first.fields().size(), 2);
    QCOMPARE(first.valueAt(0, 0).toString(), u"A"_s);
    QCOMPARE(first.valueAt(2, 1).toString(), u"w"_s);
    QVERIFY(first.locate(u"Prefix"_s, u"w"_s));
    QCOMPARE(first.currentRow(), 2);
    // Any later open reads the file afresh.
    Table second;
    fixture.open(second);
    QCOMPARE(second.recordCount(), 2);
    QVERIFY(!second.isReadOnly());
}

void TestTable::preloadedOpenFailsAsAPlainOne_data()
{
    QTest::addColumn<QByteArray>("content"); // of DXCC22.db; empty: no file
    QTest::addColumn<QString>("expected");
    QTest::newRow("no file") << QByteArray() << u"unable to open database file"_s;
    QTest::newRow("not a database") << QByteArray(4096, '\x5a') << u"file is not a database"_s;
}

void TestTable::preloadedOpenFailsAsAPlainOne()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    if (!content.isEmpty()) {
        QFile file(dir.filePath(u"DXCC22.db"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    const QString tableName = dir.filePath(u"DXCC22"_s);
    Table plain;
    plain.setTableName(tableName);
    const QString plainText = message([&] { plain.open(); });
    QVERIFY2(plainText.startsWith(expected), qPrintable(plainText));

    const TablePreload preload(tableName);
    Table table;
    table.setTableName(tableName);
    QCOMPARE(message([&] { table.open(); }), plainText);
    QVERIFY(!table.isActive());
    QCOMPARE(QFile::exists(dir.filePath(u"DXCC22.db"_s)), !content.isEmpty());
}

void TestTable::openAndCloseLeaveTheFileUntouched()
{
    Fixture fixture;
    const QByteArray before = fileHash(fixture.path);
    {
        Table table;
        fixture.open(table);
        table.last();
        QVERIFY(table.locate(u"Prefix"_s, u"ua9"_s));
        table.edit();
        table.setText(1, u"changed but never saved"_s);
        table.close();
    }
    QCOMPARE(fileHash(fixture.path), before);
}

void TestTable::locate_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("caseInsensitive");
    QTest::addColumn<QString>("found"); // empty: not found

    QTest::newRow("exact") << u"UA3"_s << true << u"UA3"_s;
    QTest::newRow("lower Latin") << u"ua9"_s << true << u"UA9"_s;
    QTest::newRow("mixed Latin") << u"uA"_s << true << u"UA"_s;
    QTest::newRow("lower Cyrillic") << u"уа3"_s << true << u"УА3"_s;
    QTest::newRow("whole value only") << u"UA3A"_s << true << QString();
    QTest::newRow("no partial match") << u"V"_s << true << QString();
    QTest::newRow("empty key") << QString() << true << QString();
    QTest::newRow("case sensitive hit") << u"UA"_s << false << u"UA"_s;
    QTest::newRow("case sensitive miss") << u"ua"_s << false << QString();
    QTest::newRow("quote in key") << u"U'A"_s << true << QString();
    QTest::newRow("SQL in key") << u"' OR 1=1 --"_s << true << QString();
}

void TestTable::locate()
{
    QFETCH(QString, key);
    QFETCH(bool, caseInsensitive);
    QFETCH(QString, found);
    Fixture fixture;
    Table table;
    fixture.open(table);
    table.last();
    const bool hit = table.locate(u"Prefix"_s, key, caseInsensitive);
    QCOMPARE(hit, !found.isEmpty());
    if (hit) {
        QCOMPARE(currentPrefix(table), found);
        QCOMPARE(table.valueAt(table.currentRow(), 0).toString(), found);
    } else {
        QCOMPARE(table.currentRow(), table.recordCount() - 1);
    }
}

void TestTable::locateTakesFirstInTableOrder()
{
    // Without a key the order is the row order, and case-only duplicates can exist.
    Fixture fixture("CREATE TABLE DXCC22 (Prefix TEXT, Country TEXT, F7 CLOB)", false);
    fixture.exec("INSERT INTO DXCC22 VALUES ('Zz', 'first', NULL), ('zZ', 'second', NULL), "
                 "('ЖЖ', 'third', NULL), ('жж', 'fourth', NULL), ('ЖЖЖЖЖЖЖЖЖЖ', 'many', NULL)");
    Table table;
    fixture.open(table);
    table.last();
    QVERIFY(table.locate(u"Prefix"_s, u"ZZ"_s));
    QCOMPARE(table.value(u"Country"_s).toString(), u"first"_s);
    QVERIFY(table.locate(u"Prefix"_s, u"жЖ"_s));
    QCOMPARE(table.value(u"Country"_s).toString(), u"third"_s);
    // More non-ASCII letters than are worth spelling out.
    QVERIFY(table.locate(u"Prefix"_s, u"жжжжжжжжжж"_s));
    QCOMPARE(table.value(u"Country"_s).toString(), u"many"_s);
}

void TestTable::locateNotFoundLeavesCurrentRecord()
{
    Fixture fixture;
    Table table;
    fixture.open(table);
    QVERIFY(table.locate(u"Prefix"_s, u"UA"_s));
    QSignalSpy moves(&table, &Table::currentRowChanged);
    QVERIFY(!table.locate(u"Prefix"_s, u"ZZZ"_s));
    QCOMPARE(moves.count(), 0);
    QCOMPARE(currentPrefix(table), u"UA"_s);
}

void TestTable::navigation()
{
    Fixture fixture;
    Table table;
    fixture.open(table);
    QVERIFY(table.bof());
    QVERIFY(!table.eof());
    table.prior();
    QCOMPARE(table.currentRow(), 0);
    table.next();
    QCOMPARE(currentPrefix(table), u"U"_s);
    table.last();
    QVERIFY(table.eof());
    QCOMPARE(currentPrefix(table), u"УА3"_s);
    table.next();
    QCOMPARE(table.currentRow(), table.recordCount() - 1);
    table.moveBy(-3);
    QCOMPARE(currentPrefix(table), u"UA3"_s);
    table.first();
    QCOMPARE(currentPrefix(table), u"K"_s);
}

void TestTable::settleSavesChangedRecordBeforeMoving()
{
    Fixture fixture;
    Table table;
    fixture.open(table);
    QVERIFY(table.locate(u"Prefix"_s, u"VE"_s));
    table.edit();
    table.setText(table.fieldIndex(u"Country"_s), u"Canada (edited)"_s);
    QCOMPARE(table.state(), DatasetState::Edit);
    QVERIFY(table.isModified());
    QVERIFY(table.locate(u"Prefix"_s, u"K"_s)); // the lookup saves first
    QCOMPARE(table.state(), DatasetState::Browse);
    QCOMPARE(fixture.stored(u"SELECT Country FROM DXCC22 WHERE Prefix = 'VE'"_s).toString(), u"Canada (edited)"_s);

    table.edit();
    table.setText(table.fieldIndex(u"CQ"_s), u"4"_s);
    table.next();
    QCOMPARE(fixture.stored(u"SELECT CQ FROM DXCC22 WHERE Prefix = 'K'"_s).toLongLong(), 4);
    QCOMPARE(currentPrefix(table), u"U"_s);
}

void TestTable::settleDropsUnchangedRecord()
{
    Fixture fixture;
    Table table;
    fixture.open(table);
    table.edit();
    table.setText(1, u"United States"_s); // the same text as stored
    QVERIFY(!table.isModified());
    table.next();
    QCOMPARE(table.state(), DatasetState::Browse);
    QCOMPARE(currentPrefix(table), u"U"_s);
}

void TestTable::editPostAndCancel()
{
    Fixture fixture;
    Table table;
    fixture.open(table);
    QVERIFY(table.locate(u"Prefix"_s, u"UA9"_s));
    const int f7 = table.fieldIndex(u"F7"_s);
    table.edit();
    table.setText(f7, u"My own notes\nline two"_s);
    table.cancel();
    QCOMPARE(table.state(), DatasetState::Browse);
    QCOMPARE(table.value(f7).toString(), u"Card of UA9"_s);

    table.edit();
    table.setText(f7, u"My own notes\nline two"_s);
    table.setText(table.fieldIndex(u"Latitude"_s), u"55,75"_s);
    table.post();
    QCOMPARE(table.state(), DatasetState::Browse);
    QCOMPARE(currentPrefix(table), u"UA9"_s);
    QCOMPARE(fixture.stored(u"SELECT F7 FROM DXCC22 WHERE Prefix = 'UA9'"_s).toString(), u"My own notes\nline two"_s);
    QCOMPARE(fixture.stored(u"SELECT typeof(Latitude) || ':' || Latitude FROM DXCC22 WHERE Prefix = 'UA9'"_s)
                 .toString(),
             u"real:55.75"_s);

    // Renaming the key moves the record to its new place in the order.
    table.edit();
    table.setText(0, u"A1"_s);
    table.post();
    QCOMPARE(table.currentRow(), 0);
    QCOMPARE(currentPrefix(table), u"A1"_s);
    QCOMPARE(table.value(f7).toString(), u"My own notes\nline two"_s);
}

void TestTable::insertInTheMiddleAndAppend()
{
    Fixture fixture;
    Table table;
    fixture.open(table);
    QVERIFY(table.locate(u"Prefix"_s, u"UA"_s));
    const int row = table.currentRow();
    table.insert();
    QCOMPARE(table.state(), DatasetState::Insert);
    QCOMPARE(table.insertRow(), row);
    QCOMPARE(table.rowCount(), table.recordCount() + 1);
    QCOMPARE(table.valueAt(row + 1, 0).toString(), u"UA"_s); // the rows below move down
    table.setText(0, u"R1FJ"_s);
    table.setText(1, u"Franz Josef Land"_s);
    table.post();
    QCOMPARE(table.recordCount(), int(std::size(Rows)) + 1);
    QCOMPARE(currentPrefix(table), u"R1FJ"_s);
    QCOMPARE(table.valueAt(table.currentRow() - 1, 0).toString(), u"K"_s);
    QCOMPARE(fixture.stored(u"SELECT Country FROM DXCC22 WHERE Prefix = 'R1FJ'"_s).toString(),
             u"Franz Josef Land"_s);

    table.append();
    QCOMPARE(table.insertRow(), table.recordCount());
    table.setText(0, u"ZS"_s);
    table.post();
    QCOMPARE(currentPrefix(table), u"ZS"_s);
    QCOMPARE(fixture.stored(u"SELECT count(*) FROM DXCC22"_s).toLongLong(), qlonglong(std::size(Rows)) + 2);
}

void TestTable::unchangedInsertIsDroppedOnMove()
{
    Fixture fixture;
    Table table;
    fixture.open(table);
    table.last();
    table.append();
    table.prior();
    QCOMPARE(table.state(), DatasetState::Browse);
    QCOMPARE(table.rowCount(), int(std::size(Rows)));
    QCOMPARE(currentPrefix(table), u"УА3"_s); // back on the last record, not the one before it

    QVERIFY(table.locate(u"Prefix"_s, u"UA"_s));
    table.insert();
    QVERIFY(!table.locate(u"Prefix"_s, u"nothing"_s));
    QCOMPARE(table.state(), DatasetState::Browse);
    QCOMPARE(currentPrefix(table), u"UA"_s);
    QCOMPARE(fixture.stored(u"SELECT count(*) FROM DXCC22"_s).toLongLong(), qlonglong(std::size(Rows)));
}

void TestTable::deleteRecord()
{
    Fixture fixture;
    Table table;
    fixture.open(table);
    QVERIFY(table.locate(u"Prefix"_s, u"UA3"_s));
    table.deleteRecord();
    QCOMPARE(currentPrefix(table), u"UA9"_s);
    QVERIFY(!fixture.stored(u"SELECT 1 FROM DXCC22 WHERE Prefix = 'UA3'"_s).isValid());
    table.last();
    table.deleteRecord();
    QCOMPARE(currentPrefix(table), u"VE"_s);
    while (!table.isEmpty())
        table.deleteRecord();
    QCOMPARE(table.currentRow(), -1);
    QVERIFY(table.bof() && table.eof());
    QCOMPARE(message([&] { table.deleteRecord(); }), u"Table1: Cannot perform this operation on an empty dataset"_s);
    table.edit(); // an empty table inserts instead
    QCOMPARE(table.state(), DatasetState::Insert);
}

void TestTable::closeDropsPendingChange()
{
    Fixture fixture;
    {
        Table table;
        fixture.open(table);
        table.edit();
        table.setText(1, u"never saved"_s);
        table.append();
        // append settled the edit: that one is saved; the appended record is then dropped by close
        table.setText(0, u"NEW"_s);
        table.close();
        QCOMPARE(table.state(), DatasetState::Inactive);
    }
    QCOMPARE(fixture.stored(u"SELECT Country FROM DXCC22 WHERE Prefix = 'K'"_s).toString(), u"never saved"_s);
    QVERIFY(!fixture.stored(u"SELECT 1 FROM DXCC22 WHERE Prefix = 'NEW'"_s).isValid());
}

void TestTable::failedSaveKeepsRecordEditing()
{
    Fixture fixture;
    Table table;
    fixture.open(table);
    QVERIFY(table.locate(u"Prefix"_s, u"VE"_s));
    table.edit();
    table.setText(0, u"ua"_s); // differs from UA only in case
    table.setText(1, u"typed by the user"_s);
    const QString text = message([&] { table.post(); });
    QVERIFY2(text.contains(u"UNIQUE constraint failed"_s), qPrintable(text));
    QCOMPARE(table.state(), DatasetState::Edit);
    QCOMPARE(table.value(1).toString(), u"typed by the user"_s);
    QCOMPARE(message([&] { table.next(); }), text); // moving retries the save and fails alike
    QCOMPARE(currentPrefix(table), u"ua"_s);

    table.setText(0, QString());
    QCOMPARE(message([&] { table.post(); }), u"Field 'Prefix' must have a value"_s);
    table.setText(0, u"VE2"_s);
    table.post();
    QCOMPARE(fixture.stored(u"SELECT Country FROM DXCC22 WHERE Prefix = 'VE2'"_s).toString(), u"typed by the user"_s);
}

void TestTable::typedTextIsCheckedAgainstFieldType_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    QTest::newRow("integer") << u"CQ"_s << u"1x"_s << u"'1x' is not a valid integer value"_s;
    QTest::newRow("float") << u"Latitude"_s << u"north"_s << u"'north' is not a valid floating point value"_s;
    QTest::newRow("integer ok") << u"CQ"_s << u" 17 "_s << QString();
    QTest::newRow("float comma") << u"UTC"_s << u"-3,5"_s << QString();
}

void TestTable::typedTextIsCheckedAgainstFieldType()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, error);
    Fixture fixture;
    Table table;
    fixture.open(table);
    table.edit();
    const int index = table.fieldIndex(field);
    const QVariant before = table.value(index);
    if (error.isEmpty()) {
        table.setText(index, text);
        table.post();
        QVERIFY(fixture.stored(u"SELECT typeof(%1) FROM DXCC22 WHERE Prefix = 'K'"_s.arg(field)).toString()
                != u"text"_s);
    } else {
        QCOMPARE(message([&] { table.setText(index, text); }), error);
        QCOMPARE(table.value(index), before);
        QCOMPARE(table.state(), DatasetState::Edit);
    }
}

void TestTable::readOnlyFileRefusesChanges()
{
    Fixture fixture;
    QFile::setPermissions(fixture.path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    const QByteArray before = fileHash(fixture.path);
    Table table;
    fixture.open(table);
    QVERIFY(table.isReadOnly());
    QVERIFY(!table.canModify());
    QVERIFY(table.locate(u"Prefix"_s, u"ua3"_s));
    const QString refused = u"Table1: Cannot modify a read-only dataset"_s;
    QCOMPARE(message([&] { table.edit(); }), refused);
    QCOMPARE(message([&] { table.insert(); }), refused);
    QCOMPARE(message([&] { table.deleteRecord(); }), refused);
    QCOMPARE(table.state(), DatasetState::Browse);
    table.refresh();
    table.close();
    QCOMPARE(fileHash(fixture.path), before);
}

void TestTable::refreshSeesOtherProgramsChanges()
{
    Fixture fixture;
    Table table;
    fixture.open(table);
    QVERIFY(table.locate(u"Prefix"_s, u"VE"_s));
    fixture.exec("INSERT INTO DXCC22 (Prefix, Country) VALUES ('A4', 'Oman'); "
                 "UPDATE DXCC22 SET Country = 'Canada!' WHERE Prefix = 'VE'");
    QVERIFY(!table.locate(u"Prefix"_s, u"A4"_s)); // not seen before a refresh
    table.refresh();
    QCOMPARE(currentPrefix(table), u"VE"_s);
    QCOMPARE(table.value(u"Country"_s).toString(), u"Canada!"_s);
    QVERIFY(table.locate(u"Prefix"_s, u"a4"_s));
    QCOMPARE(table.currentRow(), 0);

    fixture.exec("DELETE FROM DXCC22 WHERE Prefix = 'A4'");
    QCOMPARE(message([&] { table.edit(); }), u"The record was deleted by another user"_s);
}

void TestTable::tableWithoutPrimaryKeyKeepsRowOrder()
{
    Fixture fixture("CREATE TABLE DXCC22 (Prefix TEXT, Notes TEXT)", false);
    fixture.exec("INSERT INTO DXCC22 VALUES ('Z', 'a'), ('A', 'b'), ('M', 'c')");
    Table table;
    fixture.open(table);
    QCOMPARE(table.valueAt(0, 0).toString(), u"Z"_s);
    QCOMPARE(table.valueAt(2, 0).toString(), u"M"_s);
    QVERIFY(table.locate(u"Prefix"_s, u"a"_s));
    QCOMPARE(table.currentRow(), 1);
    QCOMPARE(table.fieldIndex(u"F7"_s), -1);
    table.insert();
    table.setText(0, u"B"_s);
    table.post();
    QCOMPARE(table.currentRow(), 3); // a new row goes last in row order
}

void TestTable::rowidsBeyond32Bits_data()
{
    QTest::addColumn<QByteArray>("schema");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("keyed") << QByteArray("CREATE TABLE DXCC22 (Prefix TEXT PRIMARY KEY, F7 CLOB)")
                           << QStringList{u"A"_s, u"M"_s, u"Z"_s};
    QTest::newRow("row order") << QByteArray("CREATE TABLE DXCC22 (Prefix TEXT, F7 CLOB)")
                               << QStringList{u"M"_s, u"A"_s, u"Z"_s};
}

void TestTable::rowidsBeyond32Bits()
{
    // Rowids are 64-bit and may be negative: a table order that holds them is no longer compact.
    QFETCH(QByteArray, schema);
    QFETCH(QStringList, order);
    Fixture fixture(schema.constData(), false);
    fixture.exec("INSERT INTO DXCC22 (rowid, Prefix) VALUES (-7, 'M'), (5, 'A'), (8589934593, 'Z')");
    Table table;
    fixture.open(table);
    QCOMPARE(table.recordCount(), 3);
    for (int row = 0; row < 3; ++row)
        QCOMPARE(table.valueAt(row, 0).toString(), order[row]);
    QVERIFY(table.locate(u"Prefix"_s, u"z"_s));
    QCOMPARE(table.currentRow(), 2);
    table.moveTo(1);
    table.deleteRecord();
    QCOMPARE(table.recordCount(), 2);
    QCOMPARE(fixture.stored(u"SELECT count(*) FROM DXCC22 WHERE Prefix = '%1'"_s.arg(order[1])).toInt(), 0);
    QVERIFY(table.locate(u"Prefix"_s, order[2]));
    QCOMPARE(table.currentRow(), 1);
}

void TestTable::twoProgramsShareTheTable()
{
    Fixture fixture;
    Table first, second;
    for (Table *table : {&first, &second}) {
        table->setTableName(fixture.tableName());
        table->open();
    }
    // A pending edit holds no lock: the other reads, finds and saves meanwhile.
    first.edit();
    first.setText(1, u"first's edit"_s);
    QVERIFY(second.locate(u"Prefix"_s, u"ua9"_s));
    second.edit();
    second.setText(1, u"second's edit"_s);
    second.post();
    first.post();
    QCOMPARE(fixture.stored(u"SELECT Country FROM DXCC22 WHERE Prefix = 'K'"_s).toString(), u"first's edit"_s);
    QCOMPARE(fixture.stored(u"SELECT Country FROM DXCC22 WHERE Prefix = 'UA9'"_s).toString(), u"second's edit"_s);

    // A save that meets another program's write lock waits a bounded time, then says so.
    SQLite::Database locker(fixture.path.toStdString(), SQLite::OPEN_READWRITE);
    locker.exec("BEGIN IMMEDIATE");
    first.edit();
    first.setText(1, u"waits"_s);
    QElapsedTimer clock;
    clock.start();
    const QString text = message([&] { first.post(); });
    QVERIFY2(text.startsWith(u"The table is in use by another program"_s), qPrintable(text));
    QVERIFY(clock.elapsed() >= 1500 && clock.elapsed() < 10000);
    QCOMPARE(first.state(), DatasetState::Edit);
    QCOMPARE(first.value(1).toString(), u"waits"_s);
    locker.exec("COMMIT");
    first.post();
    QCOMPARE(fixture.stored(u"SELECT Country FROM DXCC22 WHERE Prefix = 'K'"_s).toString(), u"waits"_s);
}

void TestTable::fileRemovedReplacedOrMadeReadOnly()
{
    Fixture fixture;
    Table table;
    fixture.open(table);

    // Made read-only while open: the save is refused, the typing kept.
    QFile::setPermissions(fixture.path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    table.edit();
    table.setText(1, u"typed"_s);
    QCOMPARE(message([&] { table.post(); }), u"Table1: Cannot modify a read-only dataset"_s);
    QCOMPARE(table.state(), DatasetState::Edit);
    QFile::setPermissions(fixture.path, QFile::ReadOwner | QFile::WriteOwner);
    table.post();
    QCOMPARE(fixture.stored(u"SELECT Country FROM DXCC22 WHERE Prefix = 'K'"_s).toString(), u"typed"_s);

    // Replaced by another file: a save would go to the old one, so it is refused; refresh reads the new.
    const QString replacement = fixture.dir.filePath(u"new.db"_s);
    QVERIFY(QFile::copy(fixture.path, replacement));
    {
        SQLite::Database db(replacement.toStdString(), SQLite::OPEN_READWRITE);
        db.exec("UPDATE DXCC22 SET Country = 'replaced' WHERE Prefix = 'K'");
    }
    QVERIFY(::rename(replacement.toLocal8Bit().constData(), fixture.path.toLocal8Bit().constData()) == 0);
    table.edit();
    table.setText(1, u"lost?"_s);
    QVERIFY(message([&] { table.post(); }).contains(u"has been removed or replaced by another program"_s));
    QCOMPARE(table.state(), DatasetState::Edit);
    table.cancel();
    table.refresh();
    QCOMPARE(table.value(1).toString(), u"replaced"_s);

    // Removed: saves and refresh say so, and the table stays readable.
    QVERIFY(QFile::remove(fixture.path));
    table.edit();
    table.setText(1, u"nowhere"_s);
    QVERIFY(message([&] { table.post(); }).contains(u"has been removed or replaced"_s));
    table.cancel();
    QVERIFY(message([&] { table.refresh(); }).contains(u"has been removed by another program"_s));
    QVERIFY(table.isActive());
    QVERIFY(table.locate(u"Prefix"_s, u"ua9"_s));
    QVERIFY(!QFile::exists(fixture.path));
}

void TestTable::prefixIndexAnswersAsLocate_data()
{
    QTest::addColumn<QString>("key");
    for (const char *key : {"UA3", "ua3", "Ua9", "уа3", "УА3", "Уа3", "ya3", "zz", "zZ", "Zz", "ЖЖ", "жж", "ёж", "ЁЖ",
                            "K", "k", "", " ", "UA3 ", "ǅ", "ǆ", "K", "ﬀ", "i", "İ",
                            "ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ",
                            "LONGLONGLONGLONGLONGLONGLONGLONGLONGLONGLONG"})
        QTest::newRow(key) << QString::fromUtf8(key);
}

void TestTable::prefixIndexAnswersAsLocate()
{
    QFETCH(QString, key);
    Fixture fixture("CREATE TABLE DXCC22 (Prefix TEXT, Country TEXT)", false);
    // Row order, case-only duplicates, Cyrillic, NULL and empty values, letters with odd case rules.
    fixture.exec("INSERT INTO DXCC22 VALUES ('UA3', '1'), ('ua3', '2'), (NULL, '3'), ('', '4'), ('УА3', '5'), "
                 "('уа3', '6'), ('zZ', '7'), ('Zz', '8'), ('жж', '9'), ('ЖЖ', '10'), ('ЁЖ', '11'), ('K', '12'), "
                 "('ǆ', '13'), ('k', '14'), ('ﬀ', '15'), ('İ', '16'), ('UA9', '17'), "
                 "('longlonglonglonglonglonglonglonglonglonglong', '18'), "
                 "('жжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжж', '19')");
    Table table;
    fixture.open(table);
    const PrefixIndex index(table, u"Prefix"_s);
    table.last();
    const int expected = table.locate(u"Prefix"_s, key) ? table.currentRow() : -1;
    QCOMPARE(index.find(key), expected);
    bool ascii = true;
    for (QChar ch : key)
        ascii = ascii && ch.unicode() < 0x80;
    if (ascii)
        QCOMPARE(index.findAscii(key.toStdString()), expected);
}

void TestTable::gridModelFollowsTheTable()
{
    Fixture fixture;
    Table table;
    DataSource source;
    source.setDataSet(&table);
    GridModel model;
    model.setDataSource(&source);
    QCOMPARE(model.rowCount(), 0);
    fixture.open(table);
    QCOMPARE(model.rowCount(), int(std::size(Rows)));
    QCOMPARE(model.columnCount(), 10);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), u"Prefix"_s);
    QCOMPARE(model.index(0, 9).data().toString(), u"(MEMO)"_s);
    QCOMPARE(model.indicator(0), GridModel::BrowseIndicator);
    QVERIFY(!(model.flags(model.index(0, 9)) & Qt::ItemIsEditable));
    QVERIFY(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);

    QVERIFY(table.locate(u"Prefix"_s, u"UA9"_s));
    const int row = table.currentRow();
    QCOMPARE(model.indicator(0), GridModel::NoIndicator);
    QCOMPARE(model.indicator(row), GridModel::BrowseIndicator);
    QVERIFY(model.setData(model.index(row, 4), u"18"_s));
    QCOMPARE(model.indicator(row), GridModel::EditIndicator);
    QCOMPARE(model.index(row, 4).data().toString(), u"18"_s);
    table.insert();
    QCOMPARE(model.rowCount(), int(std::size(Rows)) + 1);
    QCOMPARE(model.indicator(row), GridModel::InsertIndicator);
    QCOMPARE(model.index(row, 9).data().toString(), u"(Memo)"_s);
    QCOMPARE(model.index(row + 1, 0).data().toString(), u"UA9"_s);
    QCOMPARE(fixture.stored(u"SELECT CQ FROM DXCC22 WHERE Prefix = 'UA9'"_s).toLongLong(), 18);
}

void TestTable::dataSourceAutoEdit()
{
    Fixture fixture;
    Table table;
    DataSource source;
    source.setDataSet(&table);
    QVERIFY(!source.edit()); // closed
    fixture.open(table);
    source.setAutoEdit(false);
    QVERIFY(!source.edit());
    QCOMPARE(table.state(), DatasetState::Browse);
    source.setAutoEdit(true);
    QVERIFY(source.edit());
    QCOMPARE(table.state(), DatasetState::Edit);
}

QTEST_APPLESS_MAIN(TestTable)
#include "tst_table.moc"
