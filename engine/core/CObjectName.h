#pragma once

#include "engine/core/CStringW.h"

#include <cstdint>
#include <functional>

class IContentManager;

// The name of a node or of cached content: the id of a wide text in
// `CNameTableW` and the object in whose context the name was made (the
// content manager; may be null, not owned). The empty name has id -1.
class CObjectName {
public:
    // The empty name without an owner.
    CObjectName() = default;
    CObjectName(IContentManager* owner, const CStringW& text);

    // The name with a known id (from `id()` of another name).
    [[nodiscard]] static CObjectName fromId(IContentManager* owner, int id) {
        CObjectName name;
        name.m_owner = owner;
        name.m_id = id;
        return name;
    }

    [[nodiscard]] IContentManager* owner() const { return m_owner; }
    [[nodiscard]] int id() const { return m_id; }
    [[nodiscard]] bool empty() const { return m_id == -1; }
    // The text; the shared empty string for the empty name.
    [[nodiscard]] const CStringW& str() const;

    // As a map key a name orders like the pair (owner, id).
    friend bool operator==(const CObjectName& a, const CObjectName& b) {
        return a.m_owner == b.m_owner && a.m_id == b.m_id;
    }
    friend bool operator<(const CObjectName& a, const CObjectName& b) {
        if (a.m_owner != b.m_owner)
            return std::less<const IContentManager*>()(a.m_owner, b.m_owner);
        return a.m_id < b.m_id;
    }

private:
    IContentManager* m_owner = nullptr;
    int32_t m_id = -1;
};
