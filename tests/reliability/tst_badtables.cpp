// SPDX-License-Identifier: MIT
// The window comes up on every kind of bad table beside the program, says what is wrong where
// something is, keeps working, and leaves the file as it was.
#include "DBMemo.h"
#include "ErrorReport.h"
#include "MessageDialog.h"
#include "ShownMessages.h"
#include "TForm1.h"
#include "Table.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const char *const Schema = "CREATE TABLE DXCC22 (Prefix VARCHAR(9) NOT NULL COLLATE NOCASE PRIMARY KEY, "
                           "Country VARCHAR(40), CQ INTEGER, F7 CLOB)";

void sql(const QString &path, const std::string &statements)
{
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    db.exec(statements);
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Lays out one kind of bad table in a new folder.
void makeCase(const QString &kind, const QString &folder)
{
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + u"/DXCC22.db"_s;
    if (kind == u"missing"_s) {
    } else if (kind == u"empty file"_s) {
        writeBytes(path, {});
    } else if (kind == u"random bytes"_s) {
        QByteArray bytes(65536, Qt::Uninitialized);
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 2654435761u) >> 13);
        writeBytes(path, bytes);
    } else if (kind == u"Paradox-era file"_s) {
        // A desktop-database table of the same name: a binary header, then fixed records.
        QByteArray bytes("\x96\x08\x00\x08\x00\x00\x00\x00\x01\x02\x04\x00\x00\x00", 14);
        bytes += QByteArray(2048 - bytes.size(), '\0') + QByteArray("UA9 Asiatic Russia").leftJustified(2048, ' ');
        writeBytes(path, bytes);
    } else if (kind == u"truncated"_s) {
        sql(path, Schema);
        std::string rows = "BEGIN;";
        for (int i = 0; i < 3000; ++i)
            rows += "INSERT INTO DXCC22 VALUES ('P" + std::to_string(i) + "', 'Country " + std::to_string(i)
                    + "', 1, '" + std::string(200, 'm') + "');";
        sql(path, rows + "COMMIT;");
        QFile file(path);
        QVERIFY(file.resize(file.size() / 2));
    } else if (kind == u"directory"_s) {
        QDir().mkpath(path);
    } else if (kind == u"no read permission"_s) {
        sql(path, std::string(Schema) + "; INSERT INTO DXCC22 VALUES ('UA9', 'Asiatic Russia', 17, 'x')");
        QFile::setPermissions(path, {});
    } else if (kind == u"read-only file"_s) {
        sql(path, std::string(Schema) + "; INSERT INTO DXCC22 VALUES ('UA9', 'Asiatic Russia', 17, 'x')");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    } else if (kind == u"read-only folder"_s) {
        sql(path, std::string(Schema) + "; INSERT INTO DXCC22 VALUES ('UA9', 'Asiatic Russia', 17, 'x')");
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
    } else if (kind == u"no table DXCC22"_s) {
        sql(path, "CREATE TABLE Prefixes (Prefix TEXT)");
    } else if (kind == u"no Prefix"_s) {
        sql(path, "CREATE TABLE DXCC22 (Call TEXT, F7 CLOB); INSERT INTO DXCC22 VALUES ('UA9', 'x')");
    } else if (kind == u"no F7"_s) {
        sql(path, "CREATE TABLE DXCC22 (Prefix TEXT, Country TEXT); INSERT INTO DXCC22 VALUES ('UA9', 'Asia')");
    } else if (kind == u"odd prefixes"_s) {
        sql(path, "CREATE TABLE DXCC22 (Prefix TEXT, Country TEXT, F7 CLOB);"
                  "INSERT INTO DXCC22 VALUES (NULL, 'null', NULL), ('', 'empty', NULL), ('ua9', 'lower', NULL), "
                  "('UA9', 'upper', NULL), ('UA', 'plain', NULL);"
                  "INSERT INTO DXCC22 VALUES (printf('%.10000c', 'U'), 'long', NULL)");
    } else if (kind == u"100 MB memo"_s) {
        sql(path, std::string(Schema) + "; INSERT INTO DXCC22 VALUES ('UA9', 'Asiatic Russia', 17, "
                                        "printf('%.104857600c', 'n')), ('K', 'United States', 5, 'short')");
    } else {
        qFatal("unknown case");
    }
}

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return QFileInfo(path).isDir() ? QByteArray("directory") : QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result();
}

} // namespace

class TestBadTables : public QObject
{
    Q_OBJECT
private slots:
    void windowComesUp_data();
    void windowComesUp();
    void theProgramItselfSurvives_data() { windowComesUp_data(); }
    void theProgramItselfSurvives();

};

