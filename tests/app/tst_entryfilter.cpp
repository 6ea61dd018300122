// SPDX-License-Identifier: MIT
#include "Cp1251Reference.h"
#include "ErrorReport.h"
#include "MessageDialog.h"
#include "PrefixTableFixture.h"
#include "ShownMessages.h"
#include "TForm1.h"
#include "Table.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString refusedWarning = u"Будьте внимательнее.Автоматически включён английский шрифт"_s;

// One key press as the platform delivers typing: the key, its modifiers, the physical key's X11
// keycode (0: the platform does not say) and the text it types.
struct TypedKey
{
    QString text;
    quint32 keycode = 0;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    int key = 0; // 0: derived from the text
};

int qtKeyOf(const QString &text)
{
    const QList<uint> ucs = text.toUcs4();
    if (ucs.isEmpty())
        return Qt::Key_unknown;
    // Qt names a character key by its capital, as the platforms do.
    return int(QChar::toUpper(ucs.first()));
}

void press(QWidget *widget, const TypedKey &typed)
{
    const int key = typed.key ? typed.key : qtKeyOf(typed.text);
    QKeyEvent down(QEvent::KeyPress, key, typed.modifiers, typed.keycode, 0, 0, typed.text);
    QApplication::sendEvent(widget, &down);
    QKeyEvent up(QEvent::KeyRelease, key, typed.modifiers, typed.keycode, 0, 0, typed.text);
    QApplication::sendEvent(widget, &up);
}

TypedKey ch(const QString &text, quint32 keycode = 0, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    return {text, keycode, modifiers};
}

// The physical key Q (X11 keycode 24) typed on the Russian layout.
const TypedKey russianShortI = ch(u"й"_s, 24);

void verifyRefusedWarnings(const Shown &shown, int count)
{
    QCOMPARE(shown.messages.size(), count);
    for (const MessageRequest &m : shown.messages) {
        QCOMPARE(m.type, MessageType::Warning);
        QCOMPARE(m.caption, u"Warning"_s);
        QCOMPARE(m.text, refusedWarning);
        QCOMPARE(m.buttons, QList<MessageButton>{MessageButton::Ok});
    }
}

} // namespace

Q_DECLARE_METATYPE(TypedKey)

class TestEdit1KeyPress : public QObject
{
    Q_OBJECT
public:
    // What the field does with one typed key.
    enum class Outcome {
        Inserted,     // the character is appended, nothing is shown
        AsPlainField, // the key does what it does in a field without the filter, nothing is shown
        Dropped,      // nothing is inserted, nothing is shown
        Refused,      // nothing is inserted, one warning, the keyboard is switched
        Searched,     // the search runs, then the key reaches the field
    };
    Q_ENUM(Outcome)

private slots:
    void typedKey_data();
    void typedKey();
    void enterSearchesThenReachesTheField_data();
    void enterSearchesThenReachesTheField();
    void pastedTextIsNotFiltered_data();
    void pastedTextIsNotFiltered();
    void editingKeysKeepWorking_data();
    void editingKeysKeepWorking();
    void afterARefusedKeyTheFieldTypesUsCharacters_data();
    void afterARefusedKeyTheFieldTypesUsCharacters();

private:
    PrefixTableFixture m_table;
};

