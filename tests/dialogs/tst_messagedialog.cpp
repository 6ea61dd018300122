// SPDX-License-Identifier: MIT
#include "MessageDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(MessageType)
Q_DECLARE_METATYPE(MessageButton)

namespace {

// What the test saw of the real message window before answering it.
struct Seen
{
    bool shown = false;
    QString caption;
    QImage icon;
    QString text;
    bool wordWrap = false;
    QStringList buttons; // captions from left to right
    QString defaultButton;
    QString focusedButton;
    QRect frame;
    QRect screen;
    int textHeight = 0;
    int lineHeight = 0;
};

QList<QPushButton *> buttonsLeftToRight(QWidget *dialog)
{
    QList<QPushButton *> buttons = dialog->findChildren<QPushButton *>();
    std::sort(buttons.begin(), buttons.end(),
              [](QPushButton *a, QPushButton *b) { return a->x() < b->x(); });
    return buttons;
}

// Once the message window is up, records it into seen and runs answer on it. A watchdog fails
// the test and hides that window if it is still open later, so that the modal loop cannot hang.
void whenShown(Seen &seen, std::function<void(QDialog *)> answer)
{
    QTimer::singleShot(0, [&seen, answer] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        QTimer::singleShot(5000, dialog, [dialog] {
            QTest::qFail("the message window was left open", __FILE__, __LINE__);
            dialog->hide();
        });
        QVERIFY(QTest::qWaitFor([dialog] { return dialog->isActiveWindow(); }));
        seen.shown = true;
        seen.caption = dialog->windowTitle();
        if (auto *icon = dialog->findChild<QLabel *>(u"icon"_s))
            seen.icon = icon->pixmap().toImage();
        if (auto *text = dialog->findChild<QLabel *>(u"text"_s)) {
            seen.text = text->text();
            seen.wordWrap = text->wordWrap();
            seen.textHeight = text->height();
            seen.lineHeight = text->fontMetrics().lineSpacing();
        }
        for (QPushButton *button : buttonsLeftToRight(dialog)) {
            seen.buttons.append(button->text());
            if (button->isDefault())
                seen.defaultButton = button->text();
            if (button->hasFocus())
                seen.focusedButton = button->text();
        }
        seen.frame = dialog->frameGeometry();
        seen.screen = dialog->screen()->geometry();
        answer(dialog);
    });
}

QImage standardIcon(QStyle::StandardPixmap which)
{
    QStyle *style = QApplication::style();
    const int size = style->pixelMetric(QStyle::PM_MessageBoxIconSize);
    return style->standardIcon(which).pixmap(size, size).toImage();
}

QWidget *pushButton(QDialog *dialog, const QString &caption)
{
    for (QPushButton *button : dialog->findChildren<QPushButton *>()) {
        if (button->text() == caption)
            return button;
    }
    return nullptr;
}

} // namespace

class TestMessageDialog : public QObject
{
    Q_OBJECT
private slots:
    void window_data();
    void window();
    void answers_data();
    void answers();
    void ctrlCCopiesTheMessage_data();
    void ctrlCCopiesTheMessage();
    void focusGoesBack_data();
    void focusGoesBack();
    void centredOnTheScreenNotTheParent();
    void longTextWraps();
    void interceptorAnswersInstead();
};

void TestMessageDialog::window_data()
{
    QTest::addColumn<MessageType>("type");
    QTest::addColumn<QList<MessageButton>>("buttons");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QStringList>("captions");

    const QList<MessageButton> ok{MessageButton::Ok};
    const QList<MessageButton> okCancel{MessageButton::Ok, MessageButton::Cancel};
    QTest::newRow("error") << MessageType::Error << ok << u"Error"_s
                           << int(QStyle::SP_MessageBoxCritical) << QStringList{u"OK"_s};
    QTest::newRow("warning") << MessageType::Warning << ok << u"Warning"_s
                             << int(QStyle::SP_MessageBoxWarning) << QStringList{u"OK"_s};
    QTest::newRow("confirmation") << MessageType::Confirmation << okCancel << u"Confirm"_s
                                  << int(QStyle::SP_MessageBoxQuestion)
                                  << QStringList{u"OK"_s, u"Cancel"_s};
    QTest::newRow("order is fixed") << MessageType::Confirmation
                                    << QList<MessageButton>{MessageButton::Cancel, MessageButton::Ok}
                                    << u"Confirm"_s << int(QStyle::SP_MessageBoxQuestion)
                                    << QStringList{u"OK"_s, u"Cancel"_s};
    QTest::newRow("no buttons given") << MessageType::Error << QList<MessageButton>() << u"Error"_s
                                      << int(QStyle::SP_MessageBoxCritical) << QStringList{u"OK"_s};
}

