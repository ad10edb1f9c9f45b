#pragma once

#include "engine/scene/CNodeEvent.h"

#include <cstdint>

class Animator;

// An animation key ran to its end or looped for the first time; handed straight to the state that holds the key. `time`
// is the key's time in ms.
class CEventKeyFinished : public CNodeEvent {
public:
    static constexpr int32_t TypeId = 74;

    CEventKeyFinished(Animator* key, int32_t time, bool looped) : m_key(key), m_time(time), m_looped(looped) {}

    [[nodiscard]] int32_t getType() const override { return TypeId; }
    [[nodiscard]] bool isKindOf(int32_t id) const override { return id == TypeId || CNodeEvent::isKindOf(id); }

    [[nodiscard]] Animator* getKey() const { return m_key; }
    [[nodiscard]] int32_t getTime() const { return m_time; }
    [[nodiscard]] bool isLooped() const { return m_looped; }

protected:
    ~CEventKeyFinished() override = default;

private:
    Animator* m_key;
    int32_t m_time;
    bool m_looped;
};
