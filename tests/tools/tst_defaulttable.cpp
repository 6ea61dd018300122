// SPDX-License-Identifier: MIT
// The default prefix table as the build generates it from resources/cty/cty.csv.
#include <SQLiteCpp/SQLiteCpp.h>

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString tableFile = QStringLiteral(PREFIXBOOK_DEFAULT_TABLE);
const QString countryFile = QStringLiteral(PREFIXBOOK_COUNTRY_FILE);

QString text(const SQLite::Column &column)
{
    return QString::fromUtf8(column.getText());
}

} // namespace

class TestDefaultTable : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void plainSqliteFile();
    void schema();
    void constraintsAndIndex();
    void rows_data();
    void rows();
    void oneRowPerPrefix();
    void noRowsForExactCallsOrEntityMarks();
    void memo();

private:
    std::unique_ptr<SQLite::Database> m_db;
};

void TestDefaultTable::initTestCase()
{
    QVERIFY2(QFile::exists(tableFile), qPrintable(tableFile));
    m_db = std::make_unique<SQLite::Database>(QFile::encodeName(tableFile).toStdString(), SQLite::OPEN_READONLY);
}

void TestDefaultTable::plainSqliteFile()
{
    QFile file(tableFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(16), QByteArray("SQLite format 3", 16));
    // Bytes 18 and 19 are 1 for the rollback journal, 2 for WAL.
    file.seek(18);
    QCOMPARE(file.read(2), QByteArray("\x01\x01", 2));

    SQLite::Statement tables(*m_db, "SELECT name FROM sqlite_master WHERE type = 'table'");
    QStringList names;
    while (tables.executeStep())
        names << text(tables.getColumn(0));
    QCOMPARE(names, QStringList{u"DXCC22"_s});
}

void TestDefaultTable::schema()
{
    const int countryWidth = m_db->execAndGet("SELECT max(length(Country)) FROM DXCC22").getInt();
    QVERIFY(countryWidth >= 20);

    SQLite::Statement info(*m_db, "PRAGMA table_info(DXCC22)");
    QStringList columns;
    while (info.executeStep()) {
        columns << u"%1 %2 notnull=%3 pk=%4"_s.arg(text(info.getColumn("name")), text(info.getColumn("type")),
                                                   QString::number(info.getColumn("notnull").getInt()),
                                                   QString::number(info.getColumn("pk").getInt()));
    }
    QCOMPARE(columns, QStringList({
                          u"Prefix VARCHAR(9) notnull=1 pk=1"_s,
                          u"Country VARCHAR(%1) notnull=0 pk=0"_s.arg(countryWidth),
                          u"DXCC INTEGER notnull=0 pk=0"_s,
                          u"Continent CHAR(2) notnull=0 pk=0"_s,
                          u"CQ INTEGER notnull=0 pk=0"_s,
                          u"ITU INTEGER notnull=0 pk=0"_s,
                          u"Latitude REAL notnull=0 pk=0"_s,
                          u"Longitude REAL notnull=0 pk=0"_s,
                          u"UTC REAL notnull=0 pk=0"_s,
                          u"F7 CLOB notnull=0 pk=0"_s,
                      }));
}

void TestDefaultTable::constraintsAndIndex()
{
    // Lookups that ignore case are served by the primary key's index.
    SQLite::Statement plan(*m_db, "EXPLAIN QUERY PLAN SELECT * FROM DXCC22 WHERE Prefix = 'ua9'");
    QVERIFY(plan.executeStep());
    QVERIFY2(text(plan.getColumn("detail")).contains(u"USING INDEX"_s), plan.getColumn("detail").getText());
    QCOMPARE(text(m_db->execAndGet("SELECT Prefix FROM DXCC22 WHERE Prefix = 'ua9'")), u"UA9"_s);

    // The constraints hold for a writer without any function of this program: try them on a copy.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString copy = dir.filePath(u"DXCC22.db"_s);
    QVERIFY(QFile::copy(tableFile, copy));
    QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    SQLite::Database db(QFile::encodeName(copy).toStdString(), SQLite::OPEN_READWRITE);
    for (const char *prefix : {"", "ua9", "Ua9"}) {
        SQLite::Statement insert(db, "INSERT INTO DXCC22 (Prefix, Country) VALUES (?, 'Test')");
        insert.bind(1, prefix);
        QVERIFY_THROWS_EXCEPTION(SQLite::Exception, insert.exec());
    }
    SQLite::Statement nullPrefix(db, "INSERT INTO DXCC22 (Prefix, Country) VALUES (NULL, 'Test')");
    QVERIFY_THROWS_EXCEPTION(SQLite::Exception, nullPrefix.exec());
    QCOMPARE(db.exec("INSERT INTO DXCC22 (Prefix, Country) VALUES ('QZ', 'Test')"), 1);
}

