// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

// The rowids of a table in table order. Kept in 32 bits while every rowid fits, as in nearly
// every table: a million records then take 4 MB instead of 8.
class RowOrder
{
public:
    using RowId = std::int64_t;

    std::size_t size() const { return m_wide ? m_wideIds.size() : m_ids.size(); }
    bool empty() const { return size() == 0; }
    RowId operator[](std::size_t index) const { return m_wide ? m_wideIds[index] : RowId(m_ids[index]); }

    void reserve(std::size_t count)
    {
        if (m_wide)
            m_wideIds.reserve(count);
        else
            m_ids.reserve(count);
    }

    void push_back(RowId id)
    {
        if (!m_wide && (id < 0 || id > RowId(UINT32_MAX)))
            widen();
        if (m_wide)
            m_wideIds.push_back(id);
        else
            m_ids.push_back(std::uint32_t(id));
    }

    void erase(std::size_t index)
    {
        if (m_wide)
            m_wideIds.erase(m_wideIds.begin() + std::ptrdiff_t(index));
        else
            m_ids.erase(m_ids.begin() + std::ptrdiff_t(index));
    }

    void clear()
    {
        *this = RowOrder();
    }

    RowId largest() const
    {
        if (m_wide)
            return m_wideIds.empty() ? -1 : *std::max_element(m_wideIds.begin(), m_wideIds.end());
        return m_ids.empty() ? -1 : RowId(*std::max_element(m_ids.begin(), m_ids.end()));
    }

    // The position of id in an order sorted by rowid, or -1.
    std::ptrdiff_t findSorted(RowId id) const
    {
        if (m_wide) {
            const auto it = std::lower_bound(m_wideIds.begin(), m_wideIds.end(), id);
            return it != m_wideIds.end() && *it == id ? it - m_wideIds.begin() : -1;
        }
        if (id < 0 || id > RowId(UINT32_MAX))
            return -1;
        const auto it = std::lower_bound(m_ids.begin(), m_ids.end(), std::uint32_t(id));
        return it != m_ids.end() && *it == std::uint32_t(id) ? it - m_ids.begin() : -1;
    }

private:
    void widen()
    {
        m_wideIds.assign(m_ids.begin(), m_ids.end());
        m_wideIds.reserve(m_ids.capacity());
        m_ids = {};
        m_wide = true;
    }

    bool m_wide = false;
    std::vector<std::uint32_t> m_ids;
    std::vector<RowId> m_wideIds;
};
