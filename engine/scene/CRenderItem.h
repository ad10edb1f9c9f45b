#pragma once

#include "engine/core/CArray.h"

#include <cstdint>

class BaseNode;

// One entry of a frame's render list: the node to draw, a key that groups
// nodes drawing with the same texture (0 for none) and the node's depth (the
// z translation of its absolute matrix).
struct CRenderItem {
    BaseNode* node = nullptr;
    uintptr_t textureKey = 0;
    float z = 0.0f;
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
