// SPDX-License-Identifier: MIT
#include "PrefixSearch.h"

#include "Cp1251Reference.h"

#include <QTest>

#include <stdexcept>

using namespace Qt::Literals::StringLiterals;

namespace {

// A prefix table that answers like the table's Locate (case-insensitive, whole value) and
// records every key it is asked for.
struct RecordingTable
{
    QStringList prefixes;
    QStringList keys;

    bool locate(const QString &key)
    {
        keys.append(key);
        for (const QString &prefix : prefixes) {
            if (!key.isEmpty() && prefix.compare(key, Qt::CaseInsensitive) == 0)
                return true;
        }
        return false;
    }
};

QStringList repeated(const QString &key, int times)
{
    QStringList keys;
    for (int i = 0; i < times; ++i)
        keys.append(key);
    return keys;
}

} // namespace

class TestPrefixSearch : public QObject
{
    Q_OBJECT
private slots:
    void findPrefix_data();
    void findPrefix();
    void exceptionStopsTheAttempts();
    void upperCased_data();
    void upperCased();
    void upperCasedFollowsTheCodePage();
};

void TestPrefixSearch::findPrefix_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("prefixes");
    QTest::addColumn<QStringList>("expectedKeys");
    QTest::addColumn<QString>("expectedMatch"); // null: nothing found

    QTest::newRow("ua3abc: longest of U, UA, UA3")
        << u"ua3abc"_s << QStringList{u"U"_s, u"UA"_s, u"UA3"_s}
        << repeated(u"ua3abc"_s, 4) + QStringList{u"ua3ab"_s, u"ua3a"_s, u"ua3"_s} << u"ua3"_s;
    QTest::newRow("the text is itself a prefix")
        << u"UA9"_s << QStringList{u"UA"_s, u"UA9"_s} << QStringList{u"UA9"_s} << u"UA9"_s;
    QTest::newRow("9 characters, all a prefix")
        << u"abcdefghi"_s << QStringList{u"ABCDEFGHI"_s} << QStringList{u"abcdefghi"_s}
        << u"abcdefghi"_s;
    QTest::newRow("10 characters: first nine tried first")
        << u"abcdefghij"_s << QStringList{u"abcdefghi"_s, u"abcdefghij"_s}
        << QStringList{u"abcdefghi"_s} << u"abcdefghi"_s;
    QTest::newRow("24 characters: first nine tried first")
        << u"abcdefghijklmnopqrstuvwx"_s << QStringList{u"ABCDEFGHI"_s}
        << QStringList{u"abcdefghi"_s} << u"abcdefghi"_s;
    QTest::newRow("nothing matches: 11 lookups, two empty")
        << u"ua3abc"_s << QStringList{u"DL"_s, u"UA3ABCD"_s}
        << repeated(u"ua3abc"_s, 4)
               + QStringList{u"ua3ab"_s, u"ua3a"_s, u"ua3"_s, u"ua"_s, u"u"_s, QString(), QString()}
        << QString();
    QTest::newRow("empty text") << QString() << QStringList{u"UA"_s} << repeated(QString(), 11)
                                << QString();
    QTest::newRow("25 characters keep the 25th at first")
        << u"abcdefghijklmnopqrstuvwxy"_s << QStringList()
        << QStringList{u"abcdefghiy"_s, u"abcdefgh"_s, u"abcdefg"_s, u"abcdef"_s, u"abcde"_s,
                       u"abcd"_s, u"abc"_s, u"ab"_s, u"a"_s, QString(), QString()}
        << QString();
    QTest::newRow("62 characters: tails survive three cuts")
        << u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcdefghijklmnopqrstuvwxyz"_s << QStringList()
        << QStringList{u"ABCDEFGHIYZ0123456789abcdefghijklmnopqrstuvwxyz"_s,
                       u"ABCDEFGHcdefghijklmnopqrstuvwxyz"_s,
                       u"ABCDEFGqrstuvwxyz"_s,
                       u"ABCDEF"_s, u"ABCDE"_s, u"ABCD"_s, u"ABC"_s, u"AB"_s, u"A"_s,
                       QString(), QString()}
        << QString();
    QTest::newRow("a key in the tail of a long text matches")
        << u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcdefghijklmnopqrstuvwxyz"_s
        << QStringList{u"abcdefgqrstuvwxyz"_s, u"AB"_s}
        << QStringList{u"ABCDEFGHIYZ0123456789abcdefghijklmnopqrstuvwxyz"_s,
                       u"ABCDEFGHcdefghijklmnopqrstuvwxyz"_s, u"ABCDEFGqrstuvwxyz"_s}
        << u"ABCDEFGqrstuvwxyz"_s;
    // A character outside the Basic Multilingual Plane is one character, not two halves.
    QTest::newRow("a surrogate pair counts once")
        << u"abcdefgh\U0001F600xyz"_s << QStringList()
        << QStringList{u"abcdefgh\U0001F600"_s, u"abcdefgh"_s, u"abcdefg"_s, u"abcdef"_s,
                       u"abcde"_s, u"abcd"_s, u"abc"_s, u"ab"_s, u"a"_s, QString(), QString()}
        << QString();
}

