#pragma once

#include "engine/core/CEvent.h"

#include <cstdint>

// The base of the key events: the character the key gives (0 for none), the
// virtual key code (37 left, 38 up, 39 right, 40 down, 13 return ...) and the
// modifier keys held. An input event of the keyboard group.
class CEventKey : public CEvent {
public:
    static constexpr int32_t KeyReturn = 13;
    static constexpr int32_t KeyLeft = 37;
    static constexpr int32_t KeyUp = 38;
    static constexpr int32_t KeyRight = 39;
    static constexpr int32_t KeyDown = 40;

    [[nodiscard]] bool isKindOf(int32_t id) const override {
        return id == KindKeyboard || id == KindInput || CEvent::isKindOf(id);
    }

    [[nodiscard]] int32_t getCharacter() const { return m_character; }
    [[nodiscard]] int32_t getKeyCode() const { return m_keyCode; }
    [[nodiscard]] bool isShift() const { return m_shift; }
    [[nodiscard]] bool isControl() const { return m_control; }
    [[nodiscard]] bool isAlt() const { return m_alt; }

protected:
    CEventKey(int32_t character, int32_t keyCode, bool shift, bool control, bool alt)
        : CEvent(MaskKeyboard), m_character(character), m_keyCode(keyCode), m_shift(shift), m_control(control),
          m_alt(alt) {}
    ~CEventKey() override = default;

private:
    int32_t m_character;
    int32_t m_keyCode;
    bool m_shift;
    bool m_control;
    bool m_alt;
};
