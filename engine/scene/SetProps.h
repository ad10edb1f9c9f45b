#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CRefHandle.h"
#include "engine/scene/Animator.h"

#include <cstdint>

class CPropertyBag;

// Sets properties of its target to fixed values the moment it is applied.
// Each entry of the Properties bag names a property of the target's class
// table; names the class lacks are skipped.
class SetProps : public Animator {
public:
    static constexpr int32_t TypeId = 2;

    SetProps();

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || Animator::isKindOf(id); }

    void setTarget(BaseNode* node) override;
    // The time is not used.
    void apply(int32_t time, bool applyValues) override;
    [[nodiscard]] float getTime() const override { return 0.0f; }
    [[nodiscard]] int32_t getDuration() const override { return 0; }
    // The key element itself is read as a property bag.
    void load(CXmlStreamReader* reader, IContentManager* contentManager, const CStringW& elementName) override;
    void save(CXmlStreamWriter* writer, const CStringW& elementName) const override;
    [[nodiscard]] CRefHandle<Animator> clone() const override;

    [[nodiscard]] CPropertyBag* getProperties() const { return m_properties.get(); }

protected:
    ~SetProps() override;

private:
    void bind();

    CRefHandle<CPropertyBag> m_properties;
    // Per Properties entry, its position in the target's table, or -1.
    CArray<int> m_bindings;
};
