// SPDX-License-Identifier: MIT
#include "ApplicationTitle.h"
#include "DatabaseError.h"
#include "ErrorReport.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestErrorReport : public QObject
{
    Q_OBJECT
private slots:
    void fullStopRule_data();
    void fullStopRule();
    void messageOfAnError();
    void applicationTitleFromExecutable_data();
    void applicationTitleFromExecutable();
};

void TestErrorReport::fullStopRule_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");

    QTest::newRow("ends in a letter") << u"Table1: Field 'Prefix' not found"_s << u"Table1: Field 'Prefix' not found."_s;
    QTest::newRow("ends in a full stop") << u"Done."_s << u"Done."_s;
    QTest::newRow("exclamation mark") << u"Stop!"_s << u"Stop!"_s;
    QTest::newRow("closing parenthesis") << u"error (0x2B04)"_s << u"error (0x2B04)"_s;
    QTest::newRow("space") << u"trailing "_s << u"trailing "_s;
    QTest::newRow("line break") << u"line\n"_s << u"line\n"_s;
    QTest::newRow("hyphen, below the stop") << u"a -"_s << u"a -"_s;
    QTest::newRow("slash, just above the stop") << u"path /"_s << u"path /."_s;
    QTest::newRow("digit") << u"error 42"_s << u"error 42."_s;
    QTest::newRow("quote") << u"file 'x'"_s << u"file 'x'"_s;
    QTest::newRow("double quote") << u"file \"x\""_s << u"file \"x\""_s;
    QTest::newRow("Cyrillic letter") << u"Ошибка"_s << u"Ошибка."_s;
    QTest::newRow("ellipsis (0x85 in Windows-1251)") << u"wait…"_s << u"wait…."_s;
    QTest::newRow("no Windows-1251 code") << u"日本"_s << u"日本."_s;
    QTest::newRow("empty") << QString() << QString();
}

void TestErrorReport::fullStopRule()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(errorReportText(message), shown);
}

void TestErrorReport::messageOfAnError()
{
    const auto messageOf = [](auto &&error) { return errorMessage(std::make_exception_ptr(error)); };
    QCOMPARE(messageOf(DatabaseError(u"Поле не найдено"_s)), u"Поле не найдено"_s);
    QCOMPARE(messageOf(std::runtime_error("Файл занят")), u"Файл занят"_s);
    QCOMPARE(messageOf(42), u"Unknown error"_s);
}

void TestErrorReport::applicationTitleFromExecutable_data()
{
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("title");

    QTest::newRow("program") << u"/opt/prefixbook/prefixbook"_s << u"Prefixbook"_s;
    QTest::newRow("upper case with extension") << u"C:/PB/PREFIXBOOK.EXE"_s << u"Prefixbook"_s;
    QTest::newRow("cut at the first full stop") << u"/usr/bin/pb.v2.run"_s << u"Pb"_s;
    QTest::newRow("folder with a full stop") << u"/home/a.b/tool"_s << u"Tool"_s;
    QTest::newRow("Cyrillic") << u"/opt/СПРАВОЧНИК"_s << u"Справочник"_s;
    QTest::newRow("hidden file") << u"/tmp/.run"_s << QString();
}

void TestErrorReport::applicationTitleFromExecutable()
{
    QFETCH(QString, executable);
    QFETCH(QString, title);
    QCOMPARE(applicationTitle(executable), title);
}

QTEST_APPLESS_MAIN(TestErrorReport)
#include "tst_errorreport.moc"
