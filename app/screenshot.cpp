// SPDX-License-Identifier: MIT
// Grabs the window as the program shows it, for the documentation:
//   prefixbook_screenshot <output.png> [table folder] [callsign to search]
// Run it with QT_QPA_PLATFORM=offscreen for a picture that does not depend on the desktop.
#include "Application.h"
#include "ErrorReport.h"
#include "TForm1.h"

#include <QLineEdit>
#include <QPushButton>

#include <cstdio>

int main(int argc, char *argv[])
{
    Application application(argc, argv);
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: prefixbook_screenshot <output.png> [table folder] [callsign]\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QCoreApplication::applicationDirPath();
    setErrorReportInterceptor([](const ErrorReportRequest &request) {
        std::fprintf(stderr, "error report: %s\n", qPrintable(request.text));
    });
    TForm1 form(folder);
    form.show();
    QCoreApplication::processEvents();
    if (argc > 3) {
        form.Edit1->setText(QString::fromLocal8Bit(argv[3]));
        form.Button1->click();
    }
    QCoreApplication::processEvents();
    if (!form.grab().save(output)) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
