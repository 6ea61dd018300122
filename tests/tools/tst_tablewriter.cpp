// SPDX-License-Identifier: MIT
#include "ImportError.h"
#include "TableWriter.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

PrefixRecord record(const QString &prefix, const QString &country, std::optional<int> dxcc, int cqZone = 14)
{
    return PrefixRecord{prefix, country, dxcc, Place{u"EU"_s, cqZone, 27, 52.77, -1.47, 0.0}, country + u"\ncard"_s};
}

// Every row of the table as "field=value|..." in prefix order, NULL written as such.
QStringList dump(const QString &fileName, const char *table = "DXCC22")
{
    SQLite::Database db(QFile::encodeName(fileName).toStdString());
    SQLite::Statement query(db, std::string("SELECT * FROM ") + table + " ORDER BY Prefix");
    QStringList rows;
    while (query.executeStep()) {
        QStringList values;
        for (int i = 0; i < query.getColumnCount(); ++i) {
            const SQLite::Column column = query.getColumn(i);
            values << u"%1=%2"_s.arg(QString::fromUtf8(column.getName()),
                                     column.isNull() ? u"NULL"_s : QString::fromUtf8(column.getText()));
        }
        rows << values.join(u'|');
    }
    return rows;
}

QByteArray contents(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::string native(const QString &fileName)
{
    return QFile::encodeName(fileName).toStdString();
}

} // namespace

class TestTableWriter : public QObject
{
    Q_OBJECT
private slots:
    void tableNameFromFile_data();
    void tableNameFromFile();
    void writesRecords();
    void replacesExistingFile();
    void failureKeepsExistingFile();
    void refreshMerges();
    void refreshFillsOnlyTheTablesFields();
    void refreshFailures_data();
    void refreshFailures();
};

void TestTableWriter::tableNameFromFile_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("table");
    QTest::newRow("default") << u"/opt/prefixbook/DXCC22.db"_s << u"DXCC22"_s;
    QTest::newRow("dots in the name") << u"my.prefixes.db"_s << u"my.prefixes"_s;
}

void TestTableWriter::tableNameFromFile()
{
    QFETCH(QString, fileName);
    QTEST(TableWriter::tableName(fileName), "table");
}

void TestTableWriter::writesRecords()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A name that needs quoting in SQL.
    const QString fileName = dir.filePath(u"my \"prefixes\".db"_s);
    TableWriter::create(fileName, {record(u"G"_s, u"England"_s, 223), record(u"2E"_s, u"England"_s, std::nullopt),
                                   record(u"GM"_s, u"Scotland"_s, 279)});

    SQLite::Database db(native(fileName));
    SQLite::Statement query(db, "SELECT Prefix, Country, DXCC, Continent, CQ, ITU, Latitude, Longitude, UTC, F7 "
                                "FROM \"my \"\"prefixes\"\"\" ORDER BY rowid");
    QStringList rows;
    while (query.executeStep()) {
        QStringList values;
        for (int i = 0; i < query.getColumnCount(); ++i)
            values << (query.getColumn(i).isNull() ? u"NULL"_s : QString::fromUtf8(query.getColumn(i).getText()));
        rows << values.join(u'|');
    }
    QCOMPARE(rows, QStringList({u"G|England|223|EU|14|27|52.77|-1.47|0.0|England\ncard"_s,
                                u"2E|England|NULL|EU|14|27|52.77|-1.47|0.0|England\ncard"_s,
                                u"GM|Scotland|279|EU|14|27|52.77|-1.47|0.0|Scotland\ncard"_s}));
    QCOMPARE(QString::fromUtf8(db.execAndGet("SELECT type FROM pragma_table_info('my \"prefixes\"') "
                                             "WHERE name = 'Country'").getText()),
             u"VARCHAR(8)"_s);
    // Nothing but the table is left in the folder.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"my \"prefixes\".db"_s});
}

void TestTableWriter::replacesExistingFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fileName = dir.filePath(u"DXCC22.db"_s);
    {
        SQLite::Database old(native(fileName), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        old.exec("CREATE TABLE DXCC22 (Prefix TEXT, Notes TEXT); CREATE TABLE Other (x); "
                 "INSERT INTO DXCC22 VALUES ('ZZ', 'old')");
    }
    TableWriter::create(fileName, {record(u"G"_s, u"England"_s, 223)});

    SQLite::Database db(native(fileName));
    QCOMPARE(db.execAndGet("SELECT group_concat(name) FROM sqlite_master WHERE type = 'table'").getString(),
             std::string("DXCC22"));
    QCOMPARE(db.execAndGet("SELECT group_concat(Prefix) FROM DXCC22").getString(), std::string("G"));
}

void TestTableWriter::failureKeepsExistingFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fileName = dir.filePath(u"DXCC22.db"_s);
    TableWriter::create(fileName, {record(u"G"_s, u"England"_s, 223)});
    const QByteArray before = contents(fileName);
    QVERIFY(!before.isEmpty());

    // Prefixes unique only with regard to case break the primary key halfway through the writing.
    try {
        TableWriter::create(fileName, {record(u"GM"_s, u"Scotland"_s, 279), record(u"gm"_s, u"Scotland"_s, 279)});
        QFAIL("no error");
    } catch (const ImportError &e) {
        QCOMPARE(e.message(), fileName + u": UNIQUE constraint failed: DXCC22.Prefix"_s);
    }
    QCOMPARE(contents(fileName), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"DXCC22.db"_s});
}