void TestMessageDialog::window()
{
    QFETCH(MessageType, type);
    QFETCH(QList<MessageButton>, buttons);
    QFETCH(QString, caption);
    QFETCH(int, icon);
    QFETCH(QStringList, captions);

    const QString text = u"Поиск закончен, префикс не обнаружен"_s;
    Seen seen;
    whenShown(seen, [](QDialog *dialog) { QTest::keyClick(dialog, Qt::Key_Return); });
    const MessageButton pressed = showMessage(type, text, buttons);

    QVERIFY(seen.shown);
    QCOMPARE(seen.caption, caption);
    QCOMPARE(seen.icon, standardIcon(QStyle::StandardPixmap(icon)));
    QCOMPARE(seen.text, text);
    QVERIFY(seen.wordWrap);
    QCOMPARE(seen.buttons, captions);
    QCOMPARE(seen.defaultButton, u"OK"_s);
    QCOMPARE(seen.focusedButton, u"OK"_s);
    QCOMPARE(pressed, MessageButton::Ok); // Enter presses the default button
}

void TestMessageDialog::answers_data()
{
    QTest::addColumn<QList<MessageButton>>("buttons");
    QTest::addColumn<QString>("action");
    QTest::addColumn<MessageButton>("expected");

    const QList<MessageButton> ok{MessageButton::Ok};
    const QList<MessageButton> okCancel{MessageButton::Ok, MessageButton::Cancel};
    QTest::newRow("Esc with Cancel") << okCancel << u"Esc"_s << MessageButton::Cancel;
    QTest::newRow("Esc with OK alone") << ok << u"Esc"_s << MessageButton::Ok;
    QTest::newRow("close box with Cancel") << okCancel << u"close box"_s << MessageButton::Cancel;
    QTest::newRow("close box with OK alone") << ok << u"close box"_s << MessageButton::Ok;
    QTest::newRow("Enter with Cancel") << okCancel << u"Enter"_s << MessageButton::Ok;
    QTest::newRow("click Cancel") << okCancel << u"click Cancel"_s << MessageButton::Cancel;
    QTest::newRow("click OK") << okCancel << u"click OK"_s << MessageButton::Ok;
}

void TestMessageDialog::answers()
{
    QFETCH(QList<MessageButton>, buttons);
    QFETCH(QString, action);
    QFETCH(MessageButton, expected);

    Seen seen;
    whenShown(seen, [action](QDialog *dialog) {
        if (action == u"Esc")
            QTest::keyClick(dialog, Qt::Key_Escape);
        else if (action == u"Enter")
            QTest::keyClick(dialog, Qt::Key_Return);
        else if (action == u"close box")
            dialog->windowHandle()->close(); // what the window manager's close box asks for
        else if (action == u"click Cancel")
            QTest::mouseClick(pushButton(dialog, u"Cancel"_s), Qt::LeftButton);
        else if (action == u"click OK")
            QTest::mouseClick(pushButton(dialog, u"OK"_s), Qt::LeftButton);
    });
    const MessageButton pressed =
        showMessage(MessageType::Confirmation, u"Delete record?"_s, buttons);
    QVERIFY(seen.shown);
    QCOMPARE(pressed, expected);
}

void TestMessageDialog::ctrlCCopiesTheMessage_data()
{
    QTest::addColumn<MessageType>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<MessageButton>>("buttons");
    QTest::addColumn<QString>("copied");

    QTest::newRow("error, OK") << MessageType::Error << u"Поиск закончен, префикс не обнаружен"_s
                               << QList<MessageButton>{MessageButton::Ok}
                               << u"---------------------------\n"
                                  u"Error\n"
                                  u"---------------------------\n"
                                  u"Поиск закончен, префикс не обнаружен\n"
                                  u"---------------------------\n"
                                  u"OK   \n"
                                  u"---------------------------\n"_s;
    QTest::newRow("confirmation, OK Cancel, markup kept as text")
        << MessageType::Confirmation << u"Delete <b>record</b>?"_s
        << QList<MessageButton>{MessageButton::Ok, MessageButton::Cancel}
        << u"---------------------------\n"
           u"Confirm\n"
           u"---------------------------\n"
           u"Delete <b>record</b>?\n"
           u"---------------------------\n"
           u"OK   Cancel   \n"
           u"---------------------------\n"_s;
}

