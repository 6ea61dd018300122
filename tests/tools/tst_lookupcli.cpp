// SPDX-License-Identifier: MIT
// prefixbook-cli lookup answers as the window's search does, for arguments and standard input.
#include "Cli.h"
#include "PrefixSearch.h"
#include "Table.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Run
{
    int exitCode = -1;
    QString output;
    QString errors;
};

Run runLookup(const QStringList &arguments, const QByteArray &input = {})
{
    QByteArray inputCopy = input;
    std::FILE *in = inputCopy.isEmpty() ? std::fopen("/dev/null", "r")
                                        : fmemopen(inputCopy.data(), size_t(inputCopy.size()), "r");
    char *outBuffer = nullptr;
    size_t outSize = 0;
    std::FILE *out = open_memstream(&outBuffer, &outSize);
    QString console, errors;
    QTextStream consoleStream(&console), errorStream(&errors);
    Run run;
    run.exitCode = runCli(QStringList{u"lookup"_s} + arguments, QString(), consoleStream, errorStream, in, out);
    std::fclose(in);
    std::fclose(out);
    errorStream.flush();
    run.output = QString::fromUtf8(outBuffer, qsizetype(outSize));
    run.errors = errors;
    std::free(outBuffer);
    return run;
}

class Fixture
{
public:
    Fixture()
    {
        SQLite::Database db(path().toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("CREATE TABLE DXCC22 (Prefix VARCHAR(9) NOT NULL COLLATE NOCASE PRIMARY KEY, Country VARCHAR(40), "
                "CQ INTEGER, Latitude REAL, F7 CLOB);"
                "INSERT INTO DXCC22 VALUES ('U', 'Russia', 16, 55.5, NULL), ('UA', 'European Russia', 16, 55.75, "
                "'line one\nline two\twith a tab \\ and a backslash'), ('UA3', 'Central Russia', 16, 55.75, ''), "
                "('UA9', 'Asiatic Russia', 17, 55, 'Siberia'), ('УА3', 'Cyrillic', 16, NULL, NULL), "
                "('ABCDEFGHI', 'Nine', 1, 1, NULL), ('K', 'United States', 5, 37.6, NULL)");
    }
    QString path() const { return dir.filePath(u"DXCC22.db"_s); }
    QString tableName() const { return dir.filePath(u"DXCC22"_s); }
    QTemporaryDir dir;
};

} // namespace

class TestLookupCli : public QObject
{
    Q_OBJECT
private slots:
    void answersAsTheWindowsSearch_data();
    void answersAsTheWindowsSearch();
    void printsWholeRowsEscaped();
    void readsStandardInput();
    void errors_data();
    void errors();
};

void TestLookupCli::answersAsTheWindowsSearch_data()
{
    QTest::addColumn<QString>("callsign");
    for (const char *call : {"ua3abc", "UA9XYZ", "ua", "u", "K1ABC", "kh6", "уа3абв", "УА3", "abcdefghijklmnopqrstuvwx",
                             "abcdefghijklmnopqrstuvwxyz0123", "dl1abc", "UA9/DL1ABC/P", "q", "ЖЖ3"})
        QTest::newRow(call) << QString::fromUtf8(call);
}

void TestLookupCli::answersAsTheWindowsSearch()
{
    QFETCH(QString, callsign);
    Fixture fixture;
    // The window's way: the search with Locate on the table.
    Table table;
    table.setTableName(fixture.tableName());
    table.open();
    const auto key = findPrefix(callsign, [&](const QString &k) { return table.locate(u"Prefix"_s, k); });
    const QString expected = key ? table.value(u"Prefix"_s).toString() : QString();

    const Run run = runLookup({u"--table"_s, fixture.path(), callsign});
    const QStringList fields = run.output.chopped(1).split(u'\t');
    QCOMPARE(fields.first(), callsign);
    if (key) {
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(fields.value(1), expected);
    } else {
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(fields, (QStringList{callsign, u"not found"_s}));
    }
}

void TestLookupCli::printsWholeRowsEscaped()
{
    Fixture fixture;
    const Run run = runLookup({u"--table"_s, fixture.tableName(), u"ua1aa"_s, u"UA9AA"_s, u"ua3x"_s});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.output,
             u"ua1aa\tUA\tEuropean Russia\t16\t55.75\tline one\\nline two\\twith a tab \\\\ and a backslash\n"
             "UA9AA\tUA9\tAsiatic Russia\t17\t55\tSiberia\n"
             "ua3x\tUA3\tCentral Russia\t16\t55.75\t\n"_s);
}

void TestLookupCli::readsStandardInput()
{
    Fixture fixture;
    QByteArray input;
    QString expected;
    // Many lines, Windows line ends, blank lines and spaces around, and no line end at the end.
    for (int i = 0; i < 20000; ++i) {
        const QByteArray call = (i % 3 == 0) ? "  ua9a" + QByteArray::number(i) : "dl" + QByteArray::number(i);
        input += call + (i % 2 ? "\r\n" : "\n\n");
        const QString trimmedCall = QString::fromLatin1(call.trimmed());
        expected += trimmedCall + (i % 3 == 0 ? u"\tUA9\tAsiatic Russia\t17\t55\tSiberia\n"_s : u"\tnot found\n"_s);
    }
    input += "k9zz";
    expected += u"k9zz\tK\tUnited States\t5\t37.6\t\n"_s;
    const Run run = runLookup({u"--table"_s, fixture.path()}, input);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.output.size(), expected.size());
    QCOMPARE(run.output, expected);

    const Run allFound = runLookup({u"--table"_s, fixture.path()}, "ua9a\nk1\n");
    QCOMPARE(allFound.exitCode, 0);
}

void TestLookupCli::errors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing table") << QStringList{u"K"_s} << u"none"_s << u"unable to open database file"_s;
    QTest::newRow("no Prefix") << QStringList{u"K"_s} << u"no-prefix"_s << u"Field 'Prefix' not found"_s;
    QTest::newRow("not a database") << QStringList{u"K"_s} << u"garbage"_s << u"file is not a database"_s;
    QTest::newRow("unknown option") << QStringList{u"--fast"_s} << u"none"_s << u"unknown option '--fast'"_s;
    QTest::newRow("--table alone") << QStringList{u"--table"_s} << u"none"_s << u"--table needs a TABLE"_s;
}

void TestLookupCli::errors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, setup);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"DXCC22.db"_s);
    if (setup == u"no-prefix"_s) {
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("CREATE TABLE DXCC22 (Call TEXT, F7 CLOB); INSERT INTO DXCC22 VALUES ('K', NULL)");
    } else if (setup == u"garbage"_s) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(2048, 'P'));
    }
    const Run run = runLookup(QStringList{u"--table"_s, path} + arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.errors.contains(message), qPrintable(run.errors));
    QVERIFY(run.output.isEmpty());
}

QTEST_APPLESS_MAIN(TestLookupCli)
#include "tst_lookupcli.moc"
