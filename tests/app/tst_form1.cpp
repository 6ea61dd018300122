// SPDX-License-Identifier: MIT
#include "ApplicationTitle.h"
#include "DBGrid.h"
#include "DBMemo.h"
#include "DBNavigator.h"
#include "DataSource.h"
#include "ErrorReport.h"
#include "Fonts.h"
#include "MessageDialog.h"
#include "PrefixTableFixture.h"
#include "ShownMessages.h"
#include "TForm1.h"
#include "Table.h"

#include <QFontInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace {

QString currentPrefix(const TForm1 &form)
{
    return form.Table1->value(u"Prefix"_s).toString();
}

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT
private slots:
    void controls_data();
    void controls();
    void windowSettings();
    void tabOrderAndFocus();
    void layoutFollowsTheTextHeight();
    void startUpOpensTableBesideProgram_data();
    void startUpOpensTableBesideProgram();
    void missingTableIsReportedAndWindowStillComesUp();
    void search_data();
    void search();
    void foundRecordIsShownNearTheMiddle();
    void searchUsesTheTableOpenedAtStart();
    void editButtonsShowAndHideNavigatorOnly();
    void exitClosesAndDropsPendingChange();
    void viewErrorsGoToTheReport();

private:
    PrefixTableFixture m_table;
};

void TestForm1::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pointSize");
    QTest::addColumn<bool>("bold");

    QTest::newRow("DBGrid1") << u"DBGrid1"_s << u"DBGrid"_s << QRect(0, 152, 537, 145) << QString() << 10 << true;
    QTest::newRow("Edit1") << u"Edit1"_s << u"QLineEdit"_s << QRect(8, 56, 305, 37) << QString() << 18 << true;
    QTest::newRow("Edit2") << u"Edit2"_s << u"QLineEdit"_s << QRect(424, 0, 177, 21) << QString() << 8 << false;
    QTest::newRow("Button1") << u"Button1"_s << u"QPushButton"_s << QRect(8, 104, 137, 41) << u"Найти префикс"_s << 10 << true;
    QTest::newRow("DBNavigator1") << u"DBNavigator1"_s << u"DBNavigator"_s << QRect(328, 312, 280, 41) << QString() << 8 << false;
    QTest::newRow("Button2") << u"Button2"_s << u"QPushButton"_s << QRect(168, 112, 121, 33) << u"Редактировать"_s << 10 << true;
    QTest::newRow("Image1") << u"Image1"_s << u"QLabel"_s << QRect(408, 32, 209, 97) << QString() << 8 << false;
    QTest::newRow("Button3") << u"Button3"_s << u"QPushButton"_s << QRect(8, 312, 129, 33) << u"Exit"_s << 10 << true;
    QTest::newRow("DBMemo1") << u"DBMemo1"_s << u"DBMemo"_s << QRect(552, 128, 209, 177) << QString() << 10 << false;
    QTest::newRow("Button4") << u"Button4"_s << u"QPushButton"_s << QRect(152, 312, 169, 41) << u"Завершить редактирование"_s << 8 << false;
    QTest::newRow("Label1") << u"Label1"_s << u"QLabel"_s << QRect() << u"Ввести позывной, или префикс,  нажать  Enter, или кнопку \"Найти префикс\""_s << 8 << false;
}

void TestForm1::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(int, pointSize);
    QFETCH(bool, bold);

    Shown shown;
    TForm1 form(m_table.folder);
    auto *widget = form.client()->findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    if (geometry.isValid()) {
        QCOMPARE(widget->geometry(), geometry);
    } else { // Label1 is one line sized to its text at its place
        QCOMPARE(widget->pos(), QPoint(8, 24));
        QCOMPARE(widget->size(), widget->sizeHint());
    }
    if (auto *button = qobject_cast<QPushButton *>(widget)) {
        QCOMPARE(button->text(), text);
        QVERIFY(!button->isDefault());
        QVERIFY(!button->autoDefault());
        QVERIFY(!text.contains(u'&')); // no accelerators
    }
    if (auto *label = qobject_cast<QLabel *>(widget); label && !text.isEmpty()) {
        QCOMPARE(label->text(), text);
        QCOMPARE(label->textFormat(), Qt::PlainText);
    }
    QCOMPARE(widget->font().pointSize(), pointSize);
    QCOMPARE(widget->font().bold(), bold);
    // "MS Sans Serif" itself where its clone draws the size as designed, else its stand-in.
    const QString family = QFontInfo(widget->font()).family();
    QVERIFY2(QStringList({u"MS Sans Serif"_s, u"Tahoma"_s, u"Liberation Sans"_s}).contains(family), qPrintable(family));
    if (family == u"MS Sans Serif"_s) {
        QCOMPARE(pointSize, 8);
        QVERIFY(!QFontInfo(widget->font()).bold());
    } else if (!bold) {
        QVERIFY(!QFontInfo(widget->font()).bold());
    } else {
        QVERIFY(QFontInfo(widget->font()).bold());
    }
}