void TestEdit1KeyPress::typedKey_data()
{
    QTest::addColumn<TypedKey>("typed");
    QTest::addColumn<Outcome>("outcome");

    // Every byte of the code page as the character it stands for, typed as such.
    for (int byte = 0; byte <= 255; ++byte) {
        const std::optional<char32_t> decoded = cp1251ReferenceChar(static_cast<unsigned char>(byte));
        TypedKey typed;
        Outcome outcome;
        if (!decoded) {
            // 152 is unassigned: the character at its place in Latin-1 has no code here.
            QCOMPARE(byte, 152);
            typed = ch(QString(QChar(0x98)));
            outcome = Outcome::Refused;
        } else {
            typed = ch(QString::fromUcs4(&*decoded, 1));
            if (byte == 8)
                typed.key = Qt::Key_Backspace;
            else if (byte == 9)
                typed.key = Qt::Key_Tab;
            else if (byte == 13)
                typed.key = Qt::Key_Return;
            else if (byte == 27)
                typed.key = Qt::Key_Escape;
            else if (byte == 127)
                typed.key = Qt::Key_Delete;
            else if (byte < 32) {
                // The other control characters come from Ctrl with @, A..Z, [, \, ], ^, _.
                typed.key = Qt::Key_At + byte;
                typed.modifiers = Qt::ControlModifier;
            }
            if (byte == 13)
                outcome = Outcome::Searched;
            else if (byte == 32)
                outcome = Outcome::Dropped;
            else if (byte < 32 || byte == 127)
                outcome = Outcome::AsPlainField;
            else if (byte < 152)
                outcome = Outcome::Inserted;
            else
                outcome = Outcome::Refused;
        }
        QTest::addRow("byte %d", byte) << typed << outcome;
    }

    QTest::newRow("greek alpha (no code)") << ch(u"α"_s) << Outcome::Refused;
    QTest::newRow("latin-1 e acute (no code)") << ch(u"é"_s) << Outcome::Refused;
    QTest::newRow("cjk (no code)") << ch(u"中"_s) << Outcome::Refused;
    QTest::newRow("emoji (no code, two UTF-16 units)") << ch(u"😀"_s) << Outcome::Refused;
    QTest::newRow("ukrainian ghe with upturn (165)") << ch(u"Ґ"_s) << Outcome::Refused;
    QTest::newRow("russian letter with the key's code") << russianShortI << Outcome::Refused;
    QTest::newRow("shifted space") << ch(u" "_s, 65, Qt::ShiftModifier) << Outcome::Dropped;
    QTest::newRow("keypad Enter") << TypedKey{u"\r"_s, 104, Qt::KeypadModifier, Qt::Key_Enter} << Outcome::Searched;
    QTest::newRow("one key, two characters, one refused") << ch(u"aй"_s) << Outcome::Refused;
    QTest::newRow("arrow: no text") << TypedKey{QString(), 113, Qt::NoModifier, Qt::Key_Left} << Outcome::AsPlainField;
    QTest::newRow("Ctrl with a russian letter types nothing")
        << ch(u"й"_s, 24, Qt::ControlModifier) << Outcome::AsPlainField;
    QTest::newRow("Alt with a russian letter types nothing")
        << ch(u"й"_s, 24, Qt::AltModifier) << Outcome::AsPlainField;
}

void TestEdit1KeyPress::typedKey()
{
    QFETCH(TypedKey, typed);
    QFETCH(Outcome, outcome);

    const QString before = u"ua3"_s;
    Shown shown;
    TForm1 form(m_table.folder);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.Edit1->setFocus();
    form.Edit1->setText(before);
    QSignalSpy returnPressed(form.Edit1, &QLineEdit::returnPressed);

    // The same key in a field without the filter.
    QLineEdit plain;
    plain.setText(before);
    press(&plain, typed);

    press(form.Edit1, typed);

    switch (outcome) {
    case Outcome::Inserted:
        QCOMPARE(form.Edit1->text(), before + typed.text);
        QVERIFY(shown.messages.isEmpty());
        break;
    case Outcome::AsPlainField:
        QCOMPARE(form.Edit1->text(), plain.text());
        QCOMPARE(form.Edit1->cursorPosition(), plain.cursorPosition());
        QVERIFY(shown.messages.isEmpty());
        break;
    case Outcome::Dropped:
        QCOMPARE(form.Edit1->text(), before);
        QVERIFY(shown.messages.isEmpty());
        break;
    case Outcome::Refused:
        QCOMPARE(form.Edit1->text(), before);
        verifyRefusedWarnings(shown, 1);
        // No X11 display here: the field itself stands in for the US layout.
        QCOMPARE(form.keyboardSwitch(), TForm1::KeyboardSwitch::LatinInField);
        break;
    case Outcome::Searched:
        QCOMPARE(form.Edit1->text(), u"UA3"_s);
        QCOMPARE(form.Table1->value(u"Prefix"_s).toString(), u"UA3"_s);
        QVERIFY(shown.messages.isEmpty());
        QCOMPARE(returnPressed.size(), 1);
        break;
    }
    if (outcome != Outcome::Refused)
        QCOMPARE(form.keyboardSwitch(), TForm1::KeyboardSwitch::NotSwitched);
    QVERIFY(shown.reports.isEmpty());
}

void TestEdit1KeyPress::enterSearchesThenReachesTheField_data()
{
    QTest::addColumn<QString>("entered");
    QTest::addColumn<TypedKey>("enter");
    QTest::addColumn<QString>("shownAfter");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QStringList>("messages");

    const TypedKey returnKey{u"\r"_s, 36, Qt::NoModifier, Qt::Key_Return};
    const TypedKey keypadEnter{u"\r"_s, 104, Qt::KeypadModifier, Qt::Key_Enter};
    QTest::newRow("callsign") << u"ua3abc"_s << returnKey << u"UA3ABC"_s << u"UA3"_s << QStringList();
    QTest::newRow("keypad Enter") << u"ua9xyz"_s << keypadEnter << u"UA9XYZ"_s << u"UA9"_s << QStringList();
    QTest::newRow("empty field: the empty-entry message only")
        << QString() << returnKey << QString() << u"A000"_s << QStringList{u"Нужно ввести позывной!"_s};
    QTest::newRow("no prefix matches: one message")
        << u"qq1qq"_s << returnKey << u"QQ1QQ"_s << u"A000"_s
        << QStringList{u"Поиск закончен, префикс не обнаружен"_s};
}

