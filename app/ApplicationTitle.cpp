// SPDX-License-Identifier: MIT
#include "ApplicationTitle.h"

#include <QFileInfo>

QString applicationTitle(const QString &executable)
{
    QString name = QFileInfo(executable).fileName();
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    if (name.isEmpty())
        return name;
    // A surrogate pair counts as one first character.
    const qsizetype first = name.front().isHighSurrogate() && name.size() > 1 ? 2 : 1;
    return name.left(first).toUpper() + name.mid(first).toLower();
}
