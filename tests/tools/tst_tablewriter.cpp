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

PrefixRecord record(const QString &prefix, const QString &country, std::optional<int> dxcc)
{
    return PrefixRecord{prefix, country, dxcc, Place{u"EU"_s, 14, 27, 52.77, -1.47, 0.0}, country + u"\ncard"_s};
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

QTEST_APPLESS_MAIN(TestTableWriter)
#include "tst_tablewriter.moc"