void TestForm1::windowSettings()
{
    Shown shown;
    TForm1 form(m_table.folder);
    QCOMPARE(form.objectName(), u"Form1"_s);
    QCOMPARE(form.windowTitle(), u"Справочник по префиксам."_s);
    QCOMPARE(form.size(), QSize(763, 376)); // the client area of a 771 × 403 window
    QVERIFY(!form.windowIcon().isNull());
    QCOMPARE(form.windowIcon().pixmap(32, 32).size(), QSize(32, 32));
    QVERIFY(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(form.windowFlags() & Qt::WindowMinimizeButtonHint);

    const QColor moneyGreen(192, 220, 192);
    QCOMPARE(form.Edit1->palette().color(QPalette::Base), moneyGreen);
    QCOMPARE(form.DBMemo1->palette().color(QPalette::Base), moneyGreen);
    QCOMPARE(form.client()->backgroundRole(), QPalette::Button);

    // The logo is drawn unscaled at the box's top-left corner; the box cuts its bottom rows.
    QCOMPARE(form.Image1->pixmap().size(), QSize(172, 99));
    QVERIFY(!form.Image1->hasScaledContents());
    QCOMPARE(form.Image1->alignment(), Qt::AlignLeft | Qt::AlignTop);

    QCOMPARE(form.DBGrid1->titleFont().pointSize(), 8);
    QVERIFY(!form.DBGrid1->titleFont().bold());
    QCOMPARE(form.DBMemo1->dataField(), u"F7"_s);
    QCOMPARE(form.DBGrid1->dataSource(), form.DataSource1);
    QCOMPARE(form.DBMemo1->dataSource(), form.DataSource1);
    QCOMPARE(form.DBNavigator1->dataSource(), form.DataSource1);
    QCOMPARE(form.DataSource1->dataSet(), form.Table1);

    // Resizing moves nothing; a client area smaller than the controls' extent scrolls.
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.client()->size(), QSize(761, 353));
    form.resize(400, 200);
    QTRY_VERIFY(form.clientArea()->horizontalScrollBar()->isVisible());
    QVERIFY(form.clientArea()->verticalScrollBar()->isVisible());
    QCOMPARE(form.DBMemo1->geometry(), QRect(552, 128, 209, 177));
    form.resize(1000, 600);
    QTRY_VERIFY(!form.clientArea()->horizontalScrollBar()->isVisible());
    QCOMPARE(form.DBGrid1->geometry(), QRect(0, 152, 537, 145));
}

void TestForm1::tabOrderAndFocus()
{
    Shown shown;
    TForm1 form(m_table.folder);
    const QList<QWidget *> expected = {form.DBGrid1, form.Edit1,   form.Edit2,  form.Button1, form.DBNavigator1,
                                       form.Button2, form.Button3, form.DBMemo1, form.Button4};
    QList<QWidget *> chain;
    QWidget *widget = form.DBGrid1;
    do {
        if (expected.contains(widget))
            chain << widget;
        widget = widget->nextInFocusChain();
    } while (widget != form.DBGrid1);
    QCOMPARE(chain, expected);
    QCOMPARE(form.DBNavigator1->focusPolicy(), Qt::NoFocus);
    QCOMPARE(form.Image1->focusPolicy(), Qt::NoFocus);
    QCOMPARE(form.Label1->focusPolicy(), Qt::NoFocus);

    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(QApplication::focusWidget(), form.DBGrid1);
}

// Also run at 144 dpi (see CMakeLists.txt), where the 13-pixel design text is 19.5 pixels high.
void TestForm1::layoutFollowsTheTextHeight()
{
    const qreal scale = designScale();
    const auto scaled = [scale](int value) { return qRound(value * scale); };
    Shown shown;
    TForm1 form(m_table.folder);
    QCOMPARE(form.size(), QSize(scaled(763), scaled(376)));
    QCOMPARE(form.Button1->geometry(), QRect(scaled(8), scaled(104), scaled(137), scaled(41)));
    QCOMPARE(form.DBMemo1->geometry(), QRect(scaled(552), scaled(128), scaled(209), scaled(177)));
    QCOMPARE(form.client()->size(), QSize(scaled(761), scaled(353)));
    // Fonts are sized in points and so grow with the dpi by themselves.
    QCOMPARE(form.Edit1->font().pointSize(), 18);
    QCOMPARE(QFontInfo(form.Edit1->font()).pixelSize(), scaled(24));
    // The navigator's ten buttons share its scaled width.
    form.show();
    QTest::mouseClick(form.Button2, Qt::LeftButton);
    QCOMPARE(form.DBNavigator1->button(DBNavigator::Refresh)->geometry().right(), scaled(280) - 1);
}

