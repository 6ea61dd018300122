// SPDX-License-Identifier: MIT
// Saves records in a loop and reports each save once it has returned; the crash test kills it.
#include "Table.h"

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    Table table;
    table.setTableName(QString::fromLocal8Bit(argv[1]));
    table.open();
    const int country = table.fieldIndex(u"Country"_s);
    for (long long n = std::atoll(argv[2]);; ++n) {
        // Alternate new records with changes to existing ones, each a save of its own.
        if (n % 2 == 0) {
            table.append();
            table.setText(0, u"C%1"_s.arg(n));
        } else {
            table.locate(u"Prefix"_s, u"C%1"_s.arg(n - 1));
            table.edit();
        }
        table.setText(country, u"saved %1"_s.arg(n));
        table.post();
        std::printf("%lld\n", n);
        std::fflush(stdout);
    }
}
