#pragma once

#include "engine/scene/CEventSceneChange.h"

#include <cstdint>

// Follows a CEventSceneChange to the same scenes; bubbles up from the scene.
class CEventSceneChangeStarted : public CEventSceneChange {
public:
    static constexpr int32_t TypeId = 46;

    using CEventSceneChange::CEventSceneChange;

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventSceneChange::isKindOf(id); }

protected:
    ~CEventSceneChangeStarted() override = default;
};
