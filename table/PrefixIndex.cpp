// SPDX-License-Identifier: MIT
#include "PrefixIndex.h"

#include "CaseFold.h"

#include <bit>

namespace {

constexpr size_t BlockWords = 8; // 512 bits, one cache line
constexpr int BitsPerKey = 3;

// The filter's k-th bit of a key within its block; the low bits of the hash pick the block.
unsigned filterBit(size_t hash, int k)
{
    return unsigned(hash >> (20 + 9 * k)) & 511;
}

// Folds ASCII letters as CaseFold.h does, into out (which has room for text).
void foldAscii(std::string_view text, char *out)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        out[i] = (ch >= 'A' && ch <= 'Z') ? char(ch + 32) : ch;
    }
}

} // namespace

PrefixIndex::PrefixIndex(const Table &table, const QString &fieldName)
{
    const int field = table.fieldIndex(fieldName);
    if (field < 0)
        table.fieldByName(fieldName); // throws the table's own "Field not found"
    // At most half full, so that probes stay short.
    m_slots.resize(std::bit_ceil(std::max<size_t>(16, size_t(table.recordCount()) * 2)));
    // About 16 bits a key: well under one false positive in a hundred.
    m_filterBlocks = std::bit_ceil(std::max<size_t>(16, size_t(table.recordCount()) * 16 / (BlockWords * 64)));
    m_filter.assign(m_filterBlocks * BlockWords, 0);

    std::string folded;
    table.forEachText(field, [&](int row, std::string_view text) {
        if (text.empty())
            return;
        if (isAsciiText(text)) {
            folded.resize(text.size());
            foldAscii(text, folded.data());
        } else {
            folded = foldedKey(QString::fromUtf8(text.data(), qsizetype(text.size()))).toStdString();
        }
        add(folded, row);
    });
}

void PrefixIndex::add(std::string_view key, int row)
{
    if (m_count * 2 >= m_slots.size()) {
        // More rows than the table counted at the start (another program added some): grow.
        std::vector<Slot> old(m_slots.size() * 2);
        old.swap(m_slots);
        for (const Slot &slot : old) {
            if (slot.row < 0)
                continue;
            size_t i = slot.hash & (m_slots.size() - 1);
            while (m_slots[i].row >= 0)
                i = (i + 1) & (m_slots.size() - 1);
            m_slots[i] = slot;
        }
    }
    const size_t hash = hashOf(key);
    size_t i = hash & (m_slots.size() - 1);
    for (; m_slots[i].row >= 0; i = (i + 1) & (m_slots.size() - 1)) {
        const Slot &slot = m_slots[i];
        if (slot.hash == hash && std::string_view(m_keys).substr(slot.offset, slot.length) == key)
            return; // the first in table order wins
    }
    m_slots[i] = Slot{hash, uint32_t(m_keys.size()), uint32_t(key.size()), row};
    m_keys.append(key);
    ++m_count;
    m_longest = std::max(m_longest, key.size());

    uint64_t *block = &m_filter[(hash & (m_filterBlocks - 1)) * BlockWords];
    for (int k = 0; k < BitsPerKey; ++k) {
        const unsigned bit = filterBit(hash, k);
        block[bit / 64] |= uint64_t(1) << (bit % 64);
    }
}

bool PrefixIndex::mayContain(size_t h) const
{
    const uint64_t *block = &m_filter[(h & (m_filterBlocks - 1)) * BlockWords];
    for (int k = 0; k < BitsPerKey; ++k) {
        const unsigned bit = filterBit(h, k);
        if (!(block[bit / 64] & (uint64_t(1) << (bit % 64))))
            return false;
    }
    return true;
}

int PrefixIndex::findFolded(std::string_view folded) const
{
    if (folded.empty() || folded.size() > m_longest)
        return -1;
    const size_t hash = hashOf(folded);
    if (!mayContain(hash))
        return -1;
    for (size_t i = hash & (m_slots.size() - 1); m_slots[i].row >= 0; i = (i + 1) & (m_slots.size() - 1)) {
        const Slot &slot = m_slots[i];
        if (slot.hash == hash && std::string_view(m_keys).substr(slot.offset, slot.length) == folded)
            return slot.row;
    }
    return -1;
}

int PrefixIndex::find(QStringView key) const
{
    if (key.isEmpty())
        return -1;
    return findFolded(foldedKey(key).toStdString());
}

int PrefixIndex::findAscii(std::string_view key) const
{
    if (key.empty() || key.size() > m_longest)
        return -1;
    char buffer[32];
    std::string longKey;
    char *folded = buffer;
    if (key.size() > sizeof buffer) {
        longKey.resize(key.size());
        folded = longKey.data();
    }
    foldAscii(key, folded);
    return findFolded(std::string_view(folded, key.size()));
}
