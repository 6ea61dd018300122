// SPDX-License-Identifier: MIT
#pragma once

#include <QApplication>

// The application object: the program's title, icon and look, and the last net of the error
// report: an exception that leaves any event handler is shown there and the event loop goes on.
class Application : public QApplication
{
    Q_OBJECT
public:
    Application(int &argc, char **argv);

    // The folder of the running executable, known before the application object exists
    // (QCoreApplication::applicationDirPath() needs one).
    static QString executableFolder();

    bool notify(QObject *receiver, QEvent *event) override;
};
