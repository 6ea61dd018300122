// SPDX-License-Identifier: MIT
#include "PrefixIndex.h"

#include "CaseFold.h"

#include <bit>

namespace {

constexpr size_t BlockWords = 8; // 512 bits, one cache line

bool isAscii(std::string_view text)
{
    for (const char ch : text)
        if (static_cast<unsigned char>(ch) >= 0x80)
            return false;
    return true;
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
    m_rows.reserve(size_t(table.recordCount()));
    table.forEachText(field, [this](int row, std::string_view text) {
        if (text.empty())
            return;
        std::string key(text);
        if (isAscii(text))
            foldAscii(text, key.data());
        else
            key = foldedKey(QString::fromUtf8(text.data(), qsizetype(text.size()))).toStdString();
        add(std::move(key), row);
    });

    // About 16 bits a key: well under one false positive in a hundred.
    m_filterBlocks = std::bit_ceil(std::max<size_t>(16, m_rows.size() * 16 / (BlockWords * 64)));
    m_filter.assign(m_filterBlocks * BlockWords, 0);
    const Hash hash;
    for (const auto &entry : m_rows) {
        const size_t h = hash(entry.first);
        uint64_t *block = &m_filter[(h & (m_filterBlocks - 1)) * BlockWords];
        for (int i = 0; i < 3; ++i) {
            const unsigned bit = unsigned(h >> (20 + 9 * i)) & 511;
            block[bit / 64] |= uint64_t(1) << (bit % 64);
        }
    }
}

void PrefixIndex::add(std::string key, int row)
{
    m_longest = std::max(m_longest, key.size());
    m_rows.try_emplace(std::move(key), row); // the first in table order wins
}

bool PrefixIndex::mayContain(size_t h) const
{
    const uint64_t *block = &m_filter[(h & (m_filterBlocks - 1)) * BlockWords];
    for (int i = 0; i < 3; ++i) {
        const unsigned bit = unsigned(h >> (20 + 9 * i)) & 511;
        if (!(block[bit / 64] & (uint64_t(1) << (bit % 64))))
            return false;
    }
    return true;
}

int PrefixIndex::findFolded(std::string_view folded) const
{
    if (folded.empty() || folded.size() > m_longest || !mayContain(Hash{}(folded)))
        return -1;
    const auto it = m_rows.find(folded);
    return it == m_rows.end() ? -1 : it->second;
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