void TestMessageDialog::ctrlCCopiesTheMessage()
{
    QFETCH(MessageType, type);
    QFETCH(QString, text);
    QFETCH(QList<MessageButton>, buttons);
    QFETCH(QString, copied);

    QGuiApplication::clipboard()->setText(u"before"_s);
    Seen seen;
    QString clipboardWhileOpen;
    whenShown(seen, [&clipboardWhileOpen](QDialog *dialog) {
        QTest::keyClick(dialog, Qt::Key_C, Qt::ControlModifier);
        clipboardWhileOpen = QGuiApplication::clipboard()->text();
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    const MessageButton pressed = showMessage(type, text, buttons);
    QVERIFY(seen.shown);
    QCOMPARE(clipboardWhileOpen, copied);
    QCOMPARE(seen.text, text); // shown as plain text, not as markup
    QCOMPARE(pressed, buttons.contains(MessageButton::Cancel) ? MessageButton::Cancel
                                                              : MessageButton::Ok); // Ctrl+C answered nothing
}

void TestMessageDialog::focusGoesBack_data()
{
    QTest::addColumn<bool>("withParent");
    QTest::newRow("parent given") << true;
    QTest::newRow("no parent") << false;
}

void TestMessageDialog::focusGoesBack()
{
    QFETCH(bool, withParent);

    QWidget form;
    auto *layout = new QVBoxLayout(&form);
    auto *first = new QLineEdit(&form);
    auto *second = new QLineEdit(&form);
    layout->addWidget(first);
    layout->addWidget(second);
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    second->setFocus();
    QTRY_VERIFY(second->hasFocus());

    Seen seen;
    bool focusLeftTheForm = false;
    whenShown(seen, [&focusLeftTheForm, second](QDialog *dialog) {
        focusLeftTheForm = !second->hasFocus();
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    showMessage(MessageType::Warning, u"Будьте внимательнее.Автоматически включён английский шрифт"_s,
                {MessageButton::Ok}, withParent ? &form : nullptr);
    QVERIFY(seen.shown);
    QVERIFY(focusLeftTheForm);
    QTRY_COMPARE(QApplication::focusWidget(), second);
    QVERIFY(QApplication::activeWindow() == &form);
}

void TestMessageDialog::centredOnTheScreenNotTheParent()
{
    QWidget form;
    form.setGeometry(10, 10, 200, 100); // a corner of the screen, far from its centre
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    Seen seen;
    whenShown(seen, [](QDialog *dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    showMessage(MessageType::Error, u"Нужно ввести позывной!"_s, {MessageButton::Ok}, &form);
    QVERIFY(seen.shown);
    QVERIFY2((seen.frame.center() - seen.screen.center()).manhattanLength() <= 2,
             qPrintable(u"window centre (%1, %2), screen centre (%3, %4)"_s
                            .arg(seen.frame.center().x()).arg(seen.frame.center().y())
                            .arg(seen.screen.center().x()).arg(seen.screen.center().y())));
}

void TestMessageDialog::longTextWraps()
{
    QString text;
    for (int i = 0; i < 30; ++i)
        text += u"Table1: Cannot perform this operation on a closed dataset. "_s;
    Seen seen;
    whenShown(seen, [](QDialog *dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    showMessage(MessageType::Error, text);
    QVERIFY(seen.shown);
    QVERIFY(seen.screen.contains(seen.frame));
    QVERIFY(seen.textHeight >= 3 * seen.lineHeight); // wrapped onto several lines
}

void TestMessageDialog::interceptorAnswersInstead()
{
    QList<MessageRequest> requests;
    bool windowOpen = false;
    setMessageInterceptor([&](const MessageRequest &request) {
        requests.append(request);
        windowOpen = QApplication::activeModalWidget() != nullptr;
        return MessageButton::Cancel;
    });
    const auto restore = qScopeGuard([] { setMessageInterceptor({}); });

    const MessageButton pressed = showMessage(MessageType::Confirmation, u"Delete record?"_s,
                                              {MessageButton::Cancel, MessageButton::Ok});
    QCOMPARE(pressed, MessageButton::Cancel);
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].type, MessageType::Confirmation);
    QCOMPARE(requests[0].caption, u"Confirm"_s);
    QCOMPARE(requests[0].text, u"Delete record?"_s);
    QCOMPARE(requests[0].buttons, (QList<MessageButton>{MessageButton::Ok, MessageButton::Cancel}));
    QVERIFY(!windowOpen);

    // Answering with a button that is not there is the test's own mistake, reported loudly.
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                             showMessage(MessageType::Error, u"Нужно ввести позывной!"_s));
}

QTEST_MAIN(TestMessageDialog)
#include "tst_messagedialog.moc"
