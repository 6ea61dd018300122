// SPDX-License-Identifier: MIT
#include "LatinKeyMap.h"
#include "MessageDialog.h"
#include "PrefixTableFixture.h"
#include "TForm1.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// Xlib's event type macros would hide QEvent's enumerators of the same names.
#undef KeyPress
#undef KeyRelease

#include <clocale>
#include <optional>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(TForm1::KeyboardSwitch)

// The entry filter against a real X server: run on xcb under a private Xvfb (run_under_xvfb.sh).
// The keyboard's layouts and locked group are set through the test's own X connection and
// setxkbmap; keys are pressed through XTEST with xte, windows found with xwininfo.
class TestKeyboardEntry : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void usKeysMatchTheServer();
    void russianLettersMatchTheServer();
    void windowReportsTheSwitch_data();
    void windowReportsTheSwitch();
    void programRefusesThenTypesLatin_data();
    void programRefusesThenTypesLatin();
    void cleanupTestCase();

private:
    bool setLayouts(const QString &layouts);
    bool lockGroup(int group);
    int lockedGroup();
    // What a key types in a group of the server's keymap, as Xlib translates it; empty for
    // the keypad's keys and keys that type nothing.
    QString typedOnServer(XkbDescPtr keymap, int keycode, int group, bool shifted);

    Display *m_observer = nullptr;
};

namespace {

const QString WindowTitle = u"Справочник по префиксам."_s;
// Edit1's place in the window's layout at 96 dpi, and the window's width there.
const QRect Edit1Design(8, 56, 305, 37);
constexpr int WindowDesignWidth = 763;

bool run(const QString &program, const QStringList &arguments, QString *output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(20000))
        return false;
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// Presses keys and moves the pointer through the XTEST extension.
bool xte(const QStringList &commands)
{
    return run(u"xte"_s, commands);
}

// The on-screen rectangle of the viewable top-level window with this name.
std::optional<QRect> viewableWindow(const QString &name)
{
    QString info;
    if (!run(u"xwininfo"_s, {u"-name"_s, name}, &info) || !info.contains(u"Map State: IsViewable"_s))
        return std::nullopt;
    const auto number = [&info](const QString &label) {
        const QRegularExpression re(u"\\s"_s + QRegularExpression::escape(label) + u":\\s+(-?\\d+)"_s);
        return re.match(info).captured(1).toInt();
    };
    return QRect(number(u"Absolute upper-left X"_s), number(u"Absolute upper-left Y"_s), number(u"Width"_s),
                 number(u"Height"_s));
}

// The clipboard's text as another client sees it.
QString clipboardText()
{
    return QGuiApplication::clipboard()->text();
}

} // namespace

void TestKeyboardEntry::initTestCase()
{
    QVERIFY2(QGuiApplication::platformName() == u"xcb", "needs the xcb platform: run through run_under_xvfb.sh");
    // Xlib converts key symbols into text in the C library's character set.
    QVERIFY(std::setlocale(LC_CTYPE, "C.UTF-8"));
    m_observer = XOpenDisplay(nullptr);
    QVERIFY(m_observer);
}

void TestKeyboardEntry::cleanupTestCase()
{
    if (m_observer)
        XCloseDisplay(m_observer);
}

bool TestKeyboardEntry::setLayouts(const QString &layouts)
{
    return run(u"setxkbmap"_s, {u"-layout"_s, layouts, u"-variant"_s, QString(layouts.count(u','), u',')});
}

bool TestKeyboardEntry::lockGroup(int group)
{
    return XkbLockGroup(m_observer, XkbUseCoreKbd, unsigned(group)) && lockedGroup() == group;
}

int TestKeyboardEntry::lockedGroup()
{
    XkbStateRec state{};
    if (XkbGetState(m_observer, XkbUseCoreKbd, &state) != Success)
        return -1;
    return state.locked_group;
}

QString TestKeyboardEntry::typedOnServer(XkbDescPtr keymap, int keycode, int group, bool shifted)
{
    const unsigned int state = XkbBuildCoreState(shifted ? ShiftMask : 0, group);
    unsigned int consumed = 0;
    KeySym keysym = NoSymbol;
    if (!XkbTranslateKeyCode(keymap, KeyCode(keycode), state, &consumed, &keysym) || keysym == NoSymbol
        || IsKeypadKey(keysym))
        return {};
    char text[16] = {};
    int extra = 0;
    const int length = XkbTranslateKeySym(m_observer, &keysym, state & ~consumed, text, sizeof text, &extra);
    return QString::fromUtf8(text, std::max(length, 0));
}

