// SPDX-License-Identifier: MIT
#include "EntryFilter.h"

#include "Cp1251Reference.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(KeyAction)

namespace {

const char *actionName(KeyAction action)
{
    switch (action) {
    case KeyAction::Pass: return "Pass";
    case KeyAction::Discard: return "Discard";
    case KeyAction::SearchThenPass: return "SearchThenPass";
    case KeyAction::Refuse: return "Refuse";
    }
    return "?";
}

} // namespace

class TestEntryFilter : public QObject
{
    Q_OBJECT
private slots:
    void namedCharacters_data();
    void namedCharacters();
    void wholeCodePage();
    void keyPressText_data();
    void keyPressText();
};

void TestEntryFilter::namedCharacters_data()
{
    QTest::addColumn<char32_t>("ch");
    QTest::addColumn<KeyAction>("expected");

    QTest::newRow("space") << char32_t(U' ') << KeyAction::Discard;
    QTest::newRow("Enter") << char32_t(U'\r') << KeyAction::SearchThenPass;
    QTest::newRow("Backspace") << char32_t(8) << KeyAction::Pass;
    QTest::newRow("Tab") << char32_t(9) << KeyAction::Pass;
    QTest::newRow("line feed") << char32_t(10) << KeyAction::Pass;
    QTest::newRow("Ctrl+V (22)") << char32_t(22) << KeyAction::Pass;
    QTest::newRow("Esc") << char32_t(27) << KeyAction::Pass;
    QTest::newRow("a") << char32_t(U'a') << KeyAction::Pass;
    QTest::newRow("Z") << char32_t(U'Z') << KeyAction::Pass;
    QTest::newRow("0") << char32_t(U'0') << KeyAction::Pass;
    QTest::newRow("9") << char32_t(U'9') << KeyAction::Pass;
    QTest::newRow("slash") << char32_t(U'/') << KeyAction::Pass;
    QTest::newRow("DEL (127)") << char32_t(127) << KeyAction::Pass;
    QTest::newRow("Ђ (128)") << char32_t(U'Ђ') << KeyAction::Pass;
    QTest::newRow("Љ (138)") << char32_t(U'Љ') << KeyAction::Pass;
    QTest::newRow("euro (136)") << char32_t(U'€') << KeyAction::Pass;
    QTest::newRow("en dash (150)") << char32_t(U'–') << KeyAction::Pass;
    QTest::newRow("em dash (151)") << char32_t(U'—') << KeyAction::Pass;
    QTest::newRow("trade mark (153)") << char32_t(U'™') << KeyAction::Refuse;
    QTest::newRow("љ (154)") << char32_t(U'љ') << KeyAction::Refuse;
    QTest::newRow("џ (159)") << char32_t(U'џ') << KeyAction::Refuse;
    QTest::newRow("no-break space (160)") << char32_t(0xA0) << KeyAction::Refuse;
    QTest::newRow("Ё (168)") << char32_t(U'Ё') << KeyAction::Refuse;
    QTest::newRow("ё (184)") << char32_t(U'ё') << KeyAction::Refuse;
    QTest::newRow("А (192)") << char32_t(U'А') << KeyAction::Refuse;
    QTest::newRow("я (255)") << char32_t(U'я') << KeyAction::Refuse;
    QTest::newRow("U+0098") << char32_t(0x98) << KeyAction::Refuse;
    QTest::newRow("greek alpha") << char32_t(U'α') << KeyAction::Refuse;
    QTest::newRow("latin-1 e acute") << char32_t(U'é') << KeyAction::Refuse;
    QTest::newRow("cjk") << char32_t(U'中') << KeyAction::Refuse;
    QTest::newRow("emoji") << char32_t(0x1F600) << KeyAction::Refuse;
}

void TestEntryFilter::namedCharacters()
{
    QFETCH(char32_t, ch);
    QFETCH(KeyAction, expected);
    QCOMPARE(actionName(classifyTypedKey(ch)), actionName(expected));
}

// The threshold over every character of the code page (decoded by iconv, not by the program).
void TestEntryFilter::wholeCodePage()
{
    for (int b = 0; b < 256; ++b) {
        const std::optional<char32_t> ch = cp1251ReferenceChar(uchar(b));
        if (!ch)
            continue;
        const KeyAction expected = b == ' '    ? KeyAction::Discard
                                   : b == '\r' ? KeyAction::SearchThenPass
                                   : b < 152   ? KeyAction::Pass
                                               : KeyAction::Refuse;
        const KeyAction actual = classifyTypedKey(*ch);
        if (actual != expected)
            QFAIL(qPrintable(u"byte %1: %2, expected %3"_s.arg(b).arg(
                QLatin1StringView(actionName(actual)), QLatin1StringView(actionName(expected)))));
    }
}

void TestEntryFilter::keyPressText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<KeyAction>("expected");

    QTest::newRow("no text (arrow key)") << QString() << KeyAction::Pass;
    QTest::newRow("one letter") << u"q"_s << KeyAction::Pass;
    QTest::newRow("Enter") << u"\r"_s << KeyAction::SearchThenPass;
    QTest::newRow("space") << u" "_s << KeyAction::Discard;
    QTest::newRow("russian letter") << u"й"_s << KeyAction::Refuse;
    QTest::newRow("surrogate pair is one character") << u"\U0001F600"_s << KeyAction::Refuse;
    QTest::newRow("letters with a space") << u"a b"_s << KeyAction::Discard;
    QTest::newRow("letters with Enter") << u"ab\r"_s << KeyAction::SearchThenPass;
    QTest::newRow("a refused one among others") << u" ж\r"_s << KeyAction::Refuse;
}

void TestEntryFilter::keyPressText()
{
    QFETCH(QString, text);
    QFETCH(KeyAction, expected);
    QCOMPARE(actionName(classifyTypedText(text)), actionName(expected));
}

QTEST_APPLESS_MAIN(TestEntryFilter)
#include "tst_entryfilter.moc"
