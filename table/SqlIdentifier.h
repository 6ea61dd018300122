// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// A table's or field's name as SQL text: in double quotes, its own double quotes doubled, so that
// any name a file holds is read as a name.
inline QString quotedIdentifier(const QString &name)
{
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}
