#pragma once

#include "engine/core/CArray.h"

#include <cstdint>

class BaseNode;
class CRect;

// One entry of a frame's render list: the node to draw, a key that groups
// nodes drawing with the same texture (0 for none), the node's depth (the z
// translation of its absolute matrix) and the screen rectangle the node is
// clipped to, or null. Items collected by a clipped group carry the group's
// rectangle, which lives while the group draws them; the node's `render`
// receives it.
struct CRenderItem {
    BaseNode* node = nullptr;
    uintptr_t textureKey = 0;
    float z = 0.0f;
    const CRect* clip = nullptr;
};

// Ascending depth; equal depths by ascending texture key.
[[nodiscard]] inline bool renderItemLess(const CRenderItem& a, const CRenderItem& b) {
    if (a.z != b.z)
        return a.z < b.z;
    return a.textureKey < b.textureKey;
}

// Sorts `list` by depth, then texture key, unless the list is already marked
// sorted. The order of items equal in both is left to the sort.
inline void sortRenderList(CArray<CRenderItem>& list) { list.sort(renderItemLess); }

// Sorts a frame's render list exactly as sortRenderList does, and skips the
// work when it would repeat the last sort. The heap sort's every step is
// decided by how items compare, so when a list of last time's length,
// taken in last time's sorted order, ascends with equal neighbours at the
// same places, each comparison comes out as it did then and the sort moves
// the items as it did then: the order found last time is applied instead.
// A list with an undefined depth (NaN) is always sorted afresh. Keeps its
// arrays between frames: a list of steady length allocates nothing.
class CRenderListSorter {
public:
    void sort(CArray<CRenderItem>& list);
    // Whether the last call reused the order of the one before.
    [[nodiscard]] bool reusedOrder() const { return m_reused; }

private:
    [[nodiscard]] bool repeatsLastOrder(const CArray<CRenderItem>& list) const;

    // Index in the list of the item at each sorted position.
    CArray<uint32_t> m_order;
    // Whether the item at each sorted position equals the next one.
    CArray<uint8_t> m_equalToNext;
    CArray<CRenderItem> m_sorted;
    bool m_valid = false;
    bool m_reused = false;
};