void TestPrefixSearch::findPrefix()
{
    QFETCH(QString, text);
    QFETCH(QStringList, prefixes);
    QFETCH(QStringList, expectedKeys);
    QFETCH(QString, expectedMatch);

    RecordingTable table{prefixes, {}};
    const std::optional<QString> match =
        ::findPrefix(text, [&table](const QString &key) { return table.locate(key); });

    QCOMPARE(table.keys, expectedKeys);
    QCOMPARE(match.has_value(), !expectedMatch.isNull());
    if (match)
        QCOMPARE(*match, expectedMatch);
}

void TestPrefixSearch::exceptionStopsTheAttempts()
{
    QStringList keys;
    const auto failingOnThirdCall = [&keys](const QString &key) -> bool {
        keys.append(key);
        if (keys.size() == 3)
            throw std::runtime_error("Table1: Cannot perform this operation on a closed dataset");
        return false;
    };
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, ::findPrefix(u"dl1abc"_s, failingOnThirdCall));
    QCOMPARE(keys.size(), 3);
}

void TestPrefixSearch::upperCased_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("latin callsign") << u"ua3abc/p"_s << u"UA3ABC/P"_s;
    QTest::newRow("pasted cyrillic") << u"ёжик ua9"_s << u"ЁЖИК UA9"_s;
    QTest::newRow("cyrillic of the upper half")
        << u"ђѓљњќћџўјґєіїѕ"_s << u"ЂЃЉЊЌЋЏЎЈҐЄІЇЅ"_s;
    QTest::newRow("digits and signs stay") << u"0129 -/.,!?#€—№µ«»"_s << u"0129 -/.,!?#€—№µ«»"_s;
    QTest::newRow("upper case stays") << u"DL1ABC ЖЁ"_s << u"DL1ABC ЖЁ"_s;
    QTest::newRow("other scripts stay") << u"αβ中\U0001F600q"_s << u"αβ中\U0001F600Q"_s;
    QTest::newRow("empty") << QString() << QString();
}

void TestPrefixSearch::upperCased()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(::upperCased(text), expected);
}

// Every character of the code page upper-cases to the code page's own capital, checked
// byte by byte against the case pairs of Windows-1251, decoded through iconv.
void TestPrefixSearch::upperCasedFollowsTheCodePage()
{
    const auto upperByte = [](int b) -> int {
        if (b >= 'a' && b <= 'z')
            return b - 32;
        if (b >= 224) // а..я
            return b - 32;
        switch (b) {
        case 131: return 129; // ѓ Ѓ
        case 144: return 128; // ђ Ђ
        case 154: return 138; // љ Љ
        case 156: return 140; // њ Њ
        case 157: return 141; // ќ Ќ
        case 158: return 142; // ћ Ћ
        case 159: return 143; // џ Џ
        case 162: return 161; // ў Ў
        case 179: return 178; // і І
        case 180: return 165; // ґ Ґ
        case 184: return 168; // ё Ё
        case 186: return 170; // є Є
        case 188: return 163; // ј Ј
        case 190: return 189; // ѕ Ѕ
        case 191: return 175; // ї Ї
        default: return b;
        }
    };
    for (int b = 0; b < 256; ++b) {
        const QString ch = cp1251ReferenceText(uchar(b));
        if (ch.isEmpty())
            continue; // the unassigned byte
        const QString expected = cp1251ReferenceText(uchar(upperByte(b)));
        if (::upperCased(ch) != expected)
            QFAIL(qPrintable(u"byte %1 (%2) gives %3, expected %4"_s.arg(b).arg(ch,
                      ::upperCased(ch), expected)));
    }
}

QTEST_APPLESS_MAIN(TestPrefixSearch)
#include "tst_prefixsearch.moc"
