// SPDX-License-Identifier: MIT
#include "Cli.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QStringList &arguments, const QString &programDir = QString())
{
    Run result;
    QTextStream out(&result.out);
    QTextStream err(&result.err);
    result.exitCode = runCli(arguments, programDir, out, err);
    out.flush();
    err.flush();
    return result;
}

bool writeFile(const QString &fileName, const QByteArray &bytes)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray contents(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray countryFile = "G,England,223,EU,14,27,52.77,1.47,0.0,G 2E M =GB0ABC;\n"
                               "GM,Scotland,279,EU,14,27,56.82,4.18,0.0,GM 2M MM =GB2ABC;\n"
                               "*GM/s,Shetland Islands,279,EU,14,27,60.50,1.50,0.0,MM =GB0SI;\n";

} // namespace

class TestPrefixbookCli : public QObject
{
    Q_OBJECT
private slots:
    void usage_data();
    void usage();
    void importCreatesTable();
    void importDefaultsBesideProgram();
    void malformedFileChangesNothing_data();
    void malformedFileChangesNothing();
};

void TestPrefixbookCli::usage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    const auto error = [](const char *what) {
        return u"prefixbook-cli: %1\nTry 'prefixbook-cli --help'.\n"_s.arg(QString::fromUtf8(what));
    };
    QTest::newRow("nothing") << QStringList{} << 2 << QString() << error("no command given");
    QTest::newRow("unknown command") << QStringList{u"export"_s} << 2 << QString()
                                     << error("unknown command 'export'");
    QTest::newRow("import without file") << QStringList{u"import"_s} << 2 << QString()
                                         << error("import needs a COUNTRY-FILE");
    QTest::newRow("unknown option") << QStringList{u"import"_s, u"--force"_s, u"cty.csv"_s} << 2 << QString()
                                    << error("unknown option '--force'");
    QTest::newRow("too many operands") << QStringList{u"import"_s, u"a"_s, u"b"_s, u"c"_s} << 2 << QString()
                                       << error("import takes COUNTRY-FILE and TABLE, not 'c'");
    QTest::newRow("version") << QStringList{u"--version"_s} << 0
                             << u"prefixbook-cli %1\n"_s.arg(QStringLiteral(PREFIXBOOK_VERSION)) << QString();
    QTest::newRow("missing country file") << QStringList{u"import"_s, u"/nonexistent/cty.csv"_s, u"x"_s} << 1
                                          << QString()
                                          << u"prefixbook-cli: /nonexistent/cty.csv: cannot open the file: "
                                             "No such file or directory\n"_s;
}

void TestPrefixbookCli::usage()
{
    QFETCH(QStringList, arguments);
    const Run result = run(arguments);
    QTEST(result.exitCode, "exitCode");
    QTEST(result.out, "out");
    QTEST(result.err, "err");
}

void TestPrefixbookCli::importCreatesTable()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString source = dir.filePath(u"cty.csv"_s);
    QVERIFY(writeFile(source, countryFile));

    // ".db" is added to a table name without it; the table is named after the file.
    const Run result = run({u"import"_s, source, dir.filePath(u"Prefixes"_s)});
    QCOMPARE(result.err, QString());
    QCOMPARE(result.exitCode, 0);
    const QString table = dir.filePath(u"Prefixes.db"_s);
    QVERIFY2(result.out.startsWith(u"%1:3: skipped prefix MM of Shetland Islands: already a prefix of Scotland\n"
                                  "%2: created table Prefixes with 6 prefixes of 3 entities; skipped 1 duplicate "
                                  "prefixes and 3 exact callsigns ("_s.arg(source, table)),
              qPrintable(result.out));

    {
        SQLite::Database db(QFile::encodeName(table).toStdString());
        QCOMPARE(db.execAndGet("SELECT group_concat(row, ' ') FROM "
                               "(SELECT Prefix || '=' || Country AS row FROM Prefixes ORDER BY rowid)")
                     .getString(),
                 std::string("G=England 2E=England M=England GM=Scotland 2M=Scotland MM=Scotland"));
    }

    // An existing table is refreshed unless asked to be created anew.
    const Run again = run({u"import"_s, source, table});
    QCOMPARE(again.err, QString());
    QCOMPARE(again.exitCode, 0);
    QVERIFY2(again.out.endsWith(u"\nadded 0, updated 0, kept 0, unchanged 6\n"_s), qPrintable(again.out));
    QVERIFY(writeFile(source, "G,England,223,EU,14,27,52.77,1.47,0.0,G;\n"));
    QCOMPARE(run({u"import"_s, u"--replace"_s, source, table}).exitCode, 0);
    SQLite::Database db(QFile::encodeName(table).toStdString());
    QCOMPARE(db.execAndGet("SELECT group_concat(Prefix) FROM Prefixes").getString(), std::string("G"));
}

void TestPrefixbookCli::importDefaultsBesideProgram()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString source = dir.filePath(u"cty.dat"_s);
    QVERIFY(writeFile(source, "England: 14: 27: EU: 52.77: 1.47: 0.0: G:\n    G,2E,M;\n"));
    const QString programDir = dir.filePath(u"bin"_s);
    QVERIFY(QDir().mkpath(programDir));

    QCOMPARE(run({u"import"_s, source}, programDir).exitCode, 0);
    SQLite::Database db(QFile::encodeName(programDir + u"/DXCC22.db"_s).toStdString());
    QCOMPARE(db.execAndGet("SELECT count(*) FROM DXCC22 WHERE DXCC IS NULL").getInt(), 3);
}

void TestPrefixbookCli::malformedFileChangesNothing_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("refresh") << QStringList{};
    QTest::newRow("replace") << QStringList{u"--replace"_s};
}

void TestPrefixbookCli::malformedFileChangesNothing()
{
    QFETCH(QStringList, options);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString source = dir.filePath(u"cty.csv"_s);
    const QString table = dir.filePath(u"DXCC22.db"_s);
    QVERIFY(writeFile(source, countryFile));
    QCOMPARE(run({u"import"_s, source, table}).exitCode, 0);
    const QByteArray before = contents(table);

    // A good first line that would change the table, then a broken one.
    QVERIFY(writeFile(source, "G,England,223,EU,15,27,52.77,1.47,0.0,G GX;\n"
                              "GD,Isle of Man,114,EU,14,27,54.20,4.53,0.0,GD(14;\n"));
    const Run result = run(QStringList{u"import"_s} + options + QStringList{source, table});
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(result.err, u"prefixbook-cli: %1:2: 'GD(14' lacks the closing ')'\n"_s.arg(source));
    QCOMPARE(contents(table), before);
    QStringList files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    files.sort();
    QCOMPARE(files, QStringList({u"DXCC22.db"_s, u"cty.csv"_s}));
}

QTEST_APPLESS_MAIN(TestPrefixbookCli)
#include "tst_prefixbookcli.moc"
