// SPDX-License-Identifier: MIT
// A program killed at any moment while saving leaves a sound table holding every save that returned.
#include <SQLiteCpp/SQLiteCpp.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::Literals::StringLiterals;

class TestCrash : public QObject
{
    Q_OBJECT
private slots:
    void killedWhileSaving();
};

void TestCrash::killedWhileSaving()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"DXCC22.db"_s);
    {
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("CREATE TABLE DXCC22 (Prefix VARCHAR(9) NOT NULL COLLATE NOCASE PRIMARY KEY, "
                "Country VARCHAR(40), F7 CLOB)");
    }
    constexpr int Kills = 200;
    QElapsedTimer clock;
    clock.start();
    auto *random = QRandomGenerator::global();
    long long next = 0;
    int kills = 0;
    int killsWhileSaving = 0; // kills after the writer had started saving
    for (; kills < Kills && clock.elapsed() < 240'000; ++kills) {
        QProcess writer;
        writer.start(QStringLiteral(CRASH_WRITER), {dir.filePath(u"DXCC22"_s), QString::number(next)});
        QVERIFY(writer.waitForStarted());
        // Kill it once it is saving, at a random moment of its work.
        QVERIFY(writer.waitForReadyRead(30'000));
        QTest::qWait(int(random->bounded(0, 40)));
        ::kill(pid_t(writer.processId()), SIGKILL);
        QVERIFY(writer.waitForFinished());
        const QList<QByteArray> lines = writer.readAllStandardOutput().split('\n');
        long long lastSaved = -1;
        for (const QByteArray &line : lines)
            if (!line.isEmpty())
                lastSaved = line.toLongLong();

        SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE);
        QCOMPARE(db.execAndGet("PRAGMA integrity_check").getString(), std::string("ok"));
        if (lastSaved >= 0) {
            ++killsWhileSaving;
            // Every record appended by a save that returned is there...
            SQLite::Statement count(db, "SELECT count(*) FROM DXCC22 WHERE CAST(substr(Prefix, 2) AS INTEGER) "
                                        "BETWEEN ? AND ?");
            count.bind(1, static_cast<int64_t>(next));
            count.bind(2, static_cast<int64_t>(lastSaved));
            QVERIFY(count.executeStep());
            QCOMPARE(count.getColumn(0).getInt64(), (lastSaved - next) / 2 + 1);
            // ...and the last returned save's text, or a later one's.
            SQLite::Statement last(db, "SELECT Country FROM DXCC22 WHERE Prefix = ?");
            last.bind(1, "C" + std::to_string(lastSaved - lastSaved % 2));
            QVERIFY(last.executeStep());
            QVERIFY(std::stoll(last.getColumn(0).getString().substr(6)) >= lastSaved);
        }
        // Go on after whatever was stored, saves that never reported included.
        const auto highest = db.execAndGet("SELECT max(CAST(substr(Prefix, 2) AS INTEGER)) FROM DXCC22");
        if (!highest.isNull())
            next = highest.getInt64() + 2;
    }
    QVERIFY2(kills == Kills, qPrintable(u"only %1 kills in the time allowed"_s.arg(kills)));
    QCOMPARE(killsWhileSaving, kills);
    qInfo("%d kills, %d while saving, %lld saves", kills, killsWhileSaving, next);
}

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