void TestTableWriter::refreshMerges()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fileName = dir.filePath(u"DXCC22.db"_s);
    TableWriter::create(fileName, {record(u"G"_s, u"England"_s, 223), record(u"GM"_s, u"Scotland"_s, 279),
                                   record(u"MM"_s, u"Scotland"_s, 279)});
    {
        // The user's own work: a memo, an added column, a prefix of their own.
        SQLite::Database db(native(fileName), SQLite::OPEN_READWRITE);
        db.exec("ALTER TABLE DXCC22 ADD COLUMN Notes TEXT DEFAULT 'none';"
                "UPDATE DXCC22 SET F7 = 'my memo', Notes = 'worked 1998' WHERE Prefix = 'G';"
                "INSERT INTO DXCC22 (Prefix, Country, F7) VALUES ('GB', 'Special events', 'mine')");
    }

    // G's CQ zone changed; gm is GM without regard to case; MM and GB are gone; GD is new.
    const QList<PrefixRecord> file = {record(u"G"_s, u"England"_s, 223, 15), record(u"gm"_s, u"Scotland"_s, 279),
                                      record(u"GD"_s, u"Isle of Man"_s, 114)};
    QCOMPARE(TableWriter::refresh(fileName, file, true).text(), u"added 1, updated 1, kept 2, unchanged 1"_s);

    QCOMPARE(dump(fileName),
             QStringList({u"Prefix=G|Country=England|DXCC=223|Continent=EU|CQ=15|ITU=27|Latitude=52.77|"
                          "Longitude=-1.47|UTC=0.0|F7=my memo|Notes=worked 1998"_s,
                          u"Prefix=GB|Country=Special events|DXCC=NULL|Continent=NULL|CQ=NULL|ITU=NULL|"
                          "Latitude=NULL|Longitude=NULL|UTC=NULL|F7=mine|Notes=none"_s,
                          u"Prefix=GD|Country=Isle of Man|DXCC=114|Continent=EU|CQ=14|ITU=27|Latitude=52.77|"
                          "Longitude=-1.47|UTC=0.0|F7=Isle of Man\ncard|Notes=none"_s,
                          u"Prefix=GM|Country=Scotland|DXCC=279|Continent=EU|CQ=14|ITU=27|Latitude=52.77|"
                          "Longitude=-1.47|UTC=0.0|F7=Scotland\ncard|Notes=none"_s,
                          u"Prefix=MM|Country=Scotland|DXCC=279|Continent=EU|CQ=14|ITU=27|Latitude=52.77|"
                          "Longitude=-1.47|UTC=0.0|F7=Scotland\ncard|Notes=none"_s}));

    // A file without entity numbers (cty.dat) leaves the stored ones alone.
    QList<PrefixRecord> withoutNumbers = file;
    for (PrefixRecord &r : withoutNumbers)
        r.dxcc.reset();
    const QStringList before = dump(fileName);
    QCOMPARE(TableWriter::refresh(fileName, withoutNumbers, false).text(), u"added 0, updated 0, kept 2, unchanged 3"_s);
    QCOMPARE(dump(fileName), before);
}

void TestTableWriter::refreshFillsOnlyTheTablesFields()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fileName = dir.filePath(u"Mine.db"_s);
    {
        SQLite::Database db(native(fileName), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("CREATE TABLE Mine (prefix TEXT PRIMARY KEY, cq INTEGER, Remark TEXT);"
                "INSERT INTO Mine VALUES ('G', 14, 'home')");
    }
    QCOMPARE(TableWriter::refresh(fileName, {record(u"G"_s, u"England"_s, 223, 15), record(u"GM"_s, u"Scotland"_s, 279)},
                                  true)
                 .text(),
             u"added 1, updated 1, kept 0, unchanged 0"_s);
    QCOMPARE(dump(fileName, "Mine"),
             QStringList({u"prefix=G|cq=15|Remark=home"_s, u"prefix=GM|cq=14|Remark=NULL"_s}));
}

void TestTableWriter::refreshFailures_data()
{
    QTest::addColumn<QByteArray>("schema");
    QTest::addColumn<QString>("message"); // after "FILE: "

    QTest::newRow("no such table") << QByteArray("CREATE TABLE Other (Prefix TEXT)")
                                   << u"the file holds no table DXCC22"_s;
    QTest::newRow("no Prefix field") << QByteArray("CREATE TABLE DXCC22 (Call TEXT, CQ INTEGER)")
                                     << u"the table DXCC22 has no field 'Prefix'"_s;
    // The update of G goes through before the new GM breaks the user's own rule: all is undone.
    QTest::newRow("a user's constraint fails halfway")
        << QByteArray("CREATE TABLE DXCC22 (Prefix TEXT PRIMARY KEY, CQ INTEGER, Owner TEXT NOT NULL);"
                      "INSERT INTO DXCC22 VALUES ('G', 14, 'me')")
        << u"NOT NULL constraint failed: DXCC22.Owner"_s;
    QTest::newRow("not a database") << QByteArray() << u"file is not a database"_s;
}

void TestTableWriter::refreshFailures()
{
    QFETCH(QByteArray, schema);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fileName = dir.filePath(u"DXCC22.db"_s);
    if (schema.isEmpty()) {
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("G,England,223,EU,14,27,52.77,1.47,0.0,G;\n");
    } else {
        SQLite::Database db(native(fileName), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec(schema.constData());
    }
    const QByteArray before = contents(fileName);

    try {
        TableWriter::refresh(fileName, {record(u"G"_s, u"England"_s, 223, 15), record(u"GM"_s, u"Scotland"_s, 279)},
                             true);
        QFAIL("no error");
    } catch (const ImportError &e) {
        QFETCH(QString, message);
        QCOMPARE(e.message(), fileName + u": "_s + message);
    }
    QCOMPARE(contents(fileName), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"DXCC22.db"_s});
}

QTEST_APPLESS_MAIN(TestTableWriter)
#include "tst_tablewriter.moc"
