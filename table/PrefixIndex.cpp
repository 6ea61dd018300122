// SPDX-License-Identifier: MIT
#include "PrefixIndex.h"

#include "CaseFold.h"

PrefixIndex::PrefixIndex(const Table &table, const QString &fieldName)
{
    const int field = table.fieldIndex(fieldName);
    if (field < 0)
        table.fieldByName(fieldName); // throws the table's own "Field not found"
    m_rows.reserve(size_t(table.recordCount()));
    table.forEachValue(field, [this](int row, const QVariant &value) {
        if (value.isNull())
            return;
        const QString text = value.toString();
        if (text.isEmpty())
            return;
        std::string key = foldedKey(text).toStdString();
        m_longest = std::max(m_longest, key.size());
        m_rows.try_emplace(std::move(key), row); // the first in table order wins
    });
}

int PrefixIndex::find(QStringView key) const
{
    if (key.isEmpty())
        return -1;
    const std::string folded = foldedKey(key).toStdString();
    if (folded.size() > m_longest)
        return -1;
    const auto it = m_rows.find(std::string_view(folded));
    return it == m_rows.end() ? -1 : it->second;
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
    for (size_t i = 0; i < key.size(); ++i) {
        const char ch = key[i];
        folded[i] = (ch >= 'A' && ch <= 'Z') ? char(ch + 32) : ch;
    }
    const auto it = m_rows.find(std::string_view(folded, key.size()));
    return it == m_rows.end() ? -1 : it->second;
}
