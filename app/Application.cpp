// SPDX-License-Identifier: MIT
#include "Application.h"
#include "ApplicationTitle.h"
#include "ErrorReport.h"
#include "Resources.h"

#include <QFileInfo>
#include <QIcon>
#include <QStyle>

using namespace Qt::Literals::StringLiterals;

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{
    initResources();
    // On X11 the application name is the window's class, which taskbars show for the program.
    setApplicationName(applicationTitle());
    setWindowIcon(QIcon(u":/prefixbook/prefixbook.png"_s));
    // The window was designed on the classic Windows look: grey 3D bevels and button faces.
    if (QStyle *classic = setStyle(u"Windows"_s))
        setPalette(classic->standardPalette());
}

QString Application::executableFolder()
{
    // Where QCoreApplication::applicationDirPath() looks on Linux.
    return QFileInfo(u"/proc/self/exe"_s).canonicalPath();
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportException(std::current_exception());
        return false;
    }
}
