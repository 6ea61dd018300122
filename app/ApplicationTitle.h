// SPDX-License-Identifier: MIT
#pragma once

#include <QCoreApplication>
#include <QString>

// The application's title, shown for the program in the taskbar and as the error report's
// caption: the executable's file name without its folder, cut at its first full stop, the first
// character upper-cased and the others lower-cased ("/opt/pb/prefixbook" → "Prefixbook").
QString applicationTitle(const QString &executable);

// The title of the running executable.
inline QString applicationTitle()
{
    return applicationTitle(QCoreApplication::applicationFilePath());
}