void TestEdit1KeyPress::enterSearchesThenReachesTheField()
{
    QFETCH(QString, entered);
    QFETCH(TypedKey, enter);
    QFETCH(QString, shownAfter);
    QFETCH(QString, current);
    QFETCH(QStringList, messages);

    Shown shown;
    TForm1 form(m_table.folder);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.Edit1->setFocus();
    for (const QChar c : entered)
        press(form.Edit1, ch(QString(c)));
    QCOMPARE(form.Edit1->text(), entered);

    // The search has written the field when Enter reaches it.
    QStringList textWhenEnterArrived;
    connect(form.Edit1, &QLineEdit::returnPressed, this,
            [&] { textWhenEnterArrived << form.Edit1->text(); });
    press(form.Edit1, enter);

    QCOMPARE(textWhenEnterArrived, QStringList{shownAfter});
    QCOMPARE(form.Edit1->text(), shownAfter);
    QCOMPARE(form.Table1->value(u"Prefix"_s).toString(), current);
    QCOMPARE(shown.messageTexts(), messages);
    QVERIFY(shown.reports.isEmpty());
}

void TestEdit1KeyPress::pastedTextIsNotFiltered_data()
{
    QTest::addColumn<TypedKey>("paste");
    QTest::newRow("Ctrl+V") << TypedKey{u"\x16"_s, 55, Qt::ControlModifier, Qt::Key_V};
    QTest::newRow("Shift+Insert") << TypedKey{QString(), 118, Qt::ShiftModifier, Qt::Key_Insert};
}

void TestEdit1KeyPress::pastedTextIsNotFiltered()
{
    QFETCH(TypedKey, paste);

    const QString clip = u"ua 3й№"_s;
    QGuiApplication::clipboard()->setText(clip);
    QCOMPARE(QGuiApplication::clipboard()->text(), clip);
    Shown shown;
    TForm1 form(m_table.folder);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.Edit1->setFocus();
    press(form.Edit1, paste);
    QCOMPARE(form.Edit1->text(), clip);
    QVERIFY(shown.messages.isEmpty());
    QCOMPARE(form.keyboardSwitch(), TForm1::KeyboardSwitch::NotSwitched);
}

void TestEdit1KeyPress::editingKeysKeepWorking_data()
{
    QTest::addColumn<bool>("afterRefusedKey");
    QTest::newRow("as typed") << false;
    QTest::newRow("once the field types US characters") << true;
}

void TestEdit1KeyPress::editingKeysKeepWorking()
{
    QFETCH(bool, afterRefusedKey);

    Shown shown;
    TForm1 form(m_table.folder);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.Edit1->setFocus();
    if (afterRefusedKey) {
        press(form.Edit1, russianShortI);
        QCOMPARE(form.keyboardSwitch(), TForm1::KeyboardSwitch::LatinInField);
    }
    form.Edit1->setText(u"ua3abc"_s);

    // The keys as xcb delivers them: X11 keycodes, Backspace typing "\b", the others nothing.
    const TypedKey left{QString(), 113, Qt::NoModifier, Qt::Key_Left};
    const TypedKey backspace{u"\b"_s, 22, Qt::NoModifier, Qt::Key_Backspace};
    const TypedKey del{QString(), 119, Qt::NoModifier, Qt::Key_Delete};
    const TypedKey home{QString(), 110, Qt::NoModifier, Qt::Key_Home};
    const TypedKey end{QString(), 115, Qt::NoModifier, Qt::Key_End};
    for (const TypedKey &key : {left, left, backspace, del, home, del, end, backspace})
        press(form.Edit1, key);
    QCOMPARE(form.Edit1->text(), u"a3"_s);
    QCOMPARE(shown.messages.size(), afterRefusedKey ? 1 : 0);
}

