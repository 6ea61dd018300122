// SPDX-License-Identifier: MIT
#include "KeyboardLayout.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

using namespace Qt::Literals::StringLiterals;

// Run in two ways: "usLayoutGroup noSwitchOffscreen" on the offscreen platform, and
// "locksTheUsGroup nextKeyPressIsLatin" on xcb against a private Xvfb (run_under_xvfb.sh).
class TestKeyboardLayout : public QObject
{
    Q_OBJECT
private slots:
    void usLayoutGroup_data();
    void usLayoutGroup();
    void noSwitchOffscreen();
    void locksTheUsGroup_data();
    void locksTheUsGroup();
    void nextKeyPressIsLatin();
    void cleanupTestCase();

private:
    bool onXvfb();
    bool setLayouts(const QString &layouts, const QString &variants);
    bool lockGroup(int group);
    int lockedGroup();
    static bool typeKey(const QString &keysym);

    // A connection of the test's own, to set up and observe the server independently of Qt's.
    Display *m_observer = nullptr;
};

void TestKeyboardLayout::usLayoutGroup_data()
{
    QTest::addColumn<QString>("layouts");
    QTest::addColumn<QString>("variants");
    QTest::addColumn<int>("group");

    QTest::newRow("ru,us") << u"ru,us"_s << u","_s << 1;
    QTest::newRow("us first") << u"us,ru"_s << QString() << 0;
    QTest::newRow("third of three") << u"ru,de,us"_s << u",,"_s << 2;
    QTest::newRow("ru alone") << u"ru"_s << QString() << -1;
    QTest::newRow("no layouts named") << QString() << QString() << -1;
    QTest::newRow("us-like names are not us") << u"ru,usa,gb"_s << QString() << -1;
    QTest::newRow("plain us beats dvorak") << u"ru,us,us"_s << u",dvorak,"_s << 2;
    QTest::newRow("basic is plain") << u"us,ru"_s << u"basic,"_s << 0;
    QTest::newRow("dvorak when there is nothing else") << u"ru,us"_s << u",dvorak"_s << 1;
    QTest::newRow("beyond the four groups") << u"ru,de,fr,ua,us"_s << QString() << -1;
}

void TestKeyboardLayout::usLayoutGroup()
{
    QFETCH(QString, layouts);
    QFETCH(QString, variants);
    QFETCH(int, group);
    QCOMPARE(::usLayoutGroup(layouts, variants), group);
}

void TestKeyboardLayout::noSwitchOffscreen()
{
    QCOMPARE(QGuiApplication::platformName(), u"offscreen"_s);
    QVERIFY(!activateUsLayout());
}

bool TestKeyboardLayout::onXvfb()
{
    if (QGuiApplication::platformName() != u"xcb") {
        qWarning("needs the xcb platform: run through run_under_xvfb.sh");
        return false;
    }
    if (!m_observer)
        m_observer = XOpenDisplay(nullptr);
    return m_observer != nullptr;
}

bool TestKeyboardLayout::setLayouts(const QString &layouts, const QString &variants)
{
    return QProcess::execute(u"setxkbmap"_s, {u"-layout"_s, layouts, u"-variant"_s, variants}) == 0;
}

bool TestKeyboardLayout::lockGroup(int group)
{
    return XkbLockGroup(m_observer, XkbUseCoreKbd, unsigned(group)) && lockedGroup() == group;
}

int TestKeyboardLayout::lockedGroup()
{
    XkbStateRec state{};
    if (XkbGetState(m_observer, XkbUseCoreKbd, &state) != Success)
        return -1;
    return state.locked_group;
}

// Presses and releases the key that carries keysym, through the XTEST extension.
bool TestKeyboardLayout::typeKey(const QString &keysym)
{
    return QProcess::execute(u"xte"_s, {u"key "_s + keysym}) == 0;
}

void TestKeyboardLayout::locksTheUsGroup_data()
{
    QTest::addColumn<QString>("layouts");
    QTest::addColumn<QString>("variants");
    QTest::addColumn<int>("lockedBefore");
    QTest::addColumn<bool>("switched");
    QTest::addColumn<int>("lockedAfter");

    QTest::newRow("ru,us") << u"ru,us"_s << u","_s << 0 << true << 1;
    QTest::newRow("us,ru") << u"us,ru"_s << u","_s << 1 << true << 0;
    QTest::newRow("ru,de,us") << u"ru,de,us"_s << u",,"_s << 1 << true << 2;
    QTest::newRow("us already locked") << u"ru,us"_s << u","_s << 1 << true << 1;
    QTest::newRow("plain us beats dvorak") << u"ru,us,us"_s << u",dvorak,"_s << 0 << true << 2;
    QTest::newRow("ru alone") << u"ru"_s << QString() << 0 << false << 0;
    QTest::newRow("ru,ua: no us") << u"ru,ua"_s << u","_s << 1 << false << 1;
}

void TestKeyboardLayout::locksTheUsGroup()
{
    QFETCH(QString, layouts);
    QFETCH(QString, variants);
    QFETCH(int, lockedBefore);
    QFETCH(bool, switched);
    QFETCH(int, lockedAfter);

    QVERIFY(onXvfb());
    QVERIFY(setLayouts(layouts, variants));
    QVERIFY(lockGroup(lockedBefore));

    QCOMPARE(activateUsLayout(), switched);
    QCOMPARE(lockedGroup(), lockedAfter);
}

// A key typed right after the switch reaches a text field as a Latin letter; the same key
// typed just before it gave a Russian one.
void TestKeyboardLayout::nextKeyPressIsLatin()
{
    QVERIFY(onXvfb());
    QVERIFY(setLayouts(u"ru,us"_s, u","_s));
    QVERIFY(lockGroup(0));

    QLineEdit field;
    field.show();
    field.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&field));
    field.setFocus();

    QVERIFY(typeKey(u"q"_s));
    QTRY_COMPARE(field.text(), u"й"_s);

    QVERIFY(activateUsLayout());
    QVERIFY(typeKey(u"q"_s));
    QTRY_COMPARE(field.text(), u"йq"_s);
}

void TestKeyboardLayout::cleanupTestCase()
{
    if (m_observer)
        XCloseDisplay(m_observer);
}

QTEST_MAIN(TestKeyboardLayout)
#include "tst_keyboardlayout.moc"
