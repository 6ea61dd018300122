// SPDX-License-Identifier: MIT
#include "TerminalProgress.h"

#include <QTest>
#include <QThread>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

class TestTerminalProgress : public QObject
{
    Q_OBJECT
private slots:
    void bar_data();
    void bar();
    void silentWhenNotATerminal();
};

void TestTerminalProgress::bar_data()
{
    QTest::addColumn<qsizetype>("done");
    QTest::addColumn<qsizetype>("total");
    QTest::addColumn<QString>("expected");
    QTest::newRow("start") << qsizetype(0) << qsizetype(10) << u"[..........]   0% 0/10"_s;
    QTest::newRow("half") << qsizetype(5) << qsizetype(10) << u"[#####.....]  50% 5/10"_s;
    QTest::newRow("rounds down") << qsizetype(2) << qsizetype(3) << u"[######....]  66% 2/3"_s;
    QTest::newRow("done") << qsizetype(10) << qsizetype(10) << u"[##########] 100% 10/10"_s;
    QTest::newRow("past the end") << qsizetype(12) << qsizetype(10) << u"[##########] 100% 10/10"_s;
    QTest::newRow("nothing to do") << qsizetype(0) << qsizetype(0) << u"[##########] 100% 0/0"_s;
}

void TestTerminalProgress::bar()
{
    QFETCH(qsizetype, done);
    QFETCH(qsizetype, total);
    QFETCH(QString, expected);
    QCOMPARE(TerminalProgress::bar(done, total, 10), expected);
}

void TestTerminalProgress::silentWhenNotATerminal()
{
    std::FILE *file = std::tmpfile();
    QVERIFY(file);
    {
        TerminalProgress progress(file);
        QThread::msleep(350); // past the quiet start
        progress.update(1, 2);
    }
    QCOMPARE(std::ftell(file), 0L);
    std::fclose(file);
}

QTEST_APPLESS_MAIN(TestTerminalProgress)
#include "tst_terminalprogress.moc"