void TestForm1::startUpOpensTableBesideProgram_data()
{
    QTest::addColumn<QString>("folderName");
    QTest::newRow("plain") << QString();
    QTest::newRow("spaces and Cyrillic") << u"Мои таблицы/prefix book"_s;
}

void TestForm1::startUpOpensTableBesideProgram()
{
    QFETCH(QString, folderName);
    PrefixTableFixture table(3, PrefixTableFixture::Schema, folderName);
    Shown shown;
    TForm1 form(table.folder);
    QVERIFY(shown.reports.isEmpty());
    QCOMPARE(form.Edit2->text(), table.folder + u"/DXCC22"_s);
    QCOMPARE(form.Table1->tableName(), table.folder + u"/DXCC22"_s);
    QVERIFY(form.Table1->isActive());
    QCOMPARE(form.Table1->currentRow(), 0);
    QVERIFY(form.DBNavigator1->isHidden());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(!form.DBNavigator1->isVisible());
    QCOMPARE(form.DBGrid1->currentIndex().row(), 0);
    QCOMPARE(form.DBGrid1->model()->rowCount(), 3 + 7);
    QCOMPARE(form.DBMemo1->toPlainText(), PrefixTableFixture::memo(u"A000"_s));
}

void TestForm1::missingTableIsReportedAndWindowStillComesUp()
{
    QTemporaryDir empty;
    Shown shown;
    TForm1 form(empty.path());
    QCOMPARE(shown.reports.size(), 1);
    QCOMPARE(shown.reports[0].caption, applicationTitle());
    QCOMPARE(shown.reports[0].caption, u"Tst_form1"_s);
    QVERIFY2(shown.reports[0].text.contains(u"DXCC22.db"_s), qPrintable(shown.reports[0].text));
    QVERIFY(shown.reports[0].text.endsWith(u'.'));

    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.Edit2->text(), empty.path() + u"/DXCC22"_s);
    QVERIFY(!form.Table1->isActive());
    QCOMPARE(form.DBGrid1->model()->rowCount(), 0);
    QVERIFY(form.DBMemo1->toPlainText().isEmpty());
    QVERIFY(form.DBNavigator1->isHidden());

    // Every search then fails on the closed table, and the window goes on.
    form.Edit1->setText(u"ua3"_s);
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    QCOMPARE(shown.reportTexts().mid(1),
             QStringList({u"Table1: Cannot perform this operation on a closed dataset."_s,
                          u"Table1: Cannot perform this operation on a closed dataset."_s}));
    QVERIFY(shown.messages.isEmpty());
    QVERIFY(form.isVisible());
}

void TestForm1::search_data()
{
    QTest::addColumn<QString>("entered");
    QTest::addColumn<QString>("shownAfter");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QStringList>("messages");

    const QStringList none;
    const QStringList notFound = {u"Поиск закончен, префикс не обнаружен"_s};
    QTest::newRow("callsign finds its longest prefix") << u"ua3abc"_s << u"UA3ABC"_s << u"UA3"_s << none;
    QTest::newRow("a prefix finds itself") << u"UA9"_s << u"UA9"_s << u"UA9"_s << none;
    QTest::newRow("a shorter prefix") << u"ua1xyz"_s << u"UA1XYZ"_s << u"UA"_s << none;
    QTest::newRow("long text: its first nine") << u"ua3aaaaaaaaaaaaaaaaaaaa"_s << u"UA3AAAAAAAAAAAAAAAAAAAA"_s << u"UA3"_s << none;
    QTest::newRow("nothing matches") << u"qq1qq"_s << u"QQ1QQ"_s << u"A000"_s << notFound;
    QTest::newRow("empty: one message") << QString() << QString() << u"A000"_s
                                        << QStringList({u"Нужно ввести позывной!"_s});
    QTest::newRow("pasted Cyrillic is upper-cased") << u"уа3абв"_s << u"УА3АБВ"_s << u"A000"_s << notFound;
}

