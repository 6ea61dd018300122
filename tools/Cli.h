// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// prefixbook-cli: arguments without the program's name; programDir is where the default table
// lies. Returns the exit code: 0 done, 1 failed, 2 wrong usage.
int runCli(const QStringList &arguments, const QString &programDir, QTextStream &out, QTextStream &err);
