// SPDX-License-Identifier: MIT
#pragma once

#include "Table.h"

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One field of a table held in memory for many lookups in a row, answering exactly as
// Table::locate(field, key, true) does: the whole value, without regard to case (Latin and
// Cyrillic), the first record in table order, and no record for an empty key.
// It is a snapshot: build it again after the table changes.
class PrefixIndex
{
public:
    PrefixIndex(const Table &table, const QString &fieldName);

    // The row of the record whose field equals key, or -1.
    int find(QStringView key) const;
    // The same for a key of ASCII characters only, without converting it.
    int findAscii(std::string_view key) const;

    size_t size() const { return m_count; }

private:
    // An open-addressing table over one buffer of keys: no allocation per key, one cache line per probe.
    struct Slot
    {
        uint64_t hash = 0;
        uint32_t offset = 0; // of the key in m_keys
        uint32_t length = 0;
        int32_t row = -1; // -1: empty slot
    };
    static size_t hashOf(std::string_view text) noexcept { return std::hash<std::string_view>{}(text); }
    void add(std::string_view key, int row);
    int findFolded(std::string_view folded) const;
    bool mayContain(size_t hash) const;

    std::vector<Slot> m_slots; // folded UTF-8 key → first row
    std::string m_keys;
    size_t m_count = 0;
    // Most keys a search tries are not in the table: a small Bloom filter, one cache line a key,
    // answers those before the map is touched.
    std::vector<uint64_t> m_filter;
    size_t m_filterBlocks = 0;
    size_t m_longest = 0; // bytes of the longest folded key
};
