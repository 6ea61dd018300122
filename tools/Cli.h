// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

class QTextStream;

// prefixbook-cli: arguments without the program's name; programDir is where the default table
// lies. Returns the exit code: 0 done, 1 failed (for lookup: some prefix not found), 2 wrong usage
// (for lookup: any error). Batch lookups read input and write output directly, for speed.
int runCli(const QStringList &arguments, const QString &programDir, QTextStream &out, QTextStream &err,
           std::FILE *input = stdin, std::FILE *output = stdout);
