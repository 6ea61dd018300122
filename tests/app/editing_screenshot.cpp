// SPDX-License-Identifier: MIT
// Grabs the window while a record is being edited, the navigator shown, for docs/editing.png:
//   prefixbook_editing_screenshot <output.png> <table folder>
// Run it with QT_QPA_PLATFORM=offscreen for a picture that does not depend on the desktop.
#include "Application.h"
#include "DBGrid.h"
#include "ErrorReport.h"
#include "TForm1.h"
#include "Table.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char *argv[])
{
    Application application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: prefixbook_editing_screenshot <output.png> <table folder>\n");
        return 2;
    }
    setErrorReportInterceptor([](const ErrorReportRequest &request) {
        std::fprintf(stderr, "error report: %s\n", qPrintable(request.text));
        std::exit(1);
    });
    TForm1 form(QString::fromLocal8Bit(argv[2]));
    form.show();
    if (!QTest::qWaitForWindowActive(&form))
        return 1;

    // Find a record, show the navigator, and type a new country name into the record's cell.
    form.Edit1->setText(u"UA3ABC"_s);
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    QTest::mouseClick(form.Button2, Qt::LeftButton);
    DBGrid *grid = form.DBGrid1;
    const QModelIndex cell = grid->model()->index(form.Table1->currentRow(), form.Table1->fieldIndex(u"Country"_s));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
    for (const QChar ch : u"Central Russia"_s)
        QTest::keyClicks(QApplication::focusWidget(), QString(ch));
    QCoreApplication::processEvents();
    if (form.Table1->state() != DatasetState::Edit) {
        std::fprintf(stderr, "the record is not being edited\n");
        return 1;
    }
    if (!form.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
