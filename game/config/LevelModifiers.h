#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefCounted.h"
#include "engine/core/CRefHandle.h"
#include "game/config/GLevelModifier.h"

#include <cstdint>

class CXmlStreamReader;
struct GLevelModifierValues;

// A set of level modifiers in file order, brought by a building type, an
// active feature or an upgrade. Shared by reference count: copies of a
// feature share their set.
class LevelModifiers : public CRefCounted {
public:
    LevelModifiers() = default;

    // Reader on a "LevelModifiers" start element: replaces the set with its
    // "Modifier" children; a Type that names no value is skipped.
    void readFromXml(CXmlStreamReader& reader);
    // Applies every modifier in list order.
    void applyAll(GLevelModifierValues& values) const;

    // Appends `modifier`, taking a reference of its own.
    void add(GLevelModifier* modifier);
    void clear() { m_modifiers.clear(); }

    [[nodiscard]] uint32_t size() const { return m_modifiers.size(); }
    [[nodiscard]] GLevelModifier* get(uint32_t index) const {
        return index < m_modifiers.size() ? m_modifiers[index].get() : nullptr;
    }

protected:
    ~LevelModifiers() override;

private:
    CArray<CRefHandle<GLevelModifier>> m_modifiers;
};
