// SPDX-License-Identifier: MIT
#pragma once

#include "CountryFile.h"

#include <QList>
#include <QString>

#include <functional>

// Writes prefix records into a prefix table: an SQLite 3 file holding one table, named like
// the file without its extension ("DXCC22.db" holds "DXCC22"), with the fields
// Prefix, Country, DXCC, Continent, CQ, ITU, Latitude, Longitude, UTC and F7.
// Every failure throws ImportError naming the file.
class TableWriter
{
public:
    // Told how many of the records are written so far, now and then while a table is written.
    using Progress = std::function<void(qsizetype done, qsizetype total)>;

    // The table name that the file of this name holds.
    static QString tableName(const QString &fileName);

    // Creates the file anew with the records, replacing an existing file. The table is written
    // under a temporary name in the same folder and renamed over fileName only when complete,
    // so that a failure leaves an existing file as it was.
    static void create(const QString &fileName, const QList<PrefixRecord> &records, const Progress &progress = {});

    struct RefreshSummary
    {
        int added = 0;     // prefixes new to the table
        int updated = 0;   // rows whose country-file fields changed
        int kept = 0;      // rows of prefixes the records no longer have, left as they were
        int unchanged = 0; // rows that already held the records' values
        QString text() const; // "added N, updated N, kept N, unchanged N"
    };

    // Merges the records into the existing table by Prefix, without regard to case, in one
    // transaction. Rows of prefixes the records lack stay; new prefixes are added with their memo;
    // existing rows get the country-file fields (DXCC only when withDxcc) while their F7 and every
    // other field, including columns the user added, stay as the user left them. Fields the table
    // lacks are skipped; a table without Prefix is refused.
    static RefreshSummary refresh(const QString &fileName, const QList<PrefixRecord> &records, bool withDxcc,
                                  const Progress &progress = {});
};
