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
