#pragma once

#include "engine/scene/CNodeEvent.h"

#include <cstdint>

class SceneNode;

// A change of scene begins; sent to each scene involved. Either scene may be null; `forward` is false when going back.
class CEventSceneChange : public CNodeEvent {
public:
    static constexpr int32_t TypeId = 44;

    CEventSceneChange(SceneNode* fromScene, SceneNode* toScene, bool forward)
        : m_fromScene(fromScene), m_toScene(toScene), m_forward(forward) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodeEvent::isKindOf(id); }

    [[nodiscard]] SceneNode* getFromScene() const { return m_fromScene; }
    [[nodiscard]] SceneNode* getToScene() const { return m_toScene; }
    [[nodiscard]] bool isForward() const { return m_forward; }

protected:
    ~CEventSceneChange() override = default;

private:
    SceneNode* m_fromScene;
    SceneNode* m_toScene;
    bool m_forward;
};