void TestBadTables::windowComesUp_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("openError");   // what start-up reports; empty: nothing
    QTest::addColumn<QString>("searchResult"); // what searching ua9abc then shows
    const bool root = ::geteuid() == 0;
    const QString closed = u"Table1: Cannot perform this operation on a closed dataset."_s;
    QTest::newRow("missing") << u"missing"_s << u"unable to open database file"_s << closed;
    QTest::newRow("empty file") << u"empty file"_s << u"no such table: DXCC22"_s << closed;
    QTest::newRow("random bytes") << u"random bytes"_s << u"file is not a database."_s << closed;
    QTest::newRow("Paradox-era file") << u"Paradox-era file"_s << u"file is not a database."_s << closed;
    QTest::newRow("truncated") << u"truncated"_s << u"database disk image is malformed."_s << closed;
    QTest::newRow("directory") << u"directory"_s << u"unable to open database file"_s << closed;
    // An administrator reads any file; the missing write bits still keep it read-only.
    QTest::newRow("no read permission") << u"no read permission"_s
                                        << (root ? QString() : u"unable to open database file"_s)
                                        << (root ? u"found"_s : closed);
    QTest::newRow("read-only file") << u"read-only file"_s << QString() << u"found"_s;
    QTest::newRow("read-only folder") << u"read-only folder"_s << QString() << u"found"_s;
    QTest::newRow("no table DXCC22") << u"no table DXCC22"_s << u"no such table: DXCC22"_s << closed;
    QTest::newRow("no Prefix") << u"no Prefix"_s << QString() << u"Table1: Field 'Prefix' not found."_s;
    QTest::newRow("no F7") << u"no F7"_s << QString() << u"found"_s;
    QTest::newRow("odd prefixes") << u"odd prefixes"_s << QString() << u"found"_s;
    QTest::newRow("100 MB memo") << u"100 MB memo"_s << QString() << u"found"_s;
}

void TestBadTables::windowComesUp()
{
    QFETCH(QString, kind);
    QFETCH(QString, openError);
    QFETCH(QString, searchResult);
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"Папка с таблицей"_s);
    makeCase(kind, folder);
    if (QTest::currentTestFailed())
        return;
    const QString path = folder + u"/DXCC22.db"_s;
    const QByteArray before = fileHash(path);
    Shown shown;

    {
        TForm1 form(folder);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.Edit2->text(), folder + u"/DXCC22"_s);
        if (openError.isEmpty()) {
            QCOMPARE(shown.reportTexts(), QStringList());
            QVERIFY(form.Table1->isActive());
        } else {
            QCOMPARE(shown.reports.size(), 1);
            QVERIFY2(shown.reports.first().text.startsWith(openError), qPrintable(shown.reports.first().text));
            QVERIFY(!form.Table1->isActive());
        }
        shown.reports.clear();

        // The window keeps working: a search answers, or says why it cannot.
        form.Edit1->setText(u"ua9abc"_s);
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        if (searchResult == u"found"_s) {
            QCOMPARE(shown.reportTexts(), QStringList());
            QCOMPARE(shown.messageTexts(), QStringList());
            QVERIFY(form.Table1->value(u"Prefix"_s).toString().startsWith(u"ua9"_s, Qt::CaseInsensitive));
        } else {
            QCOMPARE(shown.reportTexts(), QStringList{searchResult});
        }
        QCOMPARE(form.Edit1->text(), u"UA9ABC"_s);
        if (kind == u"100 MB memo"_s) {
            // Too long to show: the memo says so, stays read-only and writes nothing back.
            QVERIFY(form.DBMemo1->exceedsCapacity());
            QCOMPARE(form.DBMemo1->toPlainText(), DBMemo::CapacityMessage);
            QVERIFY(form.DBMemo1->isReadOnly());
            form.DBMemo1->setFocus();
            QTest::keyClick(form.DBMemo1, Qt::Key_X);
            form.Table1->next();
            QCOMPARE(form.Table1->state(), DatasetState::Browse);
        }
        // Moving through whatever rows there are neither crashes nor changes anything.
        if (form.Table1->isActive()) {
            form.Table1->last();
            form.Table1->first();
            form.Table1->refresh();
        }
        QTest::mouseClick(form.Button3, Qt::LeftButton);
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(fileHash(path), before);
}

void TestBadTables::theProgramItselfSurvives()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"with space и кириллица"_s);
    makeCase(kind, folder);
    if (QTest::currentTestFailed())
        return;
    const QString path = folder + u"/DXCC22.db"_s;
    const QByteArray before = fileHash(path);
    const QString program = QFileInfo(QStringLiteral(PREFIXBOOK_PROGRAM)).fileName();
    if (kind == u"read-only folder"_s)
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(QFile::copy(QStringLiteral(PREFIXBOOK_PROGRAM), folder + u'/' + program));
    if (kind == u"read-only folder"_s)
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);

    // Started for real, from another working directory; an error report waits for its OK.
    QProcess process;
    process.setWorkingDirectory(QDir::rootPath());
    process.start(folder + u'/' + program, {});
    QVERIFY(process.waitForStarted());
    QVERIFY2(!process.waitForFinished(2000), qPrintable(QString::fromUtf8(process.readAllStandardError())));
    ::kill(pid_t(process.processId()), SIGTERM);
    QVERIFY(process.waitForFinished(10000));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(fileHash(path), before);
}

QTEST_MAIN(TestBadTables)
#include "tst_badtables.moc"
