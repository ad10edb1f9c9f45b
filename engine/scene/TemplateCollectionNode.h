#pragma once

#include "engine/core/CArray.h"
#include "engine/core/CMap.h"
#include "engine/core/CName.h"
#include "engine/scene/BaseNode.h"

#include <cstdint>

// The named template subtrees that controls copy their looks from. The
// templates are the collection's direct children, indexed by Name once the
// collection is loaded or cloned (the first child of a name wins). Shared
// content: the content cache hands out the cached collection itself.
class TemplateCollectionNode : public BaseNode {
public:
    static constexpr int32_t TypeId = 21;

    TemplateCollectionNode(const CObjectName& contentName, BaseNode* parent, BaseNode* sceneManager);

    [[nodiscard]] const CStringW& getTypeName() const override;
    [[nodiscard]] const CStringW& getClassName() const override;
    [[nodiscard]] int32_t getTypeId() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || BaseNode::isKindOf(id); }

    using BaseNode::clone;
    [[nodiscard]] BaseNode* clone(BaseNode* parent, BaseNode* sceneManager) const override;
    // Indexes the direct children by Name; names already indexed keep their
    // first node.
    void onLoaded() override;

    // The template named `name`, or null.
    [[nodiscard]] BaseNode* findTemplate(CName name) const;
    // Empties `target` (states stopped, children removed, states released),
    // then copies the template's children, states and Bounds into it. The
    // empty name leaves the target empty and answers true; false for a null
    // target or a name that is not indexed (the target is left empty).
    [[nodiscard]] bool applyTemplate(CName name, BaseNode* target);

    // The chain of templates being applied, for controls whose template
    // copies apply further templates: beginApply is false when `name` is
    // already on the chain (a template that contains itself, directly or
    // through others). The empty name is never on it. Each successful
    // beginApply is paired with one endApply.
    [[nodiscard]] bool beginApply(CName name);
    void endApply(CName name);

protected:
    ~TemplateCollectionNode() override;

private:
    // One reference per entry.
    CMap<CName, BaseNode*> m_templates;
    CArray<CName> m_applyChain;
};
