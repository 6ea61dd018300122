// SPDX-License-Identifier: MIT
#include "Windows1251.h"

#include "Cp1251Reference.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestWindows1251 : public QObject
{
    Q_OBJECT
private slots:
    void everyByteRoundTrips();
    void charactersWithoutCode_data();
    void charactersWithoutCode();
};

// Each byte decoded by iconv encodes back to itself: the whole table, both halves.
void TestWindows1251::everyByteRoundTrips()
{
    int assigned = 0;
    for (int b = 0; b < 256; ++b) {
        const std::optional<char32_t> ch = cp1251ReferenceChar(uchar(b));
        if (!ch) {
            QCOMPARE(b, 152); // the one byte the code page leaves unassigned
            continue;
        }
        ++assigned;
        const std::optional<unsigned char> code = windows1251Code(*ch);
        if (!code || *code != b)
            QFAIL(qPrintable(u"U+%1 should be byte %2"_s.arg(uint(*ch), 4, 16, QLatin1Char('0')).arg(b)));
    }
    QCOMPARE(assigned, 255);
}

void TestWindows1251::charactersWithoutCode_data()
{
    QTest::addColumn<char32_t>("ch");
    QTest::newRow("U+0098 (byte 152 is unassigned)") << char32_t(0x98);
    QTest::newRow("latin-1 A grave") << char32_t(0xC0);
    QTest::newRow("greek alpha") << char32_t(U'α');
    QTest::newRow("ukrainian-less letter ѣ") << char32_t(U'ѣ');
    QTest::newRow("cjk") << char32_t(U'中');
    QTest::newRow("emoji") << char32_t(0x1F600);
    QTest::newRow("replacement character") << char32_t(0xFFFD);
}

void TestWindows1251::charactersWithoutCode()
{
    QFETCH(char32_t, ch);
    QVERIFY(!windows1251Code(ch).has_value());
}

QTEST_APPLESS_MAIN(TestWindows1251)
#include "tst_windows1251.moc"
