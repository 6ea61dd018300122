// SPDX-License-Identifier: MIT
#pragma once

#include "CountryFile.h"

#include <QList>
#include <QString>

// Writes prefix records into a prefix table: an SQLite 3 file holding one table, named like
// the file without its extension ("DXCC22.db" holds "DXCC22"), with the fields
// Prefix, Country, DXCC, Continent, CQ, ITU, Latitude, Longitude, UTC and F7.
// Every failure throws ImportError naming the file.
class TableWriter
{
public:
    // The table name that the file of this name holds.
    static QString tableName(const QString &fileName);

    // Creates the file anew with the records, replacing an existing file. The table is written
    // under a temporary name in the same folder and renamed over fileName only when complete,
    // so that a failure leaves an existing file as it was.
    static void create(const QString &fileName, const QList<PrefixRecord> &records);
};
