#pragma once

#include "engine/core/CRefCounted.h"

#include <cstdint>

class CStringW;

// The base of every event: reference counted (count 1 at creation, the last
// release deletes it), with a type id unique per event class and the group
// mask bit that listeners filter on. Events are created on the heap, posted,
// and released by their creator once posting returns; whoever keeps one
// longer (a deferred queue) adds its own reference.
//
// Two separate number spaces: mask bits (carried by the event, tested against
// a receiver's mask) and group class ids (answered by isKindOf).
class CEvent : public CRefCounted {
public:
    // Mask bits.
    static constexpr uint32_t MaskDevice = 0x1;
    static constexpr uint32_t MaskSystemFlow = 0x2;
    static constexpr uint32_t MaskKeyboard = 0x4;
    static constexpr uint32_t MaskMouse = 0x8;
    static constexpr uint32_t MaskNode = 0x20;
    static constexpr uint32_t MaskSound = 0x40;
    static constexpr uint32_t MaskGame = 0x1000;
    static constexpr uint32_t MaskAll = 0xFFFFFFFF;

    // Group class ids; KindAny stands for every event.
    static constexpr int32_t KindAny = 0;
    static constexpr int32_t KindDevice = 1;
    static constexpr int32_t KindSystemFlow = 2;
    static constexpr int32_t KindInput = 3;
    static constexpr int32_t KindKeyboard = 4;
    static constexpr int32_t KindMouse = 5;
    static constexpr int32_t KindNode = 8;
    static constexpr int32_t KindSound = 9;
    static constexpr int32_t KindGame = 4096;

    // Every event class answers the same text, "#thisClassName".
    [[nodiscard]] virtual const CStringW& className() const;
    [[nodiscard]] virtual int32_t getType() const = 0;
    // True for the class's own type id, the ids of its groups, and KindAny.
    // Subclasses add their groups and fall back to this.
    [[nodiscard]] virtual bool isKindOf(int32_t id) const;

    [[nodiscard]] uint32_t getMask() const { return m_mask; }

protected:
    explicit CEvent(uint32_t mask) : m_mask(mask) {}
    ~CEvent() override;

private:
    uint32_t m_mask;
};