// Every key of the server's US layout that types a printable ASCII character types the same
// through the field's own table, and no other key has an entry there.
void TestKeyboardEntry::usKeysMatchTheServer()
{
    QVERIFY(setLayouts(u"us"_s));
    XkbDescPtr keymap = XkbGetMap(m_observer, XkbAllClientInfoMask, XkbUseCoreKbd);
    QVERIFY(keymap);
    const auto freeKeymap = qScopeGuard([keymap] { XkbFreeKeyboard(keymap, 0, True); });

    int printable = 0;
    for (int keycode = keymap->min_key_code; keycode <= keymap->max_key_code; ++keycode) {
        for (const bool shifted : {false, true}) {
            const QString server = typedOnServer(keymap, keycode, 0, shifted);
            std::optional<char32_t> expected;
            if (server.size() == 1 && server[0] >= u' ' && server[0] <= u'~') {
                expected = server[0].unicode();
                ++printable;
            }
            const std::optional<char32_t> ours = usLayoutCharacter(quint32(keycode), shifted);
            QVERIFY2(ours == expected, qPrintable(u"keycode %1%2: server \"%3\", ours \"%4\""_s.arg(keycode)
                .arg(shifted ? u" shifted"_s : QString(), server,
                     ours ? QString::fromUcs4(&*ours, 1) : u"none"_s)));
        }
    }
    // 47 character keys and the space bar, both levels, at the least.
    QVERIFY(printable >= 96);
}

// On each key of the server's Russian layout that types a Russian letter, the fixed map gives
// what the US layout types on that key; the map knows no other character of that layout.
void TestKeyboardEntry::russianLettersMatchTheServer()
{
    QVERIFY(setLayouts(u"ru,us"_s));
    XkbDescPtr keymap = XkbGetMap(m_observer, XkbAllClientInfoMask, XkbUseCoreKbd);
    QVERIFY(keymap);
    const auto freeKeymap = qScopeGuard([keymap] { XkbFreeKeyboard(keymap, 0, True); });

    QString letters;
    for (int keycode = keymap->min_key_code; keycode <= keymap->max_key_code; ++keycode) {
        for (const bool shifted : {false, true}) {
            const QString russian = typedOnServer(keymap, keycode, 0, shifted);
            if (russian.size() != 1)
                continue;
            const std::optional<char32_t> ours = russianKeyToUs(russian[0].unicode());
            if (!russian[0].isLetter() || russian[0].unicode() < 0x80) {
                QVERIFY2(!ours, qPrintable(u"\"%1\" is no Russian letter"_s.arg(russian)));
                continue;
            }
            letters += russian;
            const QString us = typedOnServer(keymap, keycode, 1, shifted);
            QVERIFY2(ours && QString::fromUcs4(&*ours, 1) == us,
                     qPrintable(u"keycode %1: \"%2\" is \"%3\" on the US layout"_s.arg(keycode).arg(russian, us)));
        }
    }
    // The whole alphabet, small and capital, Ё included.
    QCOMPARE(letters.size(), 66);
}

void TestKeyboardEntry::windowReportsTheSwitch_data()
{
    QTest::addColumn<QString>("layouts");
    QTest::addColumn<int>("lockedBefore");
    QTest::addColumn<TForm1::KeyboardSwitch>("path");
    QTest::addColumn<int>("lockedAfter");

    QTest::newRow("ru,us") << u"ru,us"_s << 0 << TForm1::KeyboardSwitch::SystemLayout << 1;
    QTest::newRow("us,ru") << u"us,ru"_s << 1 << TForm1::KeyboardSwitch::SystemLayout << 0;
    QTest::newRow("ru alone") << u"ru"_s << 0 << TForm1::KeyboardSwitch::LatinInField << 0;
    QTest::newRow("ru,ua: no us") << u"ru,ua"_s << 1 << TForm1::KeyboardSwitch::LatinInField << 1;
}

