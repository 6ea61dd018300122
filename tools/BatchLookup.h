// SPDX-License-Identifier: MIT
#pragma once

#include "PrefixIndex.h"
#include "Table.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>

// Runs the window's prefix search for many callsigns at once, over an in-memory index of the
// table, and writes one tab-separated line per callsign: the callsign as given, then the found
// record's fields in table order (line breaks, tabs and backslashes in a value escaped as \n, \r,
// \t and \\), or the callsign and "not found".
class BatchLookup
{
public:
    explicit BatchLookup(const Table &table);

    // Appends the line for one callsign to out; returns whether its prefix was found.
    bool resolve(std::string_view callsign, std::string &out);

    // Reads callsigns, one a line, until the end of input; blank lines are skipped.
    // Returns how many were not found.
    long long resolveStream(std::FILE *in, std::FILE *out);

private:
    int findRow(std::string_view callsign);
    const std::string &rowText(int row);

    const Table &m_table;
    PrefixIndex m_index;
    std::unordered_map<int, std::string> m_rowTexts; // rendered on first use
};
