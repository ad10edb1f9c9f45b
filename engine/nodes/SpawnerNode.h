#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CName.h"
#include "engine/core/CRefHandle.h"
#include "engine/core/CScheduledObject.h"
#include "engine/core/CString.h"
#include "engine/core/CVector2d.h"
#include "engine/scene/BaseNode.h"

#include <cstdint>

class CPropertyBag;
class CRandom;
class TemplateCollectionNode;

// Draws nothing itself: while enabled it keeps making copies of template
// nodes as its own children at a random rate, each with values pushed into
// it (ObjectsProperties, a "LifeTime", a position and a rotation drawn from
// ranges). The templates are left as they were: the values are written for
// the copy and taken back after it.
class SpawnerNode : public BaseNode, public CScheduledObject {
public:
    static constexpr int32_t TypeId = 20;
    static constexpr uint32_t UpdateInterval = 30;

    SpawnerNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || BaseNode::isKindOf(id); }

    [[nodiscard]] const CPropertyTable& getPropertyTable() const override;
    [[nodiscard]] static const CPropertyTable& propertyTable();
    void writeProperties(CPropertyBag& bag) const override;
    void readProperties(const CPropertyBag& bag) override;

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    void copyFrom(const BaseNode* source, BaseNode* sceneManager) override;
    void registerForRendering(CArray<CRenderItem>& list) override;
    bool onManagerAttached(CEventManagerAttached* event) override;
    bool onTemplatesChanged(CEventTemplatesChanged* event) override;

    bool update(uint32_t elapsed) override;
    // Makes `count` objects; the last one made, or null.
    BaseNode* spawn(int32_t count);

    // Names split at ";", trimmed, empty ones dropped; resolved at once when
    // the node has a scene manager.
    void setObjTemplate(const CString& names);
    [[nodiscard]] CString getObjTemplate() const;
    // Finds the templates for the names in `collection`; nothing for null.
    void resolveTemplates(TemplateCollectionNode* collection);
    [[nodiscard]] uint32_t templateCount() const { return m_templates.size(); }

    void setEnabled(bool enabled);
    [[nodiscard]] bool isEnabled() const { return m_enabled; }
    // Draws a new start delay (a negative accumulator).
    void restartDelay();
    [[nodiscard]] float getAccumulator() const { return m_accumulator; }
    void setObjectsProperties(CPropertyBag* bag);
    [[nodiscard]] CPropertyBag* getObjectsProperties() const { return m_objectsProperties.get(); }
    // The source of random numbers (not owned); the engine's when none.
    void setRandom(CRandom* random) { m_random = random; }

    bool ghost = true;
    CVector2d startDelayRange;
    CVector2d perSecondRange{1.0f, 1.0f};
    CVector2d lifeTimeRange{1000.0f, 1000.0f};
    CVector2d xDeltaRange;
    CVector2d yDeltaRange;
    CVector2d rotationDeltaRange;

protected:
    ~SpawnerNode() override;

private:
    [[nodiscard]] CRandom& random() const;
    [[nodiscard]] TemplateCollectionNode* managerTemplates() const;

    template <CVector2d SpawnerNode::*Field> void setRange(const CRefHandle<IPropertyData>& value);
    template <CVector2d SpawnerNode::*Field> [[nodiscard]] CRefHandle<IPropertyData> getRange() const;
    void setObjTemplateProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getObjTemplateProperty() const;
    void setEnabledProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getEnabledProperty() const;
    void setGhostProperty(const CRefHandle<IPropertyData>& value);
    [[nodiscard]] CRefHandle<IPropertyData> getGhostProperty() const;

    CArray<CName> m_names;
    CArray<CRefHandle<BaseNode>> m_templates;
    float m_accumulator = 0.0f;
    bool m_enabled = true;
    CRefHandle<CPropertyBag> m_objectsProperties;
    CRandom* m_random = nullptr;
};
