#pragma once

#include "engine/scene/CNodeEvent.h"

#include <cstdint>

class TemplateCollectionNode;

// The template collection that controls copy their looks from was replaced.
class CEventTemplatesChanged : public CNodeEvent {
public:
    static constexpr int32_t TypeId = 42;

    explicit CEventTemplatesChanged(TemplateCollectionNode* collection) : m_collection(collection) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodeEvent::isKindOf(id); }

    [[nodiscard]] TemplateCollectionNode* getCollection() const { return m_collection; }

protected:
    ~CEventTemplatesChanged() override = default;

private:
    TemplateCollectionNode* m_collection;
};
