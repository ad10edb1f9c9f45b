#include "engine/scene/CRenderItem.h"

namespace {

template <class T> void empty(CArray<T>& array) {
    while (!array.empty())
        array.pop_back();
}

} // namespace

void CRenderListSorter::sort(CArray<CRenderItem>& list) {
    m_reused = false;
    if (list.isSorted() || list.size() < 2)
        return;
    const uint32_t n = list.size();
    if (repeatsLastOrder(list)) {
        m_reused = true;
    } else {
        // The indices go through the same heap sort, compared by their
        // items: the same steps as sorting the items themselves.
        empty(m_order);
        m_order.reserve(n);
        for (uint32_t i = 0; i < n; ++i)
            m_order.push_back(i);
        heapSort(m_order.data(), n,
                 [&list](uint32_t a, uint32_t b) { return renderItemLess(list[a], list[b]); });
        empty(m_equalToNext);
        m_equalToNext.reserve(n);
        m_valid = true;
        for (uint32_t k = 0; k < n; ++k) {
            const CRenderItem& item = list[m_order[k]];
            if (item.z != item.z)
                m_valid = false;
            m_equalToNext.push_back(k + 1 < n && !renderItemLess(item, list[m_order[k + 1]]) ? 1 : 0);
        }
    }
    empty(m_sorted);
    m_sorted.reserve(n);
    for (uint32_t k = 0; k < n; ++k)
        m_sorted.push_back(list[m_order[k]]);
    for (uint32_t k = 0; k < n; ++k)
        list[k] = m_sorted[k];
    list.setSorted(true);
}

bool CRenderListSorter::repeatsLastOrder(const CArray<CRenderItem>& list) const {
    const uint32_t n = list.size();
    if (!m_valid || m_order.size() != n)
        return false;
    for (uint32_t k = 0; k < n; ++k) {
        const CRenderItem& item = list[m_order[k]];
        if (item.z != item.z)
            return false;
        if (k + 1 == n)
            break;
        const CRenderItem& next = list[m_order[k + 1]];
        if (renderItemLess(next, item))
            return false;
        const uint8_t equal = renderItemLess(item, next) ? 0 : 1;
        if (equal != m_equalToNext[k])
            return false;
    }
    return true;
}