void TestDefaultTable::rows_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("country");
    QTest::addColumn<int>("dxcc");
    QTest::addColumn<QString>("continent");
    QTest::addColumn<int>("cq");
    QTest::addColumn<int>("itu");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    QTest::addColumn<double>("utc");

    QTest::newRow("UA9") << u"UA9"_s << u"Asiatic Russia"_s << 15 << u"AS"_s << 17 << 30 << 55.88 << 84.08 << 7.0;
    QTest::newRow("UA0 with its own zones")
        << u"UA0"_s << u"Asiatic Russia"_s << 15 << u"AS"_s << 19 << 33 << 55.88 << 84.08 << 7.0;
    QTest::newRow("R9X of European Russia")
        << u"R9X"_s << u"European Russia"_s << 54 << u"EU"_s << 17 << 20 << 53.65 << 41.37 << 4.0;
    QTest::newRow("K") << u"K"_s << u"United States"_s << 291 << u"NA"_s << 5 << 8 << 37.60 << -91.87 << -5.0;
    QTest::newRow("KH6") << u"KH6"_s << u"Hawaii"_s << 110 << u"OC"_s << 31 << 61 << 21.12 << -157.48 << -10.0;
    QTest::newRow("3D2") << u"3D2"_s << u"Fiji"_s << 176 << u"OC"_s << 32 << 56 << -17.78 << 177.92 << 12.0;
    QTest::newRow("VU") << u"VU"_s << u"India"_s << 324 << u"AS"_s << 22 << 41 << 22.50 << 77.58 << 5.5;
    QTest::newRow("CE9") << u"CE9"_s << u"South Shetland Islands"_s << 241 << u"SA"_s << 13 << 73 << -62.08 << -58.67
                         << -4.0;
    QTest::newRow("G") << u"G"_s << u"England"_s << 223 << u"EU"_s << 14 << 27 << 52.77 << -1.47 << 0.0;
    QTest::newRow("IT9 of the marked Sicily")
        << u"IT9"_s << u"Sicily"_s << 248 << u"EU"_s << 15 << 28 << 37.50 << 14.00 << 1.0;
}

void TestDefaultTable::rows()
{
    QFETCH(QString, prefix);
    SQLite::Statement query(*m_db, "SELECT Prefix, Country, DXCC, Continent, CQ, ITU, Latitude, Longitude, UTC, F7 "
                                   "FROM DXCC22 WHERE Prefix = ?");
    query.bind(1, prefix.toLower().toStdString());
    QVERIFY2(query.executeStep(), qPrintable(prefix));
    QCOMPARE(text(query.getColumn(0)), prefix);
    QTEST(text(query.getColumn(1)), "country");
    QVERIFY(query.getColumn(2).isInteger());
    QTEST(query.getColumn(2).getInt(), "dxcc");
    QTEST(text(query.getColumn(3)), "continent");
    QTEST(query.getColumn(4).getInt(), "cq");
    QTEST(query.getColumn(5).getInt(), "itu");
    QVERIFY(query.getColumn(6).isFloat());
    QTEST(query.getColumn(6).getDouble(), "latitude");
    QTEST(query.getColumn(7).getDouble(), "longitude");
    QTEST(query.getColumn(8).getDouble(), "utc");
    QVERIFY(query.getColumn(9).isText());
    QVERIFY(!query.executeStep());
}

void TestDefaultTable::oneRowPerPrefix()
{
    // Counted here from the file itself: the prefixes (not "=CALL") of the last field, overrides cut.
    QFile file(countryFile);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QSet<QString> prefixes;
    int written = 0;
    const QRegularExpression override(u"[(\\[<{~].*"_s);
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty())
            continue;
        const QString list = line.section(u',', 9).chopped(1);
        for (QString item : list.split(u' ', Qt::SkipEmptyParts)) {
            if (item.startsWith(u'='))
                continue;
            ++written;
            prefixes.insert(item.remove(override).toUpper());
        }
    }
    QVERIFY(written > 5000);
    QCOMPARE(m_db->execAndGet("SELECT count(*) FROM DXCC22").getInt(), int(prefixes.size()));
    QCOMPARE(m_db->execAndGet("SELECT count(DISTINCT upper(Prefix)) FROM DXCC22").getInt(), int(prefixes.size()));
}

void TestDefaultTable::noRowsForExactCallsOrEntityMarks()
{
    // =3D2C is Conway Reef's only kind of entry; 3D2/c and *IT9 name entities; =4U1A is a callsign.
    SQLite::Statement query(*m_db, "SELECT count(*) FROM DXCC22 WHERE Prefix IN ('3D2C', '3D2/c', '*IT9', '4U1A') "
                                   "OR Prefix LIKE '=%' OR Prefix LIKE '*%' OR Country = 'Conway Reef'");
    QVERIFY(query.executeStep());
    QCOMPARE(query.getColumn(0).getInt(), 0);
}

void TestDefaultTable::memo()
{
    QCOMPARE(text(m_db->execAndGet("SELECT F7 FROM DXCC22 WHERE Prefix = 'UA0'")),
             u"Asiatic Russia\nDXCC entity 15\nContinent: Asia (AS)\nCQ zone 19, ITU zone 33\n"
             "Position: 55.88° N, 84.08° E\nLocal time: UTC+7"_s);
    QCOMPARE(text(m_db->execAndGet("SELECT F7 FROM DXCC22 WHERE Prefix = 'CE9'")),
             u"South Shetland Islands\nDXCC entity 241\nContinent: South America (SA)\nCQ zone 13, ITU zone 73\n"
             "Position: 62.08° S, 58.67° W\nLocal time: UTC-4"_s);
}

QTEST_APPLESS_MAIN(TestDefaultTable)
#include "tst_defaulttable.moc"
