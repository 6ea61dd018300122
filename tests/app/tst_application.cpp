// SPDX-License-Identifier: MIT
#include "Application.h"
#include "DatabaseError.h"
#include "ErrorReport.h"
#include "UiLoader.h"

#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// An object whose event handler fails the way a handler of the program can.
class FailingHandler : public QObject
{
public:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::User)
            throw DatabaseError(u"Table1: Cannot perform this operation on a closed dataset"_s);
        if (event->type() == QEvent::User + 1)
            throw std::runtime_error("engine failure");
        return QObject::event(event);
    }
};

} // namespace

class TestApplication : public QObject
{
    Q_OBJECT
private slots:
    void titleAndLook();
    void exceptionLeavingAHandlerIsReportedAndTheLoopGoesOn();
    void loaderSkipsDesignerPlugins();
    void reportIsAStopBoxWithOneOkOwnedByTheActiveWindow();
};

void TestApplication::titleAndLook()
{
    QCOMPARE(QCoreApplication::applicationName(), u"Tst_application"_s);
    QVERIFY(!QApplication::windowIcon().isNull());
    QCOMPARE(QApplication::style()->name().toLower(), u"windows"_s);
}

void TestApplication::exceptionLeavingAHandlerIsReportedAndTheLoopGoesOn()
{
    QList<ErrorReportRequest> reports;
    setErrorReportInterceptor([&](const ErrorReportRequest &r) { reports << r; });
    const auto restore = qScopeGuard([] { setErrorReportInterceptor({}); });

    FailingHandler handler;
    QEvent failing(QEvent::User);
    QVERIFY(!QCoreApplication::sendEvent(&handler, &failing));
    // Posted events fail inside the event loop, which goes on to the next one.
    QCoreApplication::postEvent(&handler, new QEvent(QEvent::Type(QEvent::User + 1)));
    QCoreApplication::postEvent(&handler, new QEvent(QEvent::User));
    QCoreApplication::processEvents();

    QCOMPARE(reports.size(), 3);
    for (const auto &report : reports)
        QCOMPARE(report.caption, u"Tst_application"_s);
    QCOMPARE(reports[0].text, u"Table1: Cannot perform this operation on a closed dataset."_s);
    QCOMPARE(reports[1].text, u"engine failure."_s);
    QCOMPARE(reports[2].text, reports[0].text);
}

void TestApplication::loaderSkipsDesignerPlugins()
{
    const QStringList libraryPaths = QCoreApplication::libraryPaths();
    UiLoader loader;
    QCOMPARE(QCoreApplication::libraryPaths(), libraryPaths);
    for (const QString &path : loader.pluginPaths())
        QVERIFY2(path.startsWith(u':'), qPrintable(path));
    QVERIFY(!loader.availableWidgets().isEmpty()); // the loader's own widgets remain
}

void TestApplication::reportIsAStopBoxWithOneOkOwnedByTheActiveWindow()
{
    QWidget window;
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QMessageBox *seen = nullptr;
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QAbstractButton *> buttons;
    QWidget *owner = nullptr;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (!box || !box->isVisible())
                continue;
            seen = box;
            caption = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = box->buttons();
            owner = box->parentWidget();
            box->button(QMessageBox::Ok)->click();
        }
    });
    poll.start(10);
    showErrorReport(u"Table1: Field 'Prefix' not found"_s);
    poll.stop();

    QVERIFY(seen);
    QCOMPARE(caption, u"Tst_application"_s);
    QCOMPARE(text, u"Table1: Field 'Prefix' not found."_s);
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(owner, &window);
}

int main(int argc, char *argv[])
{
    Application application(argc, argv);
    TestApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
