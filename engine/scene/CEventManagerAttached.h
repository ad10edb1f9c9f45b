#pragma once

#include "engine/scene/CNodeEvent.h"

#include <cstdint>

class SceneManager;

// A scene manager took a scene (or subtree) onto its stack: controls apply their templates.
class CEventManagerAttached : public CNodeEvent {
public:
    static constexpr int32_t TypeId = 41;

    explicit CEventManagerAttached(SceneManager* manager) : m_manager(manager) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodeEvent::isKindOf(id); }

    [[nodiscard]] SceneManager* getManager() const { return m_manager; }

protected:
    ~CEventManagerAttached() override = default;

private:
    SceneManager* m_manager;
};
