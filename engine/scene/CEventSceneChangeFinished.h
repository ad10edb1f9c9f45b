#pragma once

#include "engine/scene/CEventSceneChange.h"

#include <cstdint>

// One half of a scene transition (a scene's enter or leave state) completed. `forward` carries the transition's keep
// flag.
class CEventSceneChangeFinished : public CEventSceneChange {
public:
    static constexpr int32_t TypeId = 45;

    using CEventSceneChange::CEventSceneChange;

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CEventSceneChange::isKindOf(id); }

protected:
    ~CEventSceneChangeFinished() override = default;
};