// The window tells which way the keyboard went, and the server agrees.
void TestKeyboardEntry::windowReportsTheSwitch()
{
    QFETCH(QString, layouts);
    QFETCH(int, lockedBefore);
    QFETCH(TForm1::KeyboardSwitch, path);
    QFETCH(int, lockedAfter);

    QVERIFY(setLayouts(layouts));
    QVERIFY(lockGroup(lockedBefore));
    PrefixTableFixture table(0);
    QStringList shown;
    setMessageInterceptor([&shown](const MessageRequest &r) {
        shown << r.text;
        return MessageButton::Ok;
    });
    const auto restore = qScopeGuard([] { setMessageInterceptor({}); });
    TForm1 form(table.folder);
    QCOMPARE(form.keyboardSwitch(), TForm1::KeyboardSwitch::NotSwitched);

    QKeyEvent key(QEvent::KeyPress, 0x419, Qt::NoModifier, 24, 0, 0, u"й"_s);
    QApplication::sendEvent(form.Edit1, &key);
    QCOMPARE(shown, QStringList{u"Будьте внимательнее.Автоматически включён английский шрифт"_s});
    QVERIFY(form.Edit1->text().isEmpty());
    QCOMPARE(form.keyboardSwitch(), path);
    QCOMPARE(lockedGroup(), lockedAfter);
}

void TestKeyboardEntry::programRefusesThenTypesLatin_data()
{
    QTest::addColumn<QString>("layouts");
    QTest::addColumn<int>("lockedAfter");

    // The Russian group is locked first in both.
    QTest::newRow("ru,us: the US group is locked") << u"ru,us"_s << 1;
    QTest::newRow("ru alone: the field types Latin itself") << u"ru"_s << 0;
}

// The program itself, started as a user would start it, typed into through the X server: the
// physical key Q on the Russian layout is refused with the warning, after which the same key and
// its neighbours type US characters.
void TestKeyboardEntry::programRefusesThenTypesLatin()
{
    QFETCH(QString, layouts);
    QFETCH(int, lockedAfter);

    QVERIFY(setLayouts(layouts));
    QVERIFY(lockGroup(0));

    PrefixTableFixture table(10);
    const QString program = table.folder + u"/prefixbook"_s;
    QVERIFY(QFile::copy(QString::fromUtf8(PREFIXBOOK_EXECUTABLE), program));
    QProcess prefixbook;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    prefixbook.setProcessEnvironment(environment);
    prefixbook.setWorkingDirectory(table.folder);
    prefixbook.setProcessChannelMode(QProcess::ForwardedChannels);
    prefixbook.start(program, {});
    QVERIFY(prefixbook.waitForStarted());
    // Stopped by its own process id whatever happens below.
    const auto stop = qScopeGuard([&prefixbook] {
        prefixbook.kill();
        prefixbook.waitForFinished(10000);
    });

    std::optional<QRect> window;
    QTRY_VERIFY_WITH_TIMEOUT((window = viewableWindow(WindowTitle)).has_value(), 60000);
    const qreal scale = qreal(window->width()) / WindowDesignWidth;
    const QPoint field = window->topLeft() + (QPointF(Edit1Design.center()) * scale).toPoint();
    QVERIFY(xte({u"mousemove %1 %2"_s.arg(field.x()).arg(field.y()), u"mouseclick 1"_s}));

    // The key Q (keycode 24) is the only one that carries this symbol in these layouts.
    QVERIFY(xte({u"key Cyrillic_shorti"_s}));
    QTRY_VERIFY_WITH_TIMEOUT(viewableWindow(u"Warning"_s).has_value(), 30000);
    // The keyboard is switched once the warning has been read.
    QCOMPARE(lockedGroup(), 0);
    QVERIFY(xte({u"key Return"_s}));
    QTRY_VERIFY_WITH_TIMEOUT(!viewableWindow(u"Warning"_s).has_value(), 30000);
    QTRY_COMPARE(lockedGroup(), lockedAfter);

    // Q, Shift+Q, U, 3, Shift+3 (№ on the Russian layout) and the key of "." on the US layout
    // (ю on the Russian one), each named by a symbol only that key carries here.
    QVERIFY(xte({u"key Cyrillic_shorti"_s, u"keydown Shift_L"_s, u"key Cyrillic_shorti"_s, u"keyup Shift_L"_s,
                 u"key Cyrillic_ghe"_s, u"key 3"_s, u"keydown Shift_L"_s, u"key 3"_s, u"keyup Shift_L"_s,
                 u"key Cyrillic_yu"_s}));

    // Read the field through the clipboard: select all and copy, on a plain US keyboard.
    QVERIFY(setLayouts(u"us"_s));
    QGuiApplication::clipboard()->setText(u"(not copied)"_s);
    QVERIFY(xte({u"keydown Control_L"_s, u"key a"_s, u"key c"_s, u"keyup Control_L"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(clipboardText(), u"qQu3#."_s, 30000);
    QVERIFY(!viewableWindow(u"Warning"_s).has_value());
    QCOMPARE(prefixbook.state(), QProcess::Running);
}

QTEST_MAIN(TestKeyboardEntry)
#include "tst_keyboardentry.moc"
