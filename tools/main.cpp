// SPDX-License-Identifier: MIT
#include "Cli.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return runCli(app.arguments().mid(1), QCoreApplication::applicationDirPath(), out, err);
}