void TestForm1::search()
{
    QFETCH(QString, entered);
    QFETCH(QString, shownAfter);
    QFETCH(QString, current);
    QFETCH(QStringList, messages);

    Shown shown;
    TForm1 form(m_table.folder);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.Edit1->setText(entered);
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    QCOMPARE(form.Edit1->text(), shownAfter);
    QCOMPARE(currentPrefix(form), current);
    QCOMPARE(form.DBGrid1->currentIndex().row(), form.Table1->currentRow());
    QCOMPARE(form.DBMemo1->toPlainText(), PrefixTableFixture::memo(current));
    QCOMPARE(shown.messageTexts(), messages);
    for (const MessageRequest &message : shown.messages) {
        QCOMPARE(message.type, MessageType::Error);
        QCOMPARE(message.buttons, QList<MessageButton>{MessageButton::Ok});
    }
    QVERIFY(shown.reports.isEmpty());
}

void TestForm1::foundRecordIsShownNearTheMiddle()
{
    Shown shown;
    TForm1 form(m_table.folder);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.Edit1->setText(u"UA3ABC"_s);
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    QCOMPARE(currentPrefix(form), u"UA3"_s);
    const int row = form.Table1->currentRow();
    QVERIFY(row > 100);
    const int y = form.DBGrid1->rowViewportPosition(row) + form.DBGrid1->rowHeight(row) / 2;
    const int middle = form.DBGrid1->viewport()->height() / 2;
    // Within half a row of the middle: no other row could stand closer to it.
    QVERIFY2(std::abs(y - middle) <= form.DBGrid1->rowHeight(row) / 2 + 1,
             qPrintable(u"%1 vs %2"_s.arg(y).arg(middle)));

    // A step to the next record scrolls no further than needed.
    const int top = form.DBGrid1->verticalScrollBar()->value();
    form.Table1->next();
    QCOMPARE(form.DBGrid1->currentIndex().row(), row + 1);
    QCOMPARE(form.DBGrid1->verticalScrollBar()->value(), top);
}

void TestForm1::searchUsesTheTableOpenedAtStart()
{
    Shown shown;
    TForm1 form(m_table.folder);
    QTemporaryDir elsewhere;
    form.Edit2->setText(elsewhere.path() + u"/DXCC22"_s);
    form.Edit1->setText(u"VE3ABC"_s);
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    QCOMPARE(currentPrefix(form), u"VE"_s);
    QCOMPARE(form.Table1->tableName(), m_table.tableName());
    QVERIFY(shown.reports.isEmpty());
}

void TestForm1::editButtonsShowAndHideNavigatorOnly()
{
    Shown shown;
    TForm1 form(m_table.folder);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.Table1->edit();
    form.Table1->setText(form.Table1->fieldIndex(u"Country"_s), u"Changed"_s);

    for (int round = 0; round < 2; ++round) {
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        QVERIFY(form.DBNavigator1->isVisible());
        QTest::mouseClick(form.Button4, Qt::LeftButton);
        QVERIFY(!form.DBNavigator1->isVisible());
    }
    // Neither saved nor dropped the change in progress.
    QCOMPARE(form.Table1->state(), DatasetState::Edit);
    QVERIFY(form.Table1->isModified());
    QCOMPARE(m_table.stored(u"SELECT Country FROM DXCC22 WHERE Prefix = 'A000'"_s).toString(), u"Filler"_s);
    // The hidden navigator kept its buttons up to date.
    QVERIFY(form.DBNavigator1->button(DBNavigator::Post)->isEnabled());
    QVERIFY(!form.DBNavigator1->button(DBNavigator::Edit)->isEnabled());
    form.Table1->cancel();
}

void TestForm1::exitClosesAndDropsPendingChange()
{
    Shown shown;
    {
        TForm1 form(m_table.folder);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto *model = form.DBGrid1->model();
        QVERIFY(model->setData(model->index(0, 1), u"Not saved"_s));
        QCOMPARE(form.Table1->state(), DatasetState::Edit);
        QTest::mouseClick(form.Button3, Qt::LeftButton);
        QVERIFY(!form.isVisible());
    }
    QVERIFY(shown.messages.isEmpty());
    QVERIFY(shown.reports.isEmpty());
    QCOMPARE(m_table.stored(u"SELECT Country FROM DXCC22 WHERE Prefix = 'A000'"_s).toString(), u"Filler"_s);
}

void TestForm1::viewErrorsGoToTheReport()
{
    Shown shown;
    TForm1 form(m_table.folder);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // A key the table refuses: the save fails, the report tells why, the record stays edited.
    form.Table1->edit();
    form.Table1->setText(form.Table1->fieldIndex(u"Prefix"_s), u"K"_s);
    QTest::mouseClick(form.Button2, Qt::LeftButton);
    QTest::mouseClick(form.DBNavigator1->button(DBNavigator::Post), Qt::LeftButton);
    QCOMPARE(shown.reports.size(), 1);
    QCOMPARE(shown.reports[0].caption, applicationTitle());
    QCOMPARE(form.Table1->state(), DatasetState::Edit);
    form.Table1->cancel();
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