void TestEdit1KeyPress::afterARefusedKeyTheFieldTypesUsCharacters_data()
{
    QTest::addColumn<QList<TypedKey>>("keys");
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<int>("warnings");

    const auto shift = Qt::ShiftModifier;
    const auto keys = [](const QString &text, const QList<quint32> &keycodes, Qt::KeyboardModifiers mods = {}) {
        QList<TypedKey> list;
        for (int i = 0; i < text.size(); ++i)
            list << ch(text.mid(i, 1), keycodes.isEmpty() ? 0 : keycodes[i], mods);
        return list;
    };

    // The physical key's US character, where the platform names the key.
    QTest::newRow("й on the key Q") << QList{ch(u"й"_s, 24)} << u"q"_s << 1;
    QTest::newRow("Shift+Й on the key Q") << QList{ch(u"Й"_s, 24, shift)} << u"Q"_s << 1;
    QTest::newRow("Й under Caps Lock") << QList{ch(u"Й"_s, 24)} << u"Q"_s << 1;
    QTest::newRow("х on the key [") << QList{ch(u"х"_s, 34)} << u"["_s << 1;
    QTest::newRow("Shift+Х on the key [") << QList{ch(u"Х"_s, 34, shift)} << u"{"_s << 1;
    QTest::newRow("russian full stop on the key /") << QList{ch(u"."_s, 61)} << u"/"_s << 1;
    QTest::newRow("russian comma on Shift+/") << QList{ch(u","_s, 61, shift)} << u"?"_s << 1;
    QTest::newRow("№ on Shift+3") << QList{ch(u"№"_s, 12, shift)} << u"#"_s << 1;
    QTest::newRow("russian quote on Shift+2") << QList{ch(u"\""_s, 11, shift)} << u"@"_s << 1;
    QTest::newRow("digit") << QList{ch(u"7"_s, 16)} << u"7"_s << 1;
    QTest::newRow("greek letter on the key P") << QList{ch(u"θ"_s, 33)} << u"p"_s << 1;
    QTest::newRow("space bar: still dropped") << QList{ch(u" "_s, 65)} << QString() << 1;
    QTest::newRow("callsign by its keys") << keys(u"гф3фис.з"_s, {30, 38, 12, 38, 56, 54, 61, 33})
                                          << u"ua3abc/p"_s << 1;
    QTest::newRow("йцукен row") << keys(u"йцукенгшщзхъ"_s, {24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35})
                                << u"qwertyuiop[]"_s << 1;

    // The fixed Russian map, where the platform does not name the key.
    QTest::newRow("no key code: small letters")
        << keys(u"йцукенгшщзхъфывапролджэячсмитьбюё"_s, {}) << u"qwertyuiop[]asdfghjkl;'zxcvbnm,.`"_s << 1;
    QTest::newRow("no key code: capitals")
        << keys(u"ЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮЁ"_s, {}, shift) << u"QWERTYUIOP{}ASDFGHJKL:\"ZXCVBNM<>~"_s << 1;
    QTest::newRow("no key code: callsign") << keys(u"гф3фис.з"_s, {}) << u"ua3abc.p"_s << 1;
    QTest::newRow("no key code: Latin stays") << keys(u"ua3"_s, {}) << u"ua3"_s << 1;
    QTest::newRow("no key code: № is refused again") << keys(u"№"_s, {}) << QString() << 2;
    QTest::newRow("no key code: greek is refused again") << keys(u"α"_s, {}) << QString() << 2;
    QTest::newRow("each refused key warns once") << keys(u"αβ1"_s, {}) << u"1"_s << 3;
}

void TestEdit1KeyPress::afterARefusedKeyTheFieldTypesUsCharacters()
{
    QFETCH(QList<TypedKey>, keys);
    QFETCH(QString, inserted);
    QFETCH(int, warnings);

    Shown shown;
    TForm1 form(m_table.folder);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.Edit1->setFocus();
    form.Edit1->setText(u"ua3"_s);
    form.Edit1->setCursorPosition(2);

    press(form.Edit1, russianShortI);
    QCOMPARE(form.Edit1->text(), u"ua3"_s);
    verifyRefusedWarnings(shown, 1);
    QCOMPARE(form.keyboardSwitch(), TForm1::KeyboardSwitch::LatinInField);

    for (const TypedKey &key : keys)
        press(form.Edit1, key);
    // Inserted where the cursor is, as a typed character would be.
    QCOMPARE(form.Edit1->text(), u"ua"_s + inserted + u"3"_s);
    QCOMPARE(form.Edit1->cursorPosition(), 2 + inserted.size());
    verifyRefusedWarnings(shown, warnings);
    QCOMPARE(form.keyboardSwitch(), TForm1::KeyboardSwitch::LatinInField);
    QVERIFY(shown.reports.isEmpty());
}

QTEST_MAIN(TestEdit1KeyPress)
#include "tst_entryfilter.moc"
